# `cpack -G DEB` (scripts/package) turns the install tree into a Debian 12 package.
set(CPACK_PACKAGE_NAME zentaro)
set(CPACK_PACKAGE_VENDOR "Zentaro")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${ZENTARO_REVISION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps many files inside one library file")
set(CPACK_PACKAGE_DESCRIPTION
    "Zentaro keeps documents, pictures, audio and video inside one library file,\n"
    "each with descriptive fields to search and sort by, previews pictures and\n"
    "media, and extracts files to open them with their usual application.\n"
    "The command-line tool znt scripts a library without a screen.")
set(CPACK_PACKAGE_CONTACT "Zentaro maintainers <zentaro@localhost>")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps finds the packages of the libraries the programs load (Qt,
# SQLite, libsodium); libqt6gui6 brings the xcb platform plugin along, and
# libqt6multimedia6 the FFmpeg one once the previews link it.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The toolbar pictures are SVG, drawn by Qt's SVG icon plugin, which no
# program links and shlibdeps therefore cannot see.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "shared-mime-info, desktop-file-utils, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-image-formats-plugins")

include(CPack)
