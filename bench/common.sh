# Shared by the comparison scripts: source it after `set -euo pipefail`.
convert=/usr/bin/convert

# The median of the numbers on standard input, one a line.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# A photo-like 2480 x 3508 24-bit page (A4 at 300 dpi) as a BMP file: soft
# plasma with shapes and lines.
photo_page() {
  "$convert" -size 2480x3508 -seed 11 plasma:fractal -blur 0x2 \
    -fill '#3060c0' -draw 'circle 700,1000 700,500' -fill '#f0d020' -draw 'rectangle 1400,600 2200,1400' \
    -stroke black -strokewidth 12 -draw 'line 100,3300 2300,2200' -type TrueColor "BMP3:$1"
}

# Keeps LOAD busy loops (the environment's LOAD, 0 by default) running until
# stop_load, so that programs measured alternately are all measured under the
# same load.  Scripts call stop_load in their EXIT trap.
load_pids=()
start_load() {
  local i
  for ((i = 0; i < ${LOAD:-0}; i++)); do
    (while :; do :; done) &
    load_pids+=("$!")
  done
}
stop_load() { [ ${#load_pids[@]} -eq 0 ] || kill "${load_pids[@]}" 2>/dev/null || true; }
