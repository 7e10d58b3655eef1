#!/usr/bin/env bash
# Renders every effect of the processing library on one photo-like picture
# and lays the results out, labelled with the export names, in one PNG.
#   contact-sheet.sh CONTACT_SHEET_TOOL OUT.png
set -euo pipefail
tool="$1"
out="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
/usr/bin/convert -size 400x300 -seed 7 plasma:fractal -blur 0x1 \
  -fill '#3060c0' -draw 'circle 110,150 110,80' -fill '#f0d020' -draw 'rectangle 230,60 350,140' \
  -stroke black -strokewidth 3 -draw 'line 20,280 380,200' -type TrueColor "BMP3:$work/picture.bmp"
mkdir "$work/effects"
"$tool" "$work/picture.bmp" "$work/effects"
/usr/bin/convert "$work/picture.bmp" "$work/effects/(original).png"
(cd "$work/effects" && /usr/bin/montage -label '%t' $(ls | sort) -tile 7x -geometry 240x180+4+4 "$work/sheet.png")
mv "$work/sheet.png" "$out"
