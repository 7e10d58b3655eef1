#!/usr/bin/env bash
# Runs each pixel-library operation and ImageMagick's nearest equivalent on the
# same A4 page at 300 dpi, alternating, and prints the median times and the
# ratio ours / ImageMagick (below 1: we are faster).
#   bench/pixel/compare-imagemagick.sh BUILD/bin/pixel_bench [runs]
set -euo pipefail
bench="${1:?usage: $0 path/to/pixel_bench [runs]}"
runs="${2:-5}"
. "$(dirname "$0")/../common.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One page for both: a gradient with grain, as BMP for us and as a memory-mapped cache for ImageMagick.
"$convert" -size 2480x3508 -seed 7 gradient:'#2040c0-#f0d080' -attenuate 0.3 +noise Gaussian \
  -type TrueColor "BMP3:$work/page.bmp"
"$convert" "$work/page.bmp" "$work/page.mpc"

smooth='7x7: 0,0,1,1,1,0,0 0,2,4,5,4,2,0 1,4,9,12,9,4,1 1,5,12,16,12,5,1 1,4,9,12,9,4,1 0,2,4,5,4,2,0 0,0,1,1,1,0,0'
sharpen='3x3: -3,-7,-3 -7,112,-7 -3,-7,-3'
declare -A imagemagick=(
  [BM_BCGFilter]="-evaluate pow 0.8 -level 25%,75%"
  [BM_HSVFilter]="-modulate 110,120,117"
  [BM_SharpenFilter]="-define convolve:scale=! -morphology Convolve '$sharpen'"
  [BM_SmoothFilter]="-define convolve:scale=! -morphology Convolve '$smooth'"
  [BM_PreviewCopy]="-resize 140x140"
)


printf '%-18s %12s %12s %8s\n' operation 'ours (ms)' 'IM (ms)' ratio
for op in BM_BCGFilter BM_HSVFilter BM_SharpenFilter BM_SmoothFilter BM_PreviewCopy; do
  : > "$work/ours" ; : > "$work/theirs"
  for ((i = 0; i < runs; i++)); do
    PIXEL_BENCH_PAGE="$work/page.bmp" "$bench" --benchmark_filter="^$op\$" --benchmark_min_time=0.01 \
      --benchmark_format=csv 2>/dev/null | awk -F, -v op="\"$op\"" '$1 == op { print $3 }' >> "$work/ours"
    start=$(date +%s.%N)
    eval "$convert \"$work/page.mpc\" ${imagemagick[$op]} null:"
    end=$(date +%s.%N)
    echo "($end - $start) * 1000" | bc -l >> "$work/theirs"
  done
  ours=$(median < "$work/ours")
  theirs=$(median < "$work/theirs")
  printf '%-18s %12.1f %12.1f %8.2f\n' "$op" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
done
