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

# The Debian package's version: the project's (with the commits since its release) and the
# packaging revision.
set(RYVO_DEB_VERSION ${RYVO_VERSION}-1)

# Documents with the version filled in, gzipped here (-n: no name or time inside, so a build
# gives the same bytes every time). configure_file makes a changed source configure again.
set(ryvo_doc ${CMAKE_BINARY_DIR}/doc)
configure_file(resources/debian/changelog.in ${ryvo_doc}/changelog.Debian @ONLY)
configure_file(resources/desktop/ryvo.metainfo.xml.in ${ryvo_doc}/dev.ryvo.ryvo.metainfo.xml
               @ONLY)
set(ryvo_gzipped ${ryvo_doc}/changelog.Debian)
set(ryvo_pages ${ryvo_doc}/man/ryvo-launch.1.gz)
foreach(page IN LISTS ryvo_programs)
  configure_file(resources/man/${page}.1 ${ryvo_doc}/man/${page}.1 @ONLY)
  list(APPEND ryvo_gzipped ${ryvo_doc}/man/${page}.1)
  list(APPEND ryvo_pages ${ryvo_doc}/man/${page}.1.gz)
endforeach()
foreach(file IN LISTS ryvo_gzipped)
  execute_process(COMMAND gzip -9 -n -c ${file} OUTPUT_FILE ${file}.gz RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip ${file} failed (${rc})")
  endif()
endforeach()
# ryvo-launch is described on ryvo's page.
file(CREATE_LINK ryvo.1.gz ${ryvo_doc}/man/ryvo-launch.1.gz SYMBOLIC)

install(FILES resources/debian/copyright ${ryvo_doc}/changelog.Debian.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ryvo)
install(FILES ${ryvo_doc}/dev.ryvo.ryvo.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${ryvo_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/ru/man1)
install(FILES resources/debian/lintian-overrides DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides
        RENAME ryvo)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ryvo)
set(CPACK_PACKAGE_VERSION ${RYVO_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_CONTACT "Ryvo developers <ryvo@ryvo.dev>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop trainer for shooting ranges")
set(CPACK_PACKAGE_DESCRIPTION "\
Ryvo follows the aiming point and the trigger of one to five training
weapons on a shooting range. It draws and scores each lane's target, keeps
the exercise clock, switches the target lamps, runs courses of fire, zeroes
and calibrates the lanes and keeps an archive of results with export.
The package also holds a device simulator (ryvo-sim) and a command-line
reader of the archive (ryvo-archive). The interface is in Russian.")
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
