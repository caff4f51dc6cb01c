# Installation into the usual places under the prefix, and the Debian package built from it.
#   cmake --install build/release --prefix ~/.local
#   cpack --config build/release/CPackConfig.cmake      (or tools/package)
include(GNUInstallDirs)

set(SORTIVO_APP_ID io.github.sortivo.Sortivo)
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

configure_file(${packaging}/${SORTIVO_APP_ID}.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/packaging/${SORTIVO_APP_ID}.metainfo.xml @ONLY)

install(TARGETS sortivo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS sortivo_window sortivo_common_formats sortivo_formats
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/sortivo)
install(FILES ${packaging}/${SORTIVO_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${SORTIVO_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(DIRECTORY ${packaging}/icons/ DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sortivo)
set(CPACK_PACKAGE_VENDOR "The Sortivo developers")
set(CPACK_PACKAGE_CONTACT "The Sortivo developers <sortivo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "sort pictures into folders by typing short keys")
set(CPACK_PACKAGE_DESCRIPTION
    "Sortivo shows the pictures of a folder or a list file one at a time. A short key and\n"
    "Enter move or copy the picture on screen into the folder bound to that key, or write its\n"
    "path into a list file, and the next picture shows at once. No file is ever overwritten.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${SORTIVO_PACKAGE_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_VERSION "${SORTIVO_PACKAGE_VERSION}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries come from dpkg-shlibdeps; these are what it cannot see: the Japanese interface
# needs its fonts, and folders are shown in the file browser through xdg-open.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, xdg-utils")
# Qt's own translations put its dialogs (font, Yes/No) into the interface's language.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, qt6-translations-l10n")
include(CPack)

if(SORTIVO_BUILD_TESTS)
  add_test(NAME install_layout
           COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
                   -DPREFIX=${PROJECT_BINARY_DIR}/install-test -DAPP_ID=${SORTIVO_APP_ID}
                   -DVERSION=${PROJECT_VERSION} -DPACKAGE_VERSION=${SORTIVO_PACKAGE_VERSION}
                   -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DLIBDIR=${CMAKE_INSTALL_LIBDIR}
                   -P ${packaging}/CheckInstall.cmake)
  set_tests_properties(install_layout PROPERTIES TIMEOUT 120)
endif()
