# A Debian package made with `cpack -G DEB` in the build folder. Its
# dependencies come from the binary (dpkg-shlibdeps).
set(CPACK_PACKAGE_NAME ferrowax)
set(CPACK_PACKAGE_VENDOR "Team Kestrune")
set(CPACK_PACKAGE_CONTACT "Team Kestrune <support@kestrune.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find every file of chosen types under chosen folders")
set(CPACK_PACKAGE_DESCRIPTION "Ferrowax walks the folders you choose and lists the full path of every file
whose extension is on your list. The results can be narrowed by text, saved
as a text file, copied to the clipboard or opened as a spreadsheet.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Packaged apart from the program's own source, hence a Debian revision and
# a changelog.Debian.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
# xdg-open opens a result, and its folder where the desktop has no file
# manager service; the Wayland plugin gives a native window on Wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libreoffice-calc")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.kestrune.example/ferrowax/")
include(CPack)
