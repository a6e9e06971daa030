# RYVO_VERSION: the project's version, and for a git checkout with commits after the release
# tag v<version> the distance and commit as well ("0.1.0+12.g1a2b3c4"; Debian sorts it after
# 0.1.0 and before the next release). Without the tag every commit counts from the start; a
# source tree without git has the plain version.
set(RYVO_VERSION ${PROJECT_VERSION})
find_package(Git QUIET)
if(GIT_FOUND)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --git-dir --git-common-dir
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE git_rc
                  OUTPUT_VARIABLE git_dirs ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
endif()
if(GIT_FOUND AND git_rc EQUAL 0)
  execute_process(COMMAND ${GIT_EXECUTABLE} describe --tags --long --match v${PROJECT_VERSION}
                  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} RESULT_VARIABLE described
                  OUTPUT_VARIABLE description ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(described EQUAL 0 AND description MATCHES "-([0-9]+)-(g[0-9a-f]+)$")
    set(ryvo_distance ${CMAKE_MATCH_1})
    set(ryvo_commit ${CMAKE_MATCH_2})
  else()
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-list --count HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE ryvo_distance
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse --short HEAD
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE ryvo_commit
                    ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(ryvo_commit g${ryvo_commit})
  endif()
  if(ryvo_distance MATCHES "^[1-9][0-9]*$" AND ryvo_commit MATCHES "^g[0-9a-f]+$")
    set(RYVO_VERSION ${PROJECT_VERSION}+${ryvo_distance}.${ryvo_commit})
  endif()
  # A new commit or tag configures again, so the version follows the checkout.
  string(REPLACE "\n" ";" git_dirs "${git_dirs}")
  foreach(dir IN LISTS git_dirs)
    cmake_path(ABSOLUTE_PATH dir BASE_DIRECTORY ${PROJECT_SOURCE_DIR})
    foreach(file IN ITEMS HEAD packed-refs logs/HEAD)
      if(EXISTS ${dir}/${file})
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dir}/${file})
      endif()
    endforeach()
  endforeach()
endif()
message(STATUS "Ryvo version ${RYVO_VERSION}")
