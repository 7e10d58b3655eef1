#!/usr/bin/env bash
# The filter dialogs' ten filters on the photo-like A4 page at 300 dpi, against
# libvips doing the nearest operation on the same page in the same run:
# `vips maplut` with our own lookup tables for the table filters (RGB, CMY,
# brightness-contrast-gamma), `vips linear` for the filters that convert each
# colour (YCbCr, HLS, HSV), `vips conv` with our own integer masks for the
# convolution filters.  Prints the median times and the ratio ours / libvips
# (below 1: we are faster), then the colour dialogs' preview latency.
#   bench/pixel/compare-vips.sh BUILD/bin/filter_dialog_bench [runs]
# LOAD=N in the environment keeps N busy loops running during the whole
# comparison (see common.sh): both programs then meet the same load.
set -euo pipefail
bench="${1:?usage: $0 path/to/filter_dialog_bench [runs]}"
runs="${2:-5}"
. "$(dirname "$0")/../common.sh"
work="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
trap 'stop_load; rm -rf "$work"' EXIT

# One page for both, 8 bits a channel: PPM for us, libvips' own memory-mapped format for it.
photo_page "$work/page.bmp"
"$convert" "$work/page.bmp" -depth 8 "$work/page.ppm"
vips copy "$work/page.ppm" "$work/page.v"
"$bench" --peer-files "$work" 2>/dev/null

declare -A peer=(
  [RGB]="maplut $work/page.v $work/out.v $work/RGB.ppm"
  [CMY]="maplut $work/page.v $work/out.v $work/CMY.ppm"
  [YCbCr]="linear $work/page.v $work/out.v '1.1 1 1' '10 20 -20' --uchar"
  [HLS]="linear $work/page.v $work/out.v '1 1.1 1.2' '30 10 20' --uchar"
  [HSV]="linear $work/page.v $work/out.v '1 1.2 1.1' '30 20 10' --uchar"
  [BCG]="maplut $work/page.v $work/out.v $work/BCG.ppm"
  [Sharpen]="conv $work/page.v $work/out.v $work/Sharpen.mat --precision integer"
  [Detail]="conv $work/page.v $work/out.v $work/Detail.mat --precision integer"
  [Smooth]="conv $work/page.v $work/out.v $work/Smooth.mat --precision integer"
  [Contour]="conv $work/page.v $work/out.v $work/Contour.mat --precision integer"
)
filters=(RGB CMY YCbCr HLS HSV BCG Sharpen Detail Smooth Contour)

start_load
# libvips' fixed cost of one command: load the page and write it back.
: > "$work/copy"
for ((i = 0; i < runs; i++)); do
  start=$(date +%s.%N); vips copy "$work/page.v" "$work/out.v"; end=$(date +%s.%N)
  echo "($end - $start) * 1000" | bc -l >> "$work/copy"
done

# Ours and theirs alternate, one round each per run.
for f in "${filters[@]}"; do : > "$work/ours.$f"; : > "$work/vips.$f"; done
: > "$work/preview"
for ((i = 0; i < runs; i++)); do
  PIXEL_BENCH_PAGE="$work/page.ppm" "$bench" 1 2>/dev/null > "$work/round"
  for f in "${filters[@]}"; do
    awk -v f="$f" '$1 == "apply" && $2 == f { print $3 }' "$work/round" >> "$work/ours.$f"
  done
  grep '^preview' "$work/round" >> "$work/preview"
  for f in "${filters[@]}"; do
    start=$(date +%s.%N); eval "vips ${peer[$f]}"; end=$(date +%s.%N)
    echo "($end - $start) * 1000" | bc -l >> "$work/vips.$f"
  done
done

printf '%-9s %10s %12s %7s\n' filter 'ours (ms)' 'libvips (ms)' ratio
for f in "${filters[@]}"; do
  ours=$(median < "$work/ours.$f")
  theirs=$(median < "$work/vips.$f")
  printf '%-9s %10.1f %12.1f %7.2f\n' "$f" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done
printf 'libvips load and write alone (vips copy): %.1f ms\n\n' "$(median < "$work/copy")"

printf '%-9s %22s %26s\n' dialog 'last move -> shown (ms)' 'opening -> first shown (ms)'
for f in RGB CMY YCbCr HLS HSV BCG; do
  latency=$(awk -v f="$f" '$2 == f { print $3 }' "$work/preview" | median)
  first=$(awk -v f="$f" '$2 == f { print $4 }' "$work/preview" | median)
  printf '%-9s %22.1f %26.1f\n' "$f" "$latency" "$first"
done
