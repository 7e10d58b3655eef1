#!/usr/bin/env bash
# The work a copier does on an A4 page at 300 dpi (2480 x 3508, 24 bits):
# `quillon-img` (our read and write exports with one effect export between
# them) against libvips' `vips` and ImageMagick's `convert` doing the nearest
# operation, all three reading and writing the same uncompressed TIFF file
# (PNG for the PNG row), alternately, ROUNDS rounds, two threads each.
# Prints the median elapsed seconds of each whole process, the ratios ours /
# libvips and ours / ImageMagick (below 1: we are faster), the peak resident
# memory of each process and the file sizes of the PNG row, as a Markdown
# table.  A dash: the program has no such operation.
#   bench/effects/compare-vips.sh BUILD/bin/quillon-img [ROUNDS] [FILTER]
# FILTER, a regular expression, keeps only the rows whose name matches.
# LOAD=N in the environment keeps N busy loops running during the whole
# comparison (see common.sh): every program then meets the same load.
set -euo pipefail
tool="$(realpath "${1:?usage: $0 path/to/quillon-img [rounds] [filter]}")"
rounds="${2:-5}"
filter="${3:-.}"
. "$(dirname "$0")/../common.sh"
work="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
trap 'stop_load; rm -rf "$work"' EXIT
export OMP_NUM_THREADS=2 VIPS_CONCURRENCY=2 MAGICK_THREAD_LIMIT=2

photo_page "$work/page.bmp"
"$convert" "$work/page.bmp" -compress None "$work/page.tif"
rm "$work/page.bmp"

# name | our arguments after IN OUT | vips operation (IN OUT inserted after
# its name) | ImageMagick options | output extension
rows=(
  "read + write, no operation||copy||tif"
  "blur, radius 3|Blur 3|gaussblur @ 3|-blur 0x3|tif"
  "sharpen|Better 3|sharpen @|-sharpen 0x1|tif"
  "median 3 x 3 / despeckle|PixelFix 0|rank @ 3 3 4|-despeckle|tif"
  "edge (Sobel convolution)|Edge 10|sobel @|-edge 1|tif"
  "resize to half|ScaleDib 1240 1754|resize @ 0.5|-resize 50%|tif"
  "rotate 30°|ILRotate 30 15790320|rotate @ 30 --background '240 240 240'|-background #f0f0f0 -rotate 30|tif"
  "PNG write||copy @||png"
  "oil paint|OilPainting 3||-paint 3|tif"
  "motion blur|Motion 10 10 3||-motion-blur 0x4+10|tif"
  "swirl|Whirl 90||-swirl 90|tif"
  "implode|PinchHole -10||-implode 0.5|tif"
  "polar|RecToPolar 0 0 0 0||-distort Polar 0|tif"
  "colour reduction 64 FS|ILReduceColors 64 4||-colors 64 -dither FloydSteinberg|tif"
)

# Runs a command, appending "seconds peak-MB" to the file named first.
# /usr/bin/time gives the peak memory; its elapsed time has only two
# decimals, so the shell's clock times the run (and time's own start, the
# same for all three).
measure() {
  local into="$1" start end; shift
  start=$EPOCHREALTIME
  /usr/bin/time -f '%M' -o "$work/time" "$@" >/dev/null 2>"$work/err" \
    || { echo "failed: $*" >&2; cat "$work/err" >&2; exit 1; }
  end=$EPOCHREALTIME
  echo "$(echo "$end - $start" | bc) $(awk '{ printf "%.0f", $1 / 1024 }' "$work/time")" >>"$into"
}
column_median() { awk -v c="$1" '{ print $c }' "$2" | median; }
seconds() { [ -n "$1" ] && printf '%.3f' "$1" || echo '—'; }
ratio() { [ -n "$2" ] && printf '%.2f' "$(echo "$1 / $2" | bc -l)" || echo '—'; }
megabytes() { printf '%.2f MB' "$(echo "$(stat -c %s "$1") / 1000000" | bc -l)"; }

start_load
echo "| work | ours (s) | libvips (s) | ImageMagick (s) | ours / libvips | ours / ImageMagick | peak MB ours / libvips / ImageMagick |"
echo "|---|---:|---:|---:|---:|---:|---|"
cd "$work"
for row in "${rows[@]}"; do
  IFS='|' read -r name ours peer magick ext <<<"$row"
  [[ "$name" =~ $filter ]] || continue
  : >ours.t >vips.t >magick.t
  for ((i = 0; i < rounds; i++)); do
    # shellcheck disable=SC2086
    measure ours.t "$tool" page.tif "ours.$ext" $ours
    if [ -n "$peer" ]; then
      eval "measure vips.t vips ${peer/@/page.tif vips.$ext}"
    fi
    if [ -n "$magick" ] || [ "$ext" = png ] || [ -z "$ours" ]; then
      # shellcheck disable=SC2086
      measure magick.t "$convert" page.tif $magick $([ "$ext" = tif ] && echo -compress None) "magick.$ext"
    fi
  done
  a=$(column_median 1 ours.t)
  b=$([ -s vips.t ] && column_median 1 vips.t || true)
  c=$([ -s magick.t ] && column_median 1 magick.t || true)
  memory="$(column_median 2 ours.t) / $([ -s vips.t ] && column_median 2 vips.t || echo —) / $([ -s magick.t ] && column_median 2 magick.t || echo —)"
  [ "$ext" = png ] && name="$name ($(megabytes ours.png) / $(megabytes vips.png) / $(megabytes magick.png))"
  printf '| %s | %.3f | %s | %s | %s | %s | %s |\n' "$name" "$a" "$(seconds "$b")" "$(seconds "$c")" "$(ratio "$a" "$b")" \
    "$(ratio "$a" "$c")" "$memory"
done
