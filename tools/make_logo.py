#!/usr/bin/env python3
"""Draws Orbisk's pictures as SVG and converts them to the files the program uses.

    assets/images/logo.png           48 x 48 mark for the title banner (transparent)
    assets/images/orbisk.png         256 x 256 desktop icon (also the windows' icon)
    assets/images/orbisk.svg         the desktop icon as drawn, for the scalable theme folder
    assets/images/orbisk-N.png       the desktop icon at N x N for N = 16, 32, 48, 64, 128
    assets/images/about.jpg          160 x 300 picture for the About window
    assets/images/query_visible.png  16 x 16 chevrons of the search-panel toggle

The mark is a magnifying glass whose lens is a globe: searching a directory of
companies.  Its greens match the banner caption, RGB(74, 177, 5), and its cream
the banner background, RGB(244, 242, 232).

Needs rsvg-convert (librsvg2-bin) and ImageMagick's convert; the text of the
About picture is set in DejaVu Sans (fonts-dejavu-core).
Usage: tools/make_logo.py [output folder]   (default: assets/images)
"""

import os
import shutil
import subprocess
import sys
import tempfile

GREEN = "#4ab105"        # banner caption colour
DEEP_GREEN = "#2e7d09"
CREAM = "#f4f2e8"        # banner background
SLATE = "#34505e"        # handle and lettering
AMBER = "#f2a41c"        # the one warm accent: the "hit"


# The mark's drawing spans 6.5 to 44.6 units both ways; this is its middle.
MARK_MIDDLE = 25.5


def mark(x, y, scale, ident):
    """The mark drawn in a 48-unit square, scaled, with its middle at (x, y)."""
    cx, cy, r = 20.0, 20.0, 13.5
    left, top = x - MARK_MIDDLE * scale, y - MARK_MIDDLE * scale
    return f"""
  <g transform="translate({left:.2f} {top:.2f}) scale({scale})">
    <defs>
      <radialGradient id="lens{ident}" cx="0.38" cy="0.34" r="0.75">
        <stop offset="0" stop-color="#ffffff"/>
        <stop offset="0.55" stop-color="{CREAM}"/>
        <stop offset="1" stop-color="#dcefc9"/>
      </radialGradient>
      <clipPath id="inside{ident}"><circle cx="{cx}" cy="{cy}" r="{r}"/></clipPath>
    </defs>
    <line x1="30.2" y1="30.2" x2="41.5" y2="41.5" stroke="{SLATE}" stroke-width="6.2"
          stroke-linecap="round"/>
    <line x1="29.4" y1="29.4" x2="32.4" y2="32.4" stroke="{DEEP_GREEN}" stroke-width="7"
          stroke-linecap="round"/>
    <circle cx="{cx}" cy="{cy}" r="{r}" fill="url(#lens{ident})"/>
    <g clip-path="url(#inside{ident})" fill="none" stroke="{GREEN}" stroke-width="1.6"
       stroke-opacity="0.7">
      <ellipse cx="{cx}" cy="{cy}" rx="6.2" ry="{r}"/>
      <line x1="{cx}" y1="{cy - r}" x2="{cx}" y2="{cy + r}"/>
      <path d="M {cx - r} {cy - 1.5} Q {cx} {cy + 4.5} {cx + r} {cy - 1.5}"/>
      <path d="M {cx - 11} {cy - 8.5} Q {cx} {cy - 4} {cx + 11} {cy - 8.5}"/>
    </g>
    <circle cx="{cx}" cy="{cy}" r="{r}" fill="none" stroke="{GREEN}" stroke-width="4.2"/>
    <path d="M {cx - 8.5} {cy - 4.5} A 9.5 9.5 0 0 1 {cx - 3} {cy - 9.4}" fill="none"
          stroke="#ffffff" stroke-width="1.8" stroke-linecap="round" stroke-opacity="0.9"/>
    <circle cx="{cx + 9.55}" cy="{cy - 9.55}" r="3.1" fill="{AMBER}" stroke="#ffffff"
            stroke-width="1.1"/>
  </g>"""


def svg(width, height, body):
    return (f'<svg xmlns="http://www.w3.org/2000/svg" width="{width}" height="{height}" '
            f'viewBox="0 0 {width} {height}">{body}\n</svg>\n')


def logo_svg():
    return svg(48, 48, mark(24, 24, 1, "a"))


def icon_svg():
    body = f"""
  <defs>
    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#fbfaf4"/>
      <stop offset="1" stop-color="#e8e3cd"/>
    </linearGradient>
  </defs>
  <rect x="12" y="12" width="232" height="232" rx="48" fill="url(#tile)" stroke="#cfc8ab"
        stroke-width="3"/>
  {mark(128, 128, 4.3, "i")}"""
    return svg(256, 256, body)


