# The Debian package: `make package` (or `cpack -G DEB` in the build folder) makes
# nabbit_<version>-<release>_<arch>.deb from the install rules. The release number and the
# maintainer come from packaging/changelog.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME nabbit)
set(CPACK_PACKAGE_VENDOR "The Nabbit developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "copies verification codes from received messages to the clipboard")
# The extended description; CPack puts the summary above it as the synopsis.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Nabbit lives in the tray and watches the Messages database (and, when
asked to, Mail's envelope database). When a new message holds a one-time
verification code, Nabbit puts the code on the clipboard, can paste it
into the focused field, shows an overlay or a desktop notification, and
puts the previous clipboard text back afterwards.
The package also holds nabbit-parse, which finds the code in any text,
and the keyword files for English, French, Chinese, Spanish, German and
Portuguese.")

set(CPACK_DEBIAN_PACKAGE_RELEASE ${NABBIT_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${NABBIT_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# dpkg-shlibdeps reads the libraries the programs link; Qt's X11 platform plugin, which Qt
# loads at run time, ships in libqt6gui6, which the programs link anyway.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The menu items start with emoji; folders are opened with xdg-open when no file manager
# answers over D-Bus.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-color-emoji, xdg-utils")

include(CPack)
