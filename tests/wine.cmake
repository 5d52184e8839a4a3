# Wine's first run: a brand-new prefix whose first command is a pass, and one whose first command
# is the out-of-process test, each left as every later run leaves a prefix (tests/wine).
if(TARGET test_out_of_process)
  add_test(NAME wine_first_run
    COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/first_run.sh $<TARGET_FILE:bwpass> $<TARGET_FILE:test_out_of_process>)
  set_tests_properties(wine_first_run PROPERTIES TIMEOUT 900
    ENVIRONMENT "WINEARCH=${QV_WINEARCH};WINEDEBUG=-all;QV_BUILD_DIR=${CMAKE_BINARY_DIR};QV_SOURCE_DIR=${CMAKE_SOURCE_DIR};QV_STALL_SECONDS=300")
endif()

# scripts/wine-run's stall watch, with a program that stalls on request.
add_executable(stall_probe ${CMAKE_SOURCE_DIR}/tests/wine/stall_probe.cpp)
target_compile_options(stall_probe PRIVATE ${QV_WARNINGS})
target_link_options(stall_probe PRIVATE -municode)
add_test(NAME wine_stall_watch COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/stall.sh $<TARGET_FILE:stall_probe>)
set_tests_properties(wine_stall_watch PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEDEBUG=-all")