def about_svg():
    width, height = 160, 300
    ox, oy = 80, 98                  # centre of the mark and of the ripples
    ripples = "".join(
        f'<circle cx="{ox}" cy="{oy}" r="{r}" fill="none" stroke="#ffffff" '
        f'stroke-opacity="{o}" stroke-width="1.2"/>'
        for r, o in ((52, 0.32), (66, 0.22), (80, 0.15), (94, 0.09), (108, 0.05)))
    rows = []
    for i, (length, hit) in enumerate(((74, False), (56, False), (82, True), (48, False))):
        y = 176 + i * 15
        colour, opacity = (AMBER, 1.0) if hit else ("#ffffff", 0.55)
        rows.append(
            f'<circle cx="34" cy="{y}" r="3.2" fill="{colour}" fill-opacity="{opacity}"/>'
            f'<rect x="42" y="{y - 2.5}" width="{length}" height="5" rx="2.5" fill="{colour}" '
            f'fill-opacity="{opacity * 0.8:.2f}"/>')
    body = f"""
  <defs>
    <linearGradient id="back" x1="0" y1="0" x2="0.35" y2="1">
      <stop offset="0" stop-color="#5cbf12"/>
      <stop offset="0.5" stop-color="{DEEP_GREEN}"/>
      <stop offset="1" stop-color="#1d4a17"/>
    </linearGradient>
    <radialGradient id="glow" cx="0.5" cy="0.33" r="0.5">
      <stop offset="0" stop-color="#ffffff" stop-opacity="0.28"/>
      <stop offset="1" stop-color="#ffffff" stop-opacity="0"/>
    </radialGradient>
  </defs>
  <rect width="{width}" height="{height}" fill="url(#back)"/>
  <rect width="{width}" height="{height}" fill="url(#glow)"/>
  {ripples}
  <circle cx="{ox}" cy="{oy + 2}" r="41" fill="#000000" fill-opacity="0.18"/>
  <circle cx="{ox}" cy="{oy}" r="40" fill="{CREAM}"/>
  {mark(ox, oy, 1.25, "b")}
  {"".join(rows)}
  <line x1="24" y1="240" x2="136" y2="240" stroke="#ffffff" stroke-opacity="0.35"/>
  <text x="{ox}" y="271" text-anchor="middle" font-family="DejaVu Sans" font-weight="bold"
        font-style="italic" font-size="29" fill="#ffffff">Orbisk</text>
  <text x="{ox}" y="289" text-anchor="middle" font-family="DejaVu Sans" font-size="9"
        letter-spacing="0.6" fill="#ffffff" fill-opacity="0.85">BUSINESS DIRECTORY</text>"""
    return svg(width, height, body)


def chevrons_svg():
    body = f"""
  <g fill="none" stroke="{DEEP_GREEN}" stroke-width="1.8" stroke-linecap="butt"
     stroke-linejoin="miter">
    <polyline points="4,6 8,2 12,6"/>
    <polyline points="4,10 8,14 12,10"/>
  </g>"""
    return svg(16, 16, body)


# The sizes of the desktop icon besides 256 (orbisk.png), one file each, for the
# hicolor theme's NxN/apps folders.
ICON_SIZES = (16, 32, 48, 64, 128)


def run(*args):
    subprocess.run(args, check=True)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "assets", "images"))
    for tool in ("rsvg-convert", "convert"):
        if not shutil.which(tool):
            sys.exit(f"make_logo: '{tool}' is missing; apt-get install librsvg2-bin imagemagick")
    os.makedirs(out, exist_ok=True)
    pngs = {"logo.png": logo_svg(), "orbisk.png": icon_svg(), "query_visible.png": chevrons_svg()}
    sizes = {"orbisk.png": None}
    for size in ICON_SIZES:
        pngs[f"orbisk-{size}.png"] = icon_svg()
        sizes[f"orbisk-{size}.png"] = size
    with open(os.path.join(out, "orbisk.svg"), "w", encoding="utf-8") as f:
        f.write(icon_svg())
    with tempfile.TemporaryDirectory() as work:
        for name, text in list(pngs.items()) + [("about.png", about_svg())]:
            source = os.path.join(work, name[:-4] + ".svg")
            with open(source, "w", encoding="utf-8") as f:
                f.write(text)
            target = os.path.join(out if name in pngs else work, name)
            size = sizes.get(name)
            if size:
                run("rsvg-convert", "-w", str(size), "-h", str(size), "-o", target, source)
            else:
                run("rsvg-convert", "-o", target, source)
            if name in pngs:
                # Drop the dates and text chunks so a rerun gives the same bytes.
                run("convert", target, "-strip", "-define", "png:exclude-chunks=date,time",
                    "PNG32:" + target)
        run("convert", os.path.join(work, "about.png"), "-strip", "-quality", "92",
            os.path.join(out, "about.jpg"))
    for name in sorted(os.listdir(out)):
        print(f"make_logo: wrote {os.path.join(out, name)}")


if __name__ == "__main__":
    main()
