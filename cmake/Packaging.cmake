# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh does it all).
# Everything goes below /usr; the library dependencies are read from the binaries.
set(CPACK_GENERATOR DEB)
# The texts below reach the package as written (quotes included).
set(CPACK_VERBATIM_VARIABLES ON)
set(CPACK_PACKAGE_NAME epub-polcaro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Epub polcaro")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Put EPUB books into one tidy collection folder")
set(CPACK_PACKAGE_DESCRIPTION
    "Epub polcaro copies or moves EPUB books into one collection folder, renamed\n"
    "\"Creator - Title\" and sorted into folders by language, creator, series and title,\n"
    "from the metadata of each book. It never overwrites a book. The interface is\n"
    "Hungarian, with an English language file. A command-line front end is included.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Epub polcaro developers <epub-polcaro@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not linked, loaded at run time: Qt's platform plugins (the X11 and Wayland windows) and the
# SVG icon engine; pkexec starts the elevated copy that writes the context-menu entries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec")
set(CPACK_STRIP_FILES ON)
# Debian's place for the copyright notice, in the machine-readable (DEP-5) format.
install(FILES ${PROJECT_SOURCE_DIR}/data/copyright DESTINATION share/doc/epub-polcaro)
include(CPack)
