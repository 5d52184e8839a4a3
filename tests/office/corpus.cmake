# Office files end to end: every file of the corpus through bwoffice and bwpass.exe under Wine,
# each output checked part by part (check_converted).
add_executable(check_converted ${QV_ROOT}/tests/office/check_converted.cpp)
target_compile_options(check_converted PRIVATE ${QV_WARNINGS})
target_link_libraries(check_converted PRIVATE chartmodel)

# The cross build's prefix, one wineserver for the whole run (as in the cross build's tests).
set(QV_PREFIX ${CMAKE_BINARY_DIR}/../wineprefix)
add_test(NAME office_wine_prefix_start COMMAND ${QV_ROOT}/scripts/wine-prefix start ${QV_PREFIX})
set_tests_properties(office_wine_prefix_start PROPERTIES FIXTURES_SETUP office_wine)
add_test(NAME office_wine_prefix_stop COMMAND ${QV_ROOT}/scripts/wine-prefix stop ${QV_PREFIX})
set_tests_properties(office_wine_prefix_stop PROPERTIES FIXTURES_CLEANUP office_wine)

add_test(NAME office_corpus
  COMMAND ${QV_ROOT}/tests/office/corpus.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:check_converted> ${QV_ROOT}/tests/office)
set_tests_properties(office_corpus PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 1800)
