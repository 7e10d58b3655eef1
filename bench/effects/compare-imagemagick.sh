#!/usr/bin/env bash
# Times each effect export against its ImageMagick counterpart on the same
# 2480 x 3508 24-bit page (A4 at 300 dpi), both reading and writing BMP,
# alternately, and prints the median ratio ours / ImageMagick per pair as a
# Markdown table.  Below 1 means we are faster.
#   compare-imagemagick.sh ISP_APPLY [ROUNDS]
set -euo pipefail
tool="$1"
rounds="${2:-5}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../common.sh"

photo_page "$work/page.bmp"

# name | our export and values | ImageMagick options
pairs=(
  "blur|Blur 3|-blur 0x3"
  "paint|OilPainting 3|-paint 3"
  "emboss|Engrave 2|-emboss 2"
  "edge|Edge 10|-edge 1"
  "sharpen|Better 3|-sharpen 0x1"
  "despeckle|PixelFix 0|-despeckle"
  "implode|PinchHole -10|-implode 0.5"
  "swirl|Whirl 90|-swirl 90"
  "wave|Wave 250 200 1 1 0|-wave 25x200"
  "noise|Noise 0 0 20 20 20|+noise Uniform"
  "motion-blur|Motion 10 10 3|-motion-blur 0x4+10"
  "distort Polar|RecToPolar 0 0 0 0|-distort Polar 0"
  "spread|Spray 3 1|-spread 3"
  "threshold|ThresholdDib 120 0|-threshold 47%"
  "modulate|ilHueAndSaturation 1 1 1 1 1 1 30 20 0|-modulate 100,120,117"
  "normalize|AutoContrast|-normalize"
  "colorspace Gray|GrayArea|-colorspace Gray"
  "rotate|ILRotate 30 15790320|-background #f0f0f0 -rotate 30"
  "flip|ILMirror 1 0|-flip"
  "negate|ILInvert|-negate"
  "gamma|ILGamma 20|-gamma 2"
  "resize|ScaleDib 1240 1754|-resize 50%"
  "colors 64 Floyd|ILReduceColors 64 4|-colors 64 -dither FloydSteinberg"
  "ordered-dither|HToneImage 4 45 0|-colorspace Gray -ordered-dither h4x4a"
)

seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1 || return 1; end=$(date +%s.%N); echo "$end - $start" | bc; }

echo "| ImageMagick | ours | ours (s) | ImageMagick (s) | ratio |"
echo "|---|---|---|---|---|"
for pair in "${pairs[@]}"; do
  IFS='|' read -r name ours theirs <<<"$pair"
  : >"$work/ours" >"$work/theirs"
  for ((i = 0; i < rounds; i++)); do
    # shellcheck disable=SC2086
    seconds "$tool" "$work/page.bmp" "$work/ours.bmp" $ours >>"$work/ours"
    # shellcheck disable=SC2086
    seconds "$convert" "$work/page.bmp" $theirs "BMP3:$work/theirs.bmp" >>"$work/theirs"
  done
  a=$(median <"$work/ours")
  b=$(median <"$work/theirs")
  printf '| %s | %s | %.2f | %.2f | %.2f |\n' "$name" "${ours%% *}" "$a" "$b" "$(echo "$a / $b" | bc -l)"
done
