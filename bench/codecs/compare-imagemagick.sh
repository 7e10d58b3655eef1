#!/usr/bin/env bash
# Times quillon-img against ImageMagick's convert writing and reading JPEG,
# PNG and TIFF LZW files of the same photo-like 2480 x 3508 24-bit page (A4
# at 300 dpi), alternately, and prints the median times, the ratio
# ours / ImageMagick (below 1: we are faster) and the sizes of the files
# written, as a Markdown table.
#   bench/codecs/compare-imagemagick.sh BUILD/bin/quillon-img [ROUNDS]
# Writes start from a BMP file; reads end in a BMP file.  Both programs read
# the same files, written once by ImageMagick.  ImageMagick is asked for the
# chroma subsampling our JPEG writer uses (2x2), which it drops by itself
# from quality 90 on.
set -euo pipefail
tool="$(realpath "${1:?usage: $0 path/to/quillon-img [rounds]}")"
rounds="${2:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../common.sh"

photo_page "$work/page.bmp"
"$convert" "$work/page.bmp" -quality 90 -sampling-factor 2x2 "$work/page.jpg"
"$convert" "$work/page.bmp" "$work/page.png"
"$convert" "$work/page.bmp" -compress LZW "$work/page.tif"

# name | our options, input, output | ImageMagick's input, options, output | written file (ours, theirs) or none
cases=(
  "JPEG q90 write|--quality=90 page.bmp ours.jpg|page.bmp -quality 90 -sampling-factor 2x2 theirs.jpg|jpg"
  "JPEG read|page.jpg ours.bmp|page.jpg BMP3:theirs.bmp|"
  "PNG write|page.bmp ours.png|page.bmp theirs.png|png"
  "PNG read|page.png ours.bmp|page.png BMP3:theirs.bmp|"
  "TIFF LZW write|--compression=5 page.bmp ours.tif|page.bmp -compress LZW theirs.tif|tif"
  "TIFF LZW read|page.tif ours.bmp|page.tif BMP3:theirs.bmp|"
)

seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1 || return 1; end=$(date +%s.%N); echo "$end - $start" | bc; }
size() { [ -n "$1" ] && printf '%.2f MB' "$(echo "$(stat -c %s "$work/$2.$1") / 1000000" | bc -l)" || echo '-'; }

echo "| operation | ours (s) | ImageMagick (s) | ratio | ours file | ImageMagick file |"
echo "|---|---|---|---|---|---|"
cd "$work"
for entry in "${cases[@]}"; do
  IFS='|' read -r name ours theirs written <<<"$entry"
  : >ours.times >theirs.times
  for ((i = 0; i < rounds; i++)); do
    # shellcheck disable=SC2086
    seconds "$tool" $ours >>ours.times || { echo "quillon-img failed: $ours" >&2; exit 1; }
    # shellcheck disable=SC2086
    seconds "$convert" $theirs >>theirs.times || { echo "convert failed: $theirs" >&2; exit 1; }
  done
  a=$(median <ours.times)
  b=$(median <theirs.times)
  printf '| %s | %.2f | %.2f | %.2f | %s | %s |\n' "$name" "$a" "$b" "$(echo "$a / $b" | bc -l)" \
    "$(size "$written" ours)" "$(size "$written" theirs)"
done
