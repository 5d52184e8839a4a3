# Wine's first run: a brand-new prefix whose first command is a pass, and one whose first command
# is the out-of-process test, each left as every later run leaves a prefix (tests/wine).
if(TARGET test_out_of_process)
  add_test(NAME wine_first_run
    COMMAND ${CMAKE_SOURCE_DIR}/tests/wine/first_run.sh $<TARGET_FILE:bwpass> $<TARGET_FILE:test_out_of_process>)
  set_tests_properties(wine_first_run PROPERTIES TIMEOUT 900
    ENVIRONMENT "WINEARCH=${QV_WINEARCH};WINEDEBUG=-all;QV_BUILD_DIR=${CMAKE_BINARY_DIR};QV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endif()
