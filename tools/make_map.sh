#!/usr/bin/env bash
# Draws assets/map.jpg: Canada's provinces and territories, each with its name
# and the telephone area codes that the search panel offers for it, and beside
# it the click regions of the map window: map_regions.png, every province and
# every area-code label filled with a colour of its own, and map_regions.txt,
# what each colour stands for ("R G B<TAB>Location|Ontario", "...<TAB>TelAreaCode|416").
#
# Boundaries come from the Digital Chart of the World (gmt-dcw), coast lines and
# lakes from GSHHG (gmt-gshhg-low); the regions come from the same boundaries
# and the same label positions. map.jpg is 860 x 676 pixels, the size the map
# shows at, which fits a 1366 x 768 screen with the window's frame; map@2x.jpg
# beside it holds twice as many pixels (1720 x 1352) for screens scaled to
# 200 %. The regions are at the shown size. map_regions.txt records the pictures
# it was made for (pixel size and SHA-256 of each file): the window takes clicks
# on those pictures only, and any other map.jpg is a picture only.
#
# Needs: apt-get install gmt gmt-dcw gmt-gshhg-low ghostscript imagemagick
# Usage: tools/make_map.sh [output.jpg]   (default: assets/map.jpg; the regions beside it)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$root/assets/map.jpg}")
out_2x="${out%.*}@2x.${out##*.}"
out_regions="$(dirname "$out")/map_regions.png"
out_key="$(dirname "$out")/map_regions.txt"
for tool in gmt convert; do
  command -v "$tool" >/dev/null || {
    echo "make_map: '$tool' is missing; apt-get install gmt gmt-dcw gmt-gshhg-low imagemagick" >&2
    exit 1
  }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export GMT_USERDIR="$work" GMT_SESSION_NAME=orbisk-map

# Page: 8.6 x 6.76 inches, 100 screen pixels to the inch; the picture is drawn
# at 400 dpi and halved at the end for smooth edges.
page_w=8.6 page_h=6.76 title_h=0.46
shown_w=860 shown_h=676
map_h=$(awk -v a="$page_h" -v b="$title_h" 'BEGIN { print a - b }')
# Lambert conformal conic with Canada's usual standard parallels; the region is
# given in projected kilometres so the frame is a plain rectangle.
proj="-JL-96/60/49/77/${page_w}i"
region="-R-2560/3799/-2000/2680+uk"
page_region="-R0/$page_w/0/$map_h -JX${page_w}i/${map_h}i"

# Colours
sea=198/224/243 coast=96/134/166 abroad=234/232/224 border=120/120/120
ink=46/46/46 code=28/78/128 water_ink=88/130/170 abroad_ink=150/146/136
rose=241/199/208 yellow=246/233/170 lilac=218/207/234 green=205/229/182 apricot=248/212/166

# Labels. Each line: lon|lat|name lines|area-code lines (lines separated by "/").
cat > inside.txt <<'EOF'
-135.6|63.4|Yukon|867
-119.0|64.0|Northwest/Territories|867
-96.5|64.6|Nunavut|867
-124.2|54.2|British/Columbia|250 604 778
-114.6|54.6|Alberta|403 780
-105.6|51.6|Saskatchewan|306
-97.6|54.6|Manitoba|204
-86.3|49.8|Ontario|289 416 519 613/647 705 807 905
-72.6|51.6|Quebec|418 450 514 819
-62.0|53.4|Newfoundland/and Labrador|709
EOF
# Small provinces get a box in the sea with a leader line:
# anchor lon|anchor lat|box lon|box lat|box justification|name|area codes
cat > callouts.txt <<'EOF'
-66.2|46.4|-67.4|42.0|CM|New Brunswick|506
-63.3|46.35|-55.1|44.9|CM|Prince Edward Island|902
-63.6|44.9|-57.0|42.1|CM|Nova Scotia|902
EOF
# Seas and neighbours: lon|lat|font|text
cat > names.txt <<'EOF'
-128.1|47.7|10p,Helvetica-Oblique,WATER|Pacific/Ocean
-58.6|37.4|10p,Helvetica-Oblique,WATER|Atlantic Ocean
-147.2|77.7|10p,Helvetica-Oblique,WATER|Arctic Ocean
-86.5|59.3|10p,Helvetica-Oblique,WATER|Hudson/Bay
-55.5|58.5|9p,Helvetica-Oblique,WATER|Labrador/Sea
-104|44.3|9p,Helvetica,ABROAD|U N I T E D   S T A T E S
-42|72|9p,Helvetica,ABROAD|G R E E N L A N D
-150|64.5|9p,Helvetica,ABROAD|A L A S K A
EOF

