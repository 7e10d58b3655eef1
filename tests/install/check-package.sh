#!/usr/bin/env bash
# The Debian package, unpacked into a temporary root as a clean system would
# install it: the programs find their plug-ins relative to themselves, the
# desktop files validate, the dependencies are declared, and the installed
# program scans from SANE's test device and prints to PDF.
#   check-package.sh BUILD_DIR
set -euo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/package" >/dev/null)
deb="$(ls "$work"/package/quillon_*.deb)"
dpkg-deb -x "$deb" "$work/root"

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libsane1 qt6-qpa-plugins qt6-translations-l10n libqt6widgets6 libqt6printsupport6 libcups2; do
  grep -q "$needed" <<<"$depends" || { echo "Depends lacks $needed: $depends"; exit 1; }
done
for file in usr/bin/quillon usr/bin/quillon-img usr/lib/quillon/libisp2000.so usr/lib/quillon/libcrde2000.so \
            usr/lib/quillon/libtwain_32.so usr/share/doc/quillon/help/index.html \
            usr/share/icons/hicolor/64x64/apps/org.example.Quillon.png; do
  [ -e "$work/root/$file" ] || { echo "missing $file"; exit 1; }
done
desktop-file-validate "$work/root/usr/share/applications/org.example.Quillon.desktop"
grep -q "^MimeType=.*image/png;" "$work/root/usr/share/applications/org.example.Quillon.desktop"
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.example.Quillon.metainfo.xml" >/dev/null

mkdir -p "$work/sane" "$work/home"
echo test >"$work/sane/dll.conf"
printf 'number_of_devices 1\nresolution 100.0\ngeometry_max 300.0\nbr_x 210.0\nbr_y 297.0\n' >"$work/sane/test.conf"
env -u LD_LIBRARY_PATH -u DISPLAY -u QT_QPA_PLATFORM HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" \
  SANE_CONFIG_DIR="$work/sane" \
  "$work/root/usr/bin/quillon" copy --resolution 50 --frame 100x50 --printer "pdf:$work/copy.pdf,dpi=300"
pdfinfo "$work/copy.pdf" | grep -Eq 'Pages:\s+1$'
"$work/root/usr/bin/quillon-img" --info "$work/root/usr/share/icons/hicolor/64x64/apps/org.example.Quillon.png" \
  | grep -q 64
echo "package ok: $(basename "$deb")"
