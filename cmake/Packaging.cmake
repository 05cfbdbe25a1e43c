# `cmake --build BUILD --target package` makes quorlboard_<version>_<arch>.deb
# of what `cmake --install` puts under /usr (and the autostart entry in /etc).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quorlboard)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "QuorlBoard")
set(CPACK_PACKAGE_CONTACT "QuorlBoard developers <quorlboard@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Bulletin board and messenger for the office network")
set(CPACK_PACKAGE_DESCRIPTION "QuorlBoard is a bulletin board and peer messenger for the members of one
office network, with a Japanese user interface and no server. The board is one
XML file in a shared folder, and the members' programs tell one another about
changes, and carry short direct messages, as UDP datagrams on one port. The
package holds the resident desktop program and the command-line tool
quorlboard-cli.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://quorlboard.github.io/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# The libraries the programs link come from dpkg-shlibdeps; these are what they
# load or draw with at run time: Qt's Japanese texts, the Japanese font, the icons.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, fonts-ipafont-gothic, adwaita-icon-theme")

# dpkg keeps a changed or removed autostart entry in /etc across upgrades.
if(QUORLBOARD_SYSTEM_AUTOSTART AND QUORLBOARD_AUTOSTART_DIR MATCHES "^/etc/")
    file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "${QUORLBOARD_AUTOSTART_DIR}/quorlboard.desktop\n")
    set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
else()
    file(REMOVE ${PROJECT_BINARY_DIR}/debian/conffiles)
endif()

include(CPack)
