# GoogleTest from Debian's sources, built with the cross compiler.
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

set(QV_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)

# One private Wine prefix for the build tree, created once, with one persistent wineserver
# for the whole run so that every test program starts quickly: 32-bit for the 32-bit build,
# 64-bit for the 64-bit one.
add_test(NAME wine_prefix_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix start ${QV_PREFIX} ${QV_WINEARCH})
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine)
add_test(NAME wine_prefix_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix stop ${QV_PREFIX})
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

# The plug-in's log takes its settings from HKCU\Software\Veltrane\Orvane\Log and sends its
# lines to a debugger tool found in the running object table; in our one prefix both are shared
# by every program running in it. A test that switches the file log on for itself
# (sim::LogCapture, bwpass) has its settings overwritten or taken away by another test doing the
# same, test_log's debugger stand-in takes the lines of any program logging meanwhile, and lines
# of the DLL logged elsewhere land in a capture of QV_QVCHBW01.log. So every test that runs the
# plug-in's code holds this lock: ctest -j runs them one at a time, and the rest beside them.
set(QV_LOG_LOCK plugin_log)

# A test program whose processes use no processor time for three minutes is stalled, and so is
# one still running just below ctest's time limit: scripts/wine-run backtraces the prefix's
# threads into the test's output and ends it, before ctest's time limit ends it without a word.
set(QV_STALL_SECONDS 180)
set(QV_STALL_LIMIT 780)

# qv_add_wine_test(name SOURCES... [LIBS ...]): a GoogleTest program run under Wine.
function(qv_add_wine_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_compile_options(${name} PRIVATE ${QV_WARNINGS})
  target_link_libraries(${name} PRIVATE qvcore sim GTest::gtest GTest::gmock ${T_LIBS})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine
    ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEDEBUG=-all;QV_BUILD_DIR=${CMAKE_BINARY_DIR};QV_SOURCE_DIR=${CMAKE_SOURCE_DIR};QV_STALL_SECONDS=${QV_STALL_SECONDS};QV_STALL_LIMIT=${QV_STALL_LIMIT}"
    TIMEOUT 900)
  set_property(TEST ${name} APPEND PROPERTY RESOURCE_LOCK ${QV_LOG_LOCK})
endfunction()

# Every tests/test_*.cpp is its own test program, with gtest_main; a subsystem that needs more
# than one file puts the rest in tests/<name>/ and they are linked in.
file(GLOB QV_TEST_MAINS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/test_*.cpp)
foreach(src ${QV_TEST_MAINS})
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "^test_" "" stem ${name})
  file(GLOB extra CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${stem}/*.cpp)
  qv_add_wine_test(${name} SOURCES ${src} ${extra} LIBS GTest::gtest_main)
endforeach()

# Tests that need more than the pattern above describe themselves in tests/*.cmake.
file(GLOB QV_TEST_EXTRAS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*.cmake)
foreach(extra ${QV_TEST_EXTRAS})
  include(${extra})
endforeach()
