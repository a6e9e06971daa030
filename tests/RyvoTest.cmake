# ryvo_test(name LABEL unit|widget|e2e SOURCES ... DEPS ...)
# One CTest test per test case ("<name>.<Suite>.<Case>"), so a failing case is named. Each
# case starts in an emptied directory of its own (the start directory), on Qt's offscreen
# platform, with a time-out by label.
include(GoogleTest)
set(RYVO_TEST_RUNNER ${CMAKE_CURRENT_LIST_DIR}/RunInFreshDir.cmake)
set(RYVO_TEST_PCH_ANCHOR ${CMAKE_CURRENT_LIST_DIR}/support/PchAnchor.cpp)

# Test code is compiled without optimisation: it spends its time in the libraries, which keep
# the build type's flags, and the compiler spends half its time on optimising test bodies.
# The headers nearly every test file reads are precompiled once per test program.
set(RYVO_TEST_PCH_UNIT <gtest/gtest.h> <QByteArray> <QDir> <QFile> <QImage> <QString>
    <algorithm> <array> <cstdint> <functional> <memory> <optional> <vector>)
set(RYVO_TEST_PCH_WIDGET ${RYVO_TEST_PCH_UNIT} <QApplication> <QGroupBox> <QLabel>
    <QPushButton> <QWidget>)
function(ryvo_test_optimise name)
  if(MSVC)
    target_compile_options(${name} PRIVATE /Od)
  else()
    # A header that cannot be used fails the build instead of being parsed silently.
    target_compile_options(${name} PRIVATE -O0 -Winvalid-pch)
  endif()
endfunction()

# The precompiled headers are built once for all test programs of a kind (each took as long
# to build as several test files), by a holder compiled with the same flags.
function(ryvo_test_pch_holder label main)
  set(holder ryvo_test_pch_${label})
  if(TARGET ${holder})
    return()
  endif()
  add_library(${holder} OBJECT ${RYVO_TEST_PCH_ANCHOR})
  ryvo_test_optimise(${holder})
  target_link_libraries(${holder} PRIVATE ${main})
  if(label STREQUAL "unit")
    target_precompile_headers(${holder} PRIVATE ${RYVO_TEST_PCH_UNIT})
  else()
    target_precompile_headers(${holder} PRIVATE ${RYVO_TEST_PCH_WIDGET})
  endif()
endfunction()

function(ryvo_test_compile name label)
  ryvo_test_optimise(${name})
  if(label STREQUAL "unit")
    ryvo_test_pch_holder(unit ryvo_test_main)
    target_precompile_headers(${name} REUSE_FROM ryvo_test_pch_unit)
  else()
    ryvo_test_pch_holder(widget ryvo_test_main_ui)
    target_precompile_headers(${name} REUSE_FROM ryvo_test_pch_widget)
  endif()
endfunction()

function(ryvo_test name)
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  ryvo_test_compile(${name} ${ARG_LABEL})
  # Logic tests link no widgets: a QGuiApplication main, and the link closure is checked.
  if(ARG_LABEL STREQUAL "unit")
    target_link_libraries(${name} PRIVATE ryvo_test_main ${ARG_DEPS})
    ryvo_widget_free(${name})
  else()
    target_link_libraries(${name} PRIVATE ryvo_test_main_ui ${ARG_DEPS})
  endif()
  set(run_dir ${CMAKE_BINARY_DIR}/tests/run/${name})
  # Listing and running the cases both go through the runner, which also sets their
  # environment (a list-valued ENVIRONMENT does not survive test discovery).
  set_target_properties(${name} PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/bin
    CROSSCOMPILING_EMULATOR "${CMAKE_COMMAND};-DDIR=${run_dir};-DBIN_DIR=${CMAKE_BINARY_DIR}/bin;-DDATA_DIR=${RYVO_DATA_DIR};-P;${RYVO_TEST_RUNNER};--")
  if(ARG_LABEL STREQUAL "unit")
    set(timeout 120)
  elseif(ARG_LABEL STREQUAL "widget")
    set(timeout 240)
  else()
    set(timeout 600)
  endif()
  gtest_discover_tests(${name}
    TEST_PREFIX "${name}."
    DISCOVERY_TIMEOUT 120
    PROPERTIES
      LABELS ${ARG_LABEL}
      TIMEOUT ${timeout})
endfunction()
