#!/usr/bin/env bash
# Copy latency: a 300-dpi colour A4 page from SANE's test device to a PDF,
#   ours:  quillon copy (scan through our source manager, compose, print to PDF)
#   peer:  scanimage --format=tiff | tiff2pdf
# and the ten pages of its feeder to one PDF,
#   ours:  quillon copy --all-pages
#   peer:  scanimage --batch, tiffcp, tiff2pdf
# run alternately ROUNDS times (default 7) after one warm-up each; prints the
# medians, the ratio ours / peer and both peak memories (maximum resident set).
#   bench/copy/compare-scanimage.sh [BUILD_DIR] [ROUNDS]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../common.sh"
build="${1:-$here/../../build}"
rounds="${2:-7}"
quillon="$build/bin/quillon"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/sane"
echo test >"$work/sane/dll.conf"
printf 'number_of_devices 1\nresolution 300.0\ngeometry_max 300.0\nbr_x 210.0\nbr_y 297.0\n' >"$work/sane/test.conf"
export SANE_CONFIG_DIR="$work/sane" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
unset DISPLAY

ours() {
  "$quillon" copy --mode color --resolution 300 --frame a4 --fit --printer "pdf:$work/ours.pdf,dpi=300" 2>/dev/null
}
peer() {
  scanimage -d test --mode Color --resolution 300 -x 209 -y 296 --format=tiff 2>/dev/null >"$work/peer.tif"
  tiff2pdf -o "$work/peer.pdf" "$work/peer.tif"
}
ours_feeder() {
  "$quillon" copy --all-pages --mode color --resolution 300 --frame a4 --fit \
    --printer "pdf:$work/ours-feeder.pdf,dpi=300" 2>/dev/null
}
peer_feeder() {
  rm -f "$work"/page-*.tif
  scanimage -d test --source "Automatic Document Feeder" --mode Color --resolution 300 -x 209 -y 296 \
    --format=tiff --batch="$work/page-%02d.tif" 2>/dev/null || true
  tiffcp "$work"/page-*.tif "$work/feeder.tif"
  tiff2pdf -o "$work/peer-feeder.pdf" "$work/feeder.tif"
  rm -f "$work/feeder.tif"
}
# Seconds and peak kilobytes of one run of a function, through GNU time.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" bash -c "$(declare -f "$1"); $(declare -p quillon work); export SANE_CONFIG_DIR; $1"
  cat "$work/time"
}
# One table row: ROUNDS alternate runs of our function and the peer's.
row() {
  local label="$1" mine="$2" theirs="$3"
  "$mine" >/dev/null; "$theirs" >/dev/null
  : >"$work/ours.times"; : >"$work/peer.times"
  for _ in $(seq "$rounds"); do
    measure "$mine" >>"$work/ours.times"
    measure "$theirs" >>"$work/peer.times"
  done
  local ours_s ours_kb peer_s peer_kb
  ours_s="$(cut -d' ' -f1 "$work/ours.times" | median)"; ours_kb="$(cut -d' ' -f2 "$work/ours.times" | sort -g | tail -1)"
  peer_s="$(cut -d' ' -f1 "$work/peer.times" | median)"; peer_kb="$(cut -d' ' -f2 "$work/peer.times" | sort -g | tail -1)"
  awk -v l="$label" -v o="$ours_s" -v p="$peer_s" -v om="$ours_kb" -v pm="$peer_kb" \
    'BEGIN { printf "| %s | %.2f | %.2f | %.2f | %.0f | %.0f |\n", l, o, p, o / p, om / 1024, pm / 1024 }'
}

echo "| copy to PDF, median of $rounds rounds | ours (s) | scanimage + libtiff tools (s) | ratio | ours peak (MB) | peer peak (MB) |"
echo "|---|---:|---:|---:|---:|---:|"
row "one 300-dpi colour A4 page" ours peer
row "the feeder's 10 pages, 300-dpi colour A4" ours_feeder peer_feeder