# Map coordinates (inches from the map's lower left) of lon|lat pairs.
to_inches() { gmt mapproject $proj $region -Di; }

gmt begin map png E400
  gmt set PS_MEDIA ${page_w}ix${page_h}i MAP_ORIGIN_X 0i MAP_ORIGIN_Y 0i \
          MAP_FRAME_TYPE plain MAP_FRAME_PEN 0.6p,$coast FONT_TITLE 16p,Helvetica-Bold,$ink

  # A full-page backdrop fixes the crop to exactly the page.
  printf '0 0\n%s 0\n%s %s\n0 %s\n' $page_w $page_w $page_h $page_h |
    gmt plot -R0/$page_w/0/$page_h -JX${page_w}i/${page_h}i -G244/242/232

  # Land, sea, the provinces, lakes, coast lines and borders.
  gmt coast $proj $region -Di -A400 -G$abroad -S$sea -B+n
  gmt coast -ECA.YT+g$rose -ECA.NT+g$yellow -ECA.NU+g$lilac -ECA.BC+g$green -ECA.AB+g$apricot \
            -ECA.SK+g$rose -ECA.MB+g$yellow -ECA.ON+g$green -ECA.QC+g$apricot -ECA.NL+g$lilac \
            -ECA.NB+g$rose -ECA.NS+g$yellow -ECA.PE+g$lilac
  gmt coast -ECA.YT,CA.NT,CA.NU,CA.BC,CA.AB,CA.SK,CA.MB,CA.ON,CA.QC,CA.NL,CA.NB,CA.NS,CA.PE+p0.5p,$border
  # The sea and lakes are painted again over the coarser province outlines.
  gmt coast -Di -A400 -S$sea -C$sea -W1/0.3p,$coast -W2/0.3p,$coast -N1/0.9p,100/100/100
  gmt basemap -B+n -Bf0

  # Names of seas and neighbours, one record per line of text.
  awk -F'|' -v water="$water_ink" -v abroad="$abroad_ink" '{
      font = $3; sub("WATER", water, font); sub("ABROAD", abroad, font)
      size = font; sub("p.*", "", size)
      n = split($4, line, "/")
      for (i = 1; i <= n; i++)
        printf "%s %s %s|%s|%s\n", $1, $2, (n + 1 - 2 * i) * size * 0.6 / 72, font, line[i]
    }' names.txt > names.rec
  cut -d' ' -f1,2 names.rec | tr ' ' '\t' | to_inches > names.xy
  paste -d' ' names.xy <(cut -d' ' -f3- names.rec) |
    awk '{ split($0, f, "|"); split(f[1], p, " "); printf "%.4f %.4f %s CM %s\n", p[1], p[2] + p[3], f[2], f[3] }' |
    gmt text $page_region -F+f+j

  # Province names (dark) and their area codes (blue), as one centred block each.
  cut -d'|' -f1,2 inside.txt | tr '|' '\t' | to_inches > inside.xy
  paste -d'|' inside.xy <(cut -d'|' -f3,4 inside.txt) |
    awk -F'|' -v ink="$ink" -v code="$code" '{
      split($1, p, "\t")
      nn = split($2, name, "/"); nc = split($3, codes, "/")
      hn = 12 / 72; hc = 11.5 / 72
      top = p[2] + (nn * hn + nc * hc) / 2
      for (i = 1; i <= nn; i++) {
        printf "%.4f %.4f 10p,Helvetica-Bold,%s=~2.2p,white CM %s\n", p[1], top - (i - 0.5) * hn, ink, name[i]
      }
      top -= nn * hn
      for (i = 1; i <= nc; i++) {
        printf "%.4f %.4f 9.5p,Helvetica-Bold,%s=~2.2p,white CM %s\n", p[1], top - (i - 0.5) * hc, code, codes[i]
      }
    }' | gmt text $page_region -F+f+j

  # Callouts: leader line, anchor dot, then the boxed label over the line's end.
  { cut -d'|' -f1,2 callouts.txt; cut -d'|' -f3,4 callouts.txt; } | tr '|' '\t' | to_inches > call.xy
  n=$(wc -l < callouts.txt)
  head -n "$n" call.xy > anchor.xy
  tail -n "$n" call.xy > box.xy
  paste anchor.xy box.xy | awk '{ printf ">\n%s %s\n%s %s\n", $1, $2, $3, $4 }' |
    gmt plot $page_region -W0.8p,$ink
  gmt plot $page_region -Sc0.07i -G$ink -W0.6p,white < anchor.xy
  paste -d'|' box.xy <(cut -d'|' -f5- callouts.txt) |
    awk -F'|' -v code="$code" '{
      split($1, p, "\t")
      printf "%.4f %.4f %s %s  @;%s;%s@;;\n", p[1], p[2], $2, $3, code, $4
    }' | gmt text $page_region -F+f9.5p,Helvetica-Bold,$ink+j -Gwhite -W0.6p,$border -C0.06i/0.05i+tO

  # Source note, bottom left.
  echo "0.08 0.08 Boundaries: Digital Chart of the World; coast lines: GSHHG.  Blue numbers: telephone area codes." |
    gmt text $page_region -F+f7p,Helvetica,90/90/90+jBL -G255/255/255@30 -C0.04i/0.03i

  # Title band across the top.
  printf '0 %s\n%s %s\n' "$map_h" $page_w "$map_h" |
    gmt plot -R0/$page_w/0/$page_h -JX${page_w}i/${page_h}i -W1.5p,74/177/5
  echo "0.18 $(awk -v a="$map_h" -v b="$title_h" 'BEGIN { print a + b / 2 }') Canada \\034 provinces, territories and telephone area codes" |
    gmt text -F+f16p,Helvetica-Bold,$ink+jML
