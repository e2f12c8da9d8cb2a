#!/usr/bin/env bash
# Builds the libFuzzer targets in a clang tree of their own (configured once)
# and runs each for a bounded number of inputs.
# Usage: tests/fuzz/run.sh BUILD_DIR [RUNS] [extra libFuzzer flags...]
set -euo pipefail
src="$(cd "$(dirname "$0")/../.." && pwd)"
dir="${1:?usage: run.sh BUILD_DIR [RUNS]}"
runs="${2:-200000}"
shift $(( $# >= 2 ? 2 : 1 ))
if [ ! -f "$dir/build.ninja" ]; then
  mkdir -p "$dir"
  CC=clang CXX=clang++ cmake -S "$src" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORBISK_FUZZ=ON -DORBISK_GUI=OFF -DORBISK_BENCH=OFF >"$dir/configure.log" 2>&1 \
    || { cat "$dir/configure.log"; rm -f "$dir/build.ninja"; exit 1; }
fi
cmake --build "$dir" --target fuzz_bytesearch fuzz_template fuzz_collation fuzz_accessrow fuzz_like fuzz_jetcatalog
# Seeds: the shipped templates as detail templates (option byte 1), plus a few tricky texts.
seeds="$dir/seeds"
mkdir -p "$seeds/template" "$seeds/bytesearch" "$seeds/collation" "$seeds/accessrow" "$seeds/like" "$seeds/jetcatalog"
# Access files: two empty databases (one made by the Jet engine) and a directory.
for f in emptyJet4.mdb adox_jet4.mdb directory-200.mdb; do cp "$src/tests/data/access/$f" "$seeds/jetcatalog/"; done
for t in "$src"/assets/Database/*.htm; do
  { printf '\001'; cat "$t"; } >"$seeds/template/$(basename "$t")"
done
printf '\002H{$x}<!--#MasterBegin=1 Repeat-->{$RecNo}<!--#DetailBegin=0-->{$Company_Name}<!--#DetailEnd-->t<!--#MasterEnd-->' >"$seeds/template/master"
printf '\001<!--#DetailBegin=7-->{$Notes}<!--#DetailEnd--><!--#DetailBegin-->{$RecNo}{$RowType}<!--#DetailEnd-->' >"$seeds/template/detail"
printf '\020\003\000<!--#DetailBegin<!--#DetailBegin-->x<!--#DetailEnd-->' >"$seeds/bytesearch/markers"
printf '\006\001\100aaaaaaaaaaabababab' >"$seeds/bytesearch/long"
# Names as the directory holds them: French, English, case, punctuation, controls.
printf '\012\013Banque LtéeBANQUE LTEEBanque-Ltée' >"$seeds/collation/french"
printf '\006\007\303\211toileetoileZurich' >"$seeds/collation/accent"
printf '\007\007FINANCE\357\254\201nancea\001b\011ab' >"$seeds/collation/ligature"
printf "\\010\\011O'Brien Obrien O Brien" >"$seeds/collation/apostrophe"
# Rows: two columns (a long integer and a memo in one row elsewhere) on a page of one row.
python3 - "$seeds/accessrow/row" <<'PY'
import struct, sys
head = bytes([1, 3, 9]) + struct.pack('<HHB', 4000, 4, 0) + struct.pack('<HHB', 4004, 12, 0)
page = bytearray(4096)
page[12:16] = struct.pack('<HH', 1, 3990)
page[4000:4004] = struct.pack('<i', 42)
page[4004:4016] = struct.pack('<II', 0x40000005, (2 << 8) | 0) + bytes(4)
lv = bytearray(4096)
lv[12:16] = struct.pack('<HH', 1, 4091)
lv[4091:4096] = b'hello'
open(sys.argv[1], 'wb').write(head + bytes(page) + bytes(lv))
PY
# LIKE: [flags][split] then the pattern's text and the text searched.
printf '\000\004bankFirst Bank of Ottawa' >"$seeds/like/contains"
printf '\005\001bBanque' >"$seeds/like/initial"
printf '\000\003kim\342\204\252IM \304\260stanbul' >"$seeds/like/folds-into-ascii"
printf '\000\006qu\303\251becQU\303\211BEC city' >"$seeds/like/accented"
printf '\002\005a_c%%dabxcdd' >"$seeds/like/general"
printf '\000\002a\301\201xxA' >"$seeds/like/overlong"
# The same with accents ignored (flag bit 3): plain words against accented
# texts, texts written decomposed, letters without a decomposition.
printf '\010\010montrealMONTR\303\211AL, Qu\303\251bec' >"$seeds/like/accents-contains"
printf '\011\001e\303\211toile' >"$seeds/like/accents-initial"
printf '\010\004coteCo\314\202te-Saint-Luc' >"$seeds/like/accents-decomposed"
printf '\010\002oe\305\222uvre \303\230ster STRA\303\237E' >"$seeds/like/accents-identity"
printf '\014\005ecoleL\351cole \303' >"$seeds/like/accents-planted-stray"
printf '\012\005\303\251_c%%d\303\211bxcdd' >"$seeds/like/accents-general"
# A Turkish locale for the second LIKE run, made here when the system has none.
tr_env=(LC_ALL=tr_TR.UTF-8 ORBISK_FUZZ_LOCALE_TR=1)
if ! locale -a 2>/dev/null | grep -qiE '^tr_TR\.utf-?8$'; then
  loc="$dir/locale"
  if [ ! -d "$loc/tr_TR.UTF-8" ]; then
    mkdir -p "$loc"
    localedef -i tr_TR -f UTF-8 "$loc/tr_TR.UTF-8" >"$dir/localedef.log" 2>&1 || true
    [ -d "$loc/tr_TR.UTF-8" ] || { cat "$dir/localedef.log"; exit 1; }
  fi
  # The program's own fold reads C.UTF-8, which has to be found there too.
  [ -d /usr/lib/locale/C.utf8 ] && [ ! -d "$loc/C.utf8" ] && cp -r /usr/lib/locale/C.utf8 "$loc/"
  # glibc keeps the parsed LOCPATH for good; that is no leak of ours.
  printf 'leak:argz_add_sep\n' >"$dir/lsan-locpath.supp"
  tr_env+=(LOCPATH="$loc" LSAN_OPTIONS=suppressions="$dir/lsan-locpath.supp")
fi
status=0
# Longer inputs find nothing new in the byte search; templates need room for the shipped ones.
declare -A max_len=([bytesearch]=512 [template]=4096 [collation]=256 [accessrow]=12500 [like]=256
                     [jetcatalog]=600000)
# A whole file a run, or a page and its row checks: fewer runs.
declare -A runs_for=([jetcatalog]=$(( runs / 40 )) [accessrow]=$(( runs / 10 )))
# Each run: its name, the target, then the environment it runs in.
runs_of=("bytesearch bytesearch" "template template" "collation collation" "accessrow accessrow"
         "like like LC_ALL=C.UTF-8"
         "like-tr like ${tr_env[*]}"
         "jetcatalog jetcatalog")
for r in "${runs_of[@]}"; do
  read -r name f envs <<<"$r"
  corpus="$dir/corpus/$f"
  mkdir -p "$corpus"
  echo "== fuzz_$f ($envs): ${runs_for[$f]:-$runs} runs"
  # shellcheck disable=SC2086
  env $envs "$dir/fuzz/fuzz_$f" -runs="${runs_for[$f]:-$runs}" -seed=1 -timeout=20 -max_len="${max_len[$f]}" -artifact_prefix="$dir/" \
    -print_final_stats=1 "$@" "$corpus" "$seeds/$f" 2>"$dir/fuzz_$name.log" || { status=1; tail -40 "$dir/fuzz_$name.log"; }
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$dir/fuzz_$name.log" || true
done
exit $status
