# cmake -DBUILD_DIR=... -DSCRATCH=... -DWITH_ARCHIVE=ON|OFF -P PackageInstall.cmake
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${SCRATCH}/pkg ${SCRATCH}/root ${SCRATCH}/home)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${rc}):\n${out}\n${err}")
  endif()
endfunction()

run(cpack --config ${BUILD_DIR}/CPackConfig.cmake -G DEB -B ${SCRATCH}/pkg)
file(GLOB debs ${SCRATCH}/pkg/ryvo_*.deb)
list(LENGTH debs count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one package, found: ${debs}")
endif()
run(dpkg-deb -x ${debs} ${SCRATCH}/root)

execute_process(COMMAND dpkg-deb -f ${debs} Depends OUTPUT_VARIABLE depends)
# The SQLite driver of the archive index is a plugin: no link names it.
foreach(dep IN ITEMS qt6-translations-l10n libqt6widgets6 libqt6serialport6 libqt6multimedia6
                     libqt6sql6-sqlite libqt6charts6)
  if(NOT depends MATCHES "${dep}")
    message(FATAL_ERROR "package does not depend on ${dep}: ${depends}")
  endif()
endforeach()

set(usr ${SCRATCH}/root/usr)
set(expected bin/ryvo bin/ryvo-sim bin/ryvo-launch share/applications/ryvo.desktop
    share/icons/hicolor/scalable/apps/ryvo.svg share/ryvo/Targets/strings.txt
    share/ryvo/Targets/1001.png share/ryvo/Targets/1001.zones.png share/ryvo/Sounds/strings.txt
    share/ryvo/Sounds/2451.wav share/ryvo/Упражнения/05-служебное.course
    share/ryvo/manual/index.html share/ryvo/manual/images/main.png
    share/doc/ryvo/copyright share/doc/ryvo/changelog.Debian.gz
    share/metainfo/dev.ryvo.ryvo.metainfo.xml share/man/ru/man1/ryvo.1.gz
    share/man/ru/man1/ryvo-launch.1.gz share/man/ru/man1/ryvo-sim.1.gz)
if(WITH_ARCHIVE)
  list(APPEND expected bin/ryvo-archive share/man/ru/man1/ryvo-archive.1.gz)
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS ${usr}/${f})
    message(FATAL_ERROR "package lacks /usr/${f}")
  endif()
endforeach()

# The manual F1 opens: a section for the windows, and every picture it shows is packaged.
file(READ ${usr}/share/ryvo/manual/index.html manual)
foreach(anchor IN ITEMS device first-start series relays courses zeroing archive card export)
  if(NOT manual MATCHES "<a name=\"${anchor}\">")
    message(FATAL_ERROR "the manual has no section \"${anchor}\"")
  endif()
endforeach()
string(REGEX MATCHALL "src=\"images/[^\"]+\"" pictures "${manual}")
list(LENGTH pictures picture_count)
if(picture_count LESS 10)
  message(FATAL_ERROR "the manual shows ${picture_count} pictures")
endif()
foreach(picture IN LISTS pictures)
  string(REGEX REPLACE "^src=\"(.*)\"$" "\\1" picture "${picture}")
  if(NOT EXISTS ${usr}/share/ryvo/manual/${picture})
    message(FATAL_ERROR "the manual shows ${picture}, which the package lacks")
  endif()
endforeach()

file(READ ${usr}/share/doc/ryvo/copyright copyright)
if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
   OR NOT copyright MATCHES "\nFiles: \\*\nCopyright: 2026 Ryvo developers\nLicense: Expat\n")
  message(FATAL_ERROR "copyright file does not give the MIT licence:\n${copyright}")
endif()

# The program names the package's version, less the packaging revision.
execute_process(COMMAND dpkg-deb -f ${debs} Version OUTPUT_VARIABLE version
                OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND ${usr}/bin/ryvo --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
string(REGEX REPLACE "-1$" "" upstream "${version}")
if(NOT rc EQUAL 0 OR NOT out STREQUAL "Ryvo ${upstream}\n" OR upstream STREQUAL version)
  message(FATAL_ERROR "package ${version}, ryvo --version (${rc}) printed: ${out}")
endif()

# The installed simulator runs on the system's libraries.
execute_process(COMMAND ${usr}/bin/ryvo-sim --help RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT err MATCHES "usage: ryvo-sim --link PATH")
  message(FATAL_ERROR "ryvo-sim --help (${rc}) printed:\n${err}")
endif()

if(WITH_ARCHIVE)
  set(archive ${SCRATCH}/archive)
  string(ASCII 13 cr)
  string(JOIN "${cr}\n" record "Sidorov" "3.4.2007 10:15" "1 0 5 0" "1   20.00" ""
         "   1.00           -2.00" "")
  file(WRITE "${archive}/2007/Апрель/Strelki.rec" "${record}")
  execute_process(COMMAND ${usr}/bin/ryvo-archive list ${archive}
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "2007\tАпрель\tStrelki\t1")
    message(FATAL_ERROR "ryvo-archive list (${rc}) printed:\n${out}\n${err}")
  endif()
endif()

# The desktop entry's launcher makes ~/Ryvo and starts Ryvo there; it keeps running until
# stopped.
file(READ ${usr}/share/applications/ryvo.desktop entry)
if(NOT entry MATCHES "\nExec=ryvo-launch\n")
  message(FATAL_ERROR "desktop entry does not start ryvo-launch:\n${entry}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E env HOME=${SCRATCH}/home ${usr}/bin/ryvo-launch
                TIMEOUT 5 RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc MATCHES "timeout")
  message(FATAL_ERROR "ryvo ended on its own (${rc}):\n${out}\n${err}")
endif()
if(NOT IS_DIRECTORY ${SCRATCH}/home/Ryvo)
  message(FATAL_ERROR "ryvo-launch did not create ~/Ryvo")
endif()
