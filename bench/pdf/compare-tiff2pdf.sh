#!/usr/bin/env bash
# Prints a black-and-white A4 text page at 300 dpi to PDF with pdf_bench and
# with libtiff's tools (tiffcp -c g4, then tiff2pdf: the usual way to make a
# G4 PDF of a scan), alternately, and prints the median times, the file
# sizes and the ratios ours / libtiff (below 1: we are smaller or faster),
# as a Markdown table.  Both PDFs must give back the page's pixels.  Our
# time is given twice: the whole process (most of it loading Qt) and the
# printing alone as pdf_bench measures it (reading the page included); the
# libtiff tools start in a few milliseconds.
#   bench/pdf/compare-tiff2pdf.sh BUILD/bin/pdf_bench [ROUNDS]
set -euo pipefail
tool="$(realpath "${1:?usage: $0 path/to/pdf_bench [rounds]}")"
rounds="${2:-7}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
. "$(dirname "$0")/../common.sh"
cd "$work"

"$tool" page page.pbm
"$convert" page.pbm -compress none page.tif

seconds() { local start end; start=$(date +%s.%N); "$@" >/dev/null 2>&1 || return 1; end=$(date +%s.%N); echo "$end - $start" | bc; }
peer() { tiffcp -c g4 page.tif g4.tif && tiff2pdf -o theirs.pdf g4.tif; }

: >ours.times >ours.inner >theirs.times
ours() { "$tool" pdf page.pbm ours.pdf >>ours.inner; }
for ((i = 0; i < rounds; i++)); do
  seconds ours >>ours.times || { echo "pdf_bench failed" >&2; exit 1; }
  seconds peer >>theirs.times || { echo "tiffcp | tiff2pdf failed" >&2; exit 1; }
done

# Both files must hold the page exactly, as one 1-bit G4 picture at 300 dpi.
for pdf in ours theirs; do
  pdfimages -list "$pdf.pdf" | awk 'NR == 3 { print "  '"$pdf"':", $4 "x" $5, $6, $8 " bpc", $9, $13 " ppi" }' >&2
  pdfimages -png "$pdf.pdf" "$pdf"
  "$convert" "$pdf-000.png" -depth 8 gray:"$pdf.gray"
done
"$convert" page.pbm -depth 8 gray:page.gray
cmp -s page.gray ours.gray || { echo "our PDF does not hold the page's pixels" >&2; exit 1; }
cmp -s page.gray theirs.gray || { echo "libtiff's PDF does not hold the page's pixels" >&2; exit 1; }

a=$(median <ours.times)
i=$(median <ours.inner)
b=$(median <theirs.times)
sa=$(stat -c %s ours.pdf)
sb=$(stat -c %s theirs.pdf)
echo "| page | ours, process (s) | ours, printing (s) | tiffcp + tiff2pdf (s) | time ratio process / printing | ours (bytes) | tiff2pdf (bytes) | size ratio |"
echo "|---|---|---|---|---|---|---|---|"
printf '| A4 text, 1 bit, 300 dpi | %.3f | %.3f | %.3f | %.2f / %.2f | %d | %d | %.3f |\n' "$a" "$i" "$b" \
  "$(echo "$a / $b" | bc -l)" "$(echo "$i / $b" | bc -l)" "$sa" "$sb" "$(echo "$sa / $sb" | bc -l)"
