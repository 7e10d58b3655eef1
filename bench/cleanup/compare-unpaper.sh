#!/usr/bin/env bash
# Straightens, crops and whitens crooked A4 scans at 300 dpi with
# cleanup_bench and with unpaper, alternately, and prints for each page the
# angle each one measured, their errors and their times, then the mean
# errors and the ratio of the median times ours / unpaper (below 1: we are
# faster), as Markdown tables.
#   bench/cleanup/compare-unpaper.sh BUILD/bin/cleanup_bench [ROUNDS]
#
# The pages (cleanup_bench scene): a text page and a photo on cream paper,
# 1800 x 2500 pixels, turned by known angles and laid off-centre on a white
# lid, 24-bit PPM.  unpaper runs with its deskew range widened to 15 degrees
# (its default is 5) and without its black, noise and blur filters, leaving
# what matches our three operations: deskew, mask and border scan (its
# crop), grey filter (its whitening).  It runs twice: with its default
# deskew edges (left and right) and with the left edge only, which suits the
# ragged right margin of the text page.  Times are whole processes (each
# reads and writes a 26 MB PPM); ours is also given as cleanup_bench
# measures the three operations alone.
set -euo pipefail
tool="$(realpath "${1:?usage: $0 path/to/cleanup_bench [rounds]}")"
rounds="${2:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../common.sh"
cd "$work"

angles=(-12 -7.5 -3 -0.8 2.2 5 9.3 12)
unpaper_options=(-v -dr 15 --no-blackfilter --no-noisefilter --no-blurfilter --overwrite)
now() { date +%s.%N; }
# unpaper prints its rotation in radians ("rotate (x,y): r"), 0 when it declines to turn the page.
unpaper_angle() { awk '/^rotate/ { r = $NF } END { printf "%.4f", (r == "" ? 0 : r) * 180 / 3.14159265358979 }'; }
abs() { echo "$1" | awk '{ print ($1 < 0 ? -$1 : $1) }'; }

: >all.ours.wall >all.ours.inner >all.theirs.wall >errors
echo "| page | angle | ours | error | unpaper (left, right) | error | unpaper (left) | error | ours (s) | ours alone (s) | unpaper (s) |"
echo "|---|---|---|---|---|---|---|---|---|---|---|"
for content in text photo; do
  for angle in "${angles[@]}"; do
    "$tool" scene "$content" "$angle" 255 page.ppm 2>/dev/null
    : >ours.wall >ours.inner >theirs.wall
    for ((i = 0; i < rounds; i++)); do
      start=$(now); read -r ours inner < <("$tool" clean page.ppm ours.ppm 2>/dev/null); end=$(now)
      echo "$end - $start" | bc >>ours.wall; echo "$inner" >>ours.inner
      start=$(now); theirs=$(unpaper "${unpaper_options[@]}" page.ppm theirs.ppm 2>&1 | unpaper_angle); end=$(now)
      echo "$end - $start" | bc >>theirs.wall
    done
    left=$(unpaper "${unpaper_options[@]}" -dn left page.ppm theirs.ppm 2>&1 | unpaper_angle)
    e1=$(abs "$(echo "$ours - $angle" | bc -l)"); e2=$(abs "$(echo "$theirs - $angle" | bc -l)"); e3=$(abs "$(echo "$left - $angle" | bc -l)")
    echo "$e1 $e2 $e3" >>errors
    a=$(median <ours.wall); b=$(median <ours.inner); c=$(median <theirs.wall)
    echo "$a" >>all.ours.wall; echo "$b" >>all.ours.inner; echo "$c" >>all.theirs.wall
    printf '| %s | %s | %.4f | %.4f | %.4f | %.4f | %.4f | %.4f | %.2f | %.2f | %.2f |\n' "$content" "$angle" "$ours" "$e1" \
      "$theirs" "$e2" "$left" "$e3" "$a" "$b" "$c"
  done
done

echo
echo "| | ours | unpaper (left, right) | unpaper (left) |"
echo "|---|---|---|---|"
awk '{ a += $1; b += $2; c += $3; if ($1 > ma) ma = $1; if ($2 > mb) mb = $2; if ($3 > mc) mc = $3 }
     END { printf "| mean angle error (°) | %.4f | %.3f | %.3f |\n| largest angle error (°) | %.4f | %.3f | %.3f |\n", a / NR, b / NR, c / NR, ma, mb, mc }' errors
a=$(median <all.ours.wall); b=$(median <all.ours.inner); c=$(median <all.theirs.wall)
printf '| median time (s) | %.2f (%.2f alone) | %.2f | |\n' "$a" "$b" "$c"
printf '| time ratio ours / unpaper | %.2f (%.2f alone) | | |\n' "$(echo "$a / $c" | bc -l)" "$(echo "$b / $c" | bc -l)"
