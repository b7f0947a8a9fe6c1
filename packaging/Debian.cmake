# The Debian package: `cpack -G DEB` in a build folder (scripts/package.sh).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumio)
set(CPACK_PACKAGE_VENDOR "Lumio")
set(CPACK_PACKAGE_CONTACT "Lumio developers <lumio@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "gentle reminder to rest your eyes")
set(CPACK_PACKAGE_DESCRIPTION "Lumio lives in the system tray. Every few minutes an animal pops up in
the corner of the screen and asks you to look into the distance for a
few seconds. It follows idleness, screen lock and wake from sleep, and
can start at login. Its text is Vietnamese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries the binaries link come from dpkg-shlibdeps; plugins and helper
# programs Qt loads at run time are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-core, fonts-noto-color-emoji")
include(CPack)
