# What `cmake --install` puts where, and the Debian package `cpack -G DEB` makes of it. The
# game finds its data in share/asphaltia beside its bin/ folder, so any prefix works.
include(GNUInstallDirs)

install(TARGETS asphaltia asphaltia_worldedit asphaltia-server RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Only what the game ships: not what a game started in data/ wrote there.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/asphaltia
    PATTERN logfile.txt EXCLUDE
    PATTERN screenshots EXCLUDE)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/asphaltia.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 16 32 48 64 128 256)
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/icons/${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME asphaltia.png)
endforeach()

set(CPACK_PACKAGE_NAME asphaltia)
set(CPACK_PACKAGE_VENDOR "Asphaltia")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Top-down car racing for one to four players, with a track editor")
set(CPACK_PACKAGE_CONTACT "Asphaltia developers <dev@asphaltia.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The library packages the binaries link against, as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Debug information stays in the build; players get the lean binaries.
set(CPACK_STRIP_FILES ON)
include(CPack)
