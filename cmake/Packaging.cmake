# A Debian package of the installed program: `cpack -G DEB` in the build tree.
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "The Quillon developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION}.0)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Copier: scan, lay out and print documents")
set(CPACK_PACKAGE_DESCRIPTION "Quillon turns a scanner and a printer into a copier: scan, open or paste a picture, place it on the sheet in millimetres, retouch it and print it in copies, tiled or as a poster.")
set(CPACK_PACKAGE_CONTACT "The Quillon developers <quillon@example.org>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
# Libraries the programs link are found by dpkg-shlibdeps; those they load at
# run time are declared by hand: SANE for the scanners (its test device
# included), Qt's platform plugins (a command without a screen draws
# offscreen) and Qt's translations (its dialogs speak French).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/lib)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsane1, qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "cups, printer-driver-cups-pdf")
include(CPack)