gmt end

convert map.png -resize $((2 * shown_w))x$((2 * shown_h))\! -strip -interlace none -sampling-factor 4:2:0 \
        -quality 88 -units PixelsPerInch -density 192 "$out_2x"
convert map.png -resize ${shown_w}x${shown_h}\! -strip -interlace none -sampling-factor 4:2:0 \
        -quality 90 -units PixelsPerInch -density 96 "$out"
for f in "$out" "$out_2x"; do
  echo "make_map: wrote $f ($(identify -format '%wx%h' "$f"), $(stat -c %s "$f") bytes)"
done

# ---------------------------------------------------------------------------
# The click regions. Each province gets the colour 200/(10 i)/0, each area code
# 0/(10 j)/200; a code shown twice (867, 902) has one colour.
provinces="YT|Yukon Territory
NT|Northwest Territories
NU|Nunavut
BC|British Columbia
AB|Alberta
SK|Saskatchewan
MB|Manitoba
ON|Ontario
QC|Quebec
NL|Newfoundland and Labrador
NB|New Brunswick
NS|Nova Scotia
PE|Prince Edward Island"
: > key.txt
i=1
fills=()
while IFS='|' read -r dcw name; do
  fills+=("-ECA.$dcw+g200/$((10 * i))/0")
  printf '200 %d 0\tLocation|%s\n' $((10 * i)) "$name" >> key.txt
  i=$((i + 1))
done <<< "$provinces"
codes=$(cut -d'|' -f4 inside.txt | tr '/' ' '; cut -d'|' -f7 callouts.txt)
j=1
for c in $(echo $codes | tr ' ' '\n' | sort -u); do
  printf '0 %d 200\tTelAreaCode|%s\n' $((10 * j)) "$c" >> key.txt
  j=$((j + 1))
done
code_colour() { awk -F'\t' -v c="TelAreaCode|$1" '$2 == c { split($1, p, " "); print p[1] "/" p[2] "/" p[3] }' key.txt; }
province_colour() { awk -F'\t' -v c="Location|$1" '$2 == c { split($1, p, " "); print p[1] "/" p[2] "/" p[3] }' key.txt; }

# Helvetica-Bold advance widths (thousandths of an em) of the characters the labels use.
width_of() {  # text size_in_points -> inches
  awk -v t="$1" -v size="$2" 'BEGIN {
    split("A722 B722 C722 D722 E667 F611 G778 H722 I278 J556 K722 L611 M833 N722 O778 P667 Q778 R722 S667 T611 U722 V667 W944 X667 Y667 Z611", up, " ")
    split("a556 b611 c556 d611 e556 f333 g611 h611 i278 j278 k556 l278 m889 n611 o611 p611 q611 r389 s556 t333 u611 v556 w778 x556 y556 z500", lo, " ")
    for (k in up) w[substr(up[k], 1, 1)] = substr(up[k], 2)
    for (k in lo) w[substr(lo[k], 1, 1)] = substr(lo[k], 2)
    for (d = 0; d <= 9; d++) w[d ""] = 556
    w[" "] = 278
    total = 0
    for (k = 1; k <= length(t); k++) total += w[substr(t, k, 1)]
    printf "%.4f", total / 1000 * size / 72 }'
}

# Rectangles as polygons, each segment with its own fill: x y w h colour (inches).
rect() { awk -v x="$1" -v y="$2" -v w="$3" -v h="$4" -v c="$5" 'BEGIN {
  printf "> -G%s\n%.4f %.4f\n%.4f %.4f\n%.4f %.4f\n%.4f %.4f\n", c, x-w/2, y-h/2, x+w/2, y-h/2, x+w/2, y+h/2, x-w/2, y+h/2 }'; }
