# Installation into /usr and the Debian package (cpack -G DEB, or scripts/package.sh).
# Included last, when every program target exists.
include(GNUInstallDirs)

set(ryvo_programs ryvo)
foreach(program IN ITEMS ryvo-sim ryvo-archive)
  if(TARGET ${program})
    list(APPEND ryvo_programs ${program})
  endif()
endforeach()
install(TARGETS ${ryvo_programs} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(PROGRAMS resources/desktop/ryvo-launch DESTINATION ${CMAKE_INSTALL_BINDIR})

# The program finds its data directory at ../share/ryvo beside itself.
install(DIRECTORY ${RYVO_DATA_DIR}/ DESTINATION ${CMAKE_INSTALL_DATADIR}/ryvo)
install(FILES resources/desktop/ryvo.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES resources/desktop/ryvo.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ryvo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Ryvo maintainers <ryvo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop trainer for shooting ranges")
set(CPACK_PACKAGE_DESCRIPTION "Draws and scores each lane's target, keeps the exercise clock, \
drives target lamps, calibrates lanes and keeps an archive of results. Russian interface.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# Qt and C++ runtime libraries come from the programs' links; Qt's Russian texts, the sound
# back end's plugins and an Arial-compatible font are loaded at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-translations-l10n, libqt6multimedia6, libqt6sql6-sqlite, libqt6charts6, fonts-liberation")
include(CPack)