pad=0.03
: > code_boxes.txt
: > callout_boxes.txt
# Area codes inside the provinces: the same block layout as the labels above.
paste -d'|' inside.xy <(cut -d'|' -f3,4 inside.txt) | while IFS='|' read -r xy names lines; do
  x=${xy%%$'\t'*} y=${xy##*$'\t'}
  nn=$(awk -F/ '{ print NF }' <<< "$names"); nc=$(awk -F/ '{ print NF }' <<< "$lines")
  hn=$(awk 'BEGIN { print 12 / 72 }'); hc=$(awk 'BEGIN { print 11.5 / 72 }')
  top=$(awk -v y="$y" -v nn="$nn" -v nc="$nc" -v hn="$hn" -v hc="$hc" 'BEGIN { print y + (nn * hn + nc * hc) / 2 - nn * hn }')
  for ((l = 1; l <= nc; l++)); do
    line=$(cut -d/ -f$l <<< "$lines")
    cy=$(awk -v t="$top" -v l="$l" -v hc="$hc" 'BEGIN { print t - (l - 0.5) * hc }')
    lw=$(width_of "$line" 9.5)
    left=$(awk -v x="$x" -v w="$lw" 'BEGIN { print x - w / 2 }')
    for c in $line; do
      cw=$(width_of "$c" 9.5)
      rect "$(awk -v l="$left" -v w="$cw" 'BEGIN { print l + w / 2 }')" "$cy" \
           "$(awk -v w="$cw" -v p="$pad" 'BEGIN { print w + 2 * p }')" "$hc" "$(code_colour "$c")" >> code_boxes.txt
      left=$(awk -v l="$left" -v w="$cw" -v s="$(width_of ' ' 9.5)" 'BEGIN { print l + w + s }')
    done
  done
done
# Callouts: the whole box for its province, the code at its right end for the code.
paste -d'|' box.xy <(cut -d'|' -f6,7 callouts.txt) | while IFS='|' read -r xy name c; do
  x=${xy%%$'\t'*} y=${xy##*$'\t'}
  tw=$(width_of "$name  $c" 9.5); cw=$(width_of "$c" 9.5); h=$(awk 'BEGIN { print 9.5 / 72 * 1.2 }')
  rect "$x" "$y" "$(awk -v w="$tw" 'BEGIN { print w + 0.12 }')" "$(awk -v h="$h" 'BEGIN { print h + 0.10 }')" \
       "$(province_colour "$name")" >> callout_boxes.txt
  rect "$(awk -v x="$x" -v t="$tw" -v w="$cw" 'BEGIN { print x + t / 2 - w / 2 + 0.03 }')" "$y" \
       "$(awk -v w="$cw" 'BEGIN { print w + 0.09 }')" "$(awk -v h="$h" 'BEGIN { print h + 0.10 }')" \
       "$(code_colour "$c")" >> code_boxes.txt
done

gmt begin regions png E100
  gmt set PS_MEDIA ${page_w}ix${page_h}i MAP_ORIGIN_X 0i MAP_ORIGIN_Y 0i
  printf '0 0\n%s 0\n%s %s\n0 %s\n' $page_w $page_w $page_h $page_h |
    gmt plot -R0/$page_w/0/$page_h -JX${page_w}i/${page_h}i -Gwhite
  gmt coast $proj $region -Di -A400 -B+n "${fills[@]}"
  gmt plot $page_region callout_boxes.txt
  gmt plot $page_region code_boxes.txt
gmt end

# Exact colours only: every pixel becomes its nearest key colour (or white).
{ echo "255 255 255"; cut -f1 key.txt; } | awk '{ printf "xc:rgb(%d,%d,%d) ", $1, $2, $3 }' > palette.args
convert $(cat palette.args) +append palette.png
convert regions.png -resize ${shown_w}x${shown_h}\! -dither None -remap palette.png -strip \
        -define png:exclude-chunks=date,time "$out_regions"
picture_line() {  # name file -> "name<TAB>WxH sha256:HEX"
  printf '%s\t%s sha256:%s\n' "$1" "$(identify -format '%wx%h' "$2")" "$(sha256sum < "$2" | cut -d' ' -f1)"
}
{ echo "# Click regions of map_regions.png: colour, then what a click there chooses. Made by tools/make_map.sh."
  echo "# The pictures the regions belong to: any other picture takes no clicks."
  picture_line picture "$out"
  picture_line picture@2x "$out_2x"
  cat key.txt; } > "$out_key"
echo "make_map: wrote $out_regions ($(identify -format '%wx%h' "$out_regions")) and $out_key"
