# bwpass end to end: the tool with the real DLL on the sample deck, a deck file, the registry
# route, a large deck and bad input.
add_test(NAME bwpass_end_to_end COMMAND ${CMAKE_SOURCE_DIR}/tests/bwpass/e2e.sh $<TARGET_FILE:bwpass>)
set_tests_properties(bwpass_end_to_end PROPERTIES FIXTURES_REQUIRED wine
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=${QV_WINEARCH};WINEDEBUG=-all;QV_BUILD_KIND=${QV_BUILD_KIND}" TIMEOUT 900
  RESOURCE_LOCK ${QV_LOG_LOCK})

# The report in a real browser, when Chromium is installed (scripts/report-check installs it).
add_test(NAME bwpass_report_in_browser
  COMMAND ${CMAKE_SOURCE_DIR}/tests/bwpass/browser.sh $<TARGET_FILE:bwpass> ${CMAKE_SOURCE_DIR})
set_tests_properties(bwpass_report_in_browser PROPERTIES FIXTURES_REQUIRED wine SKIP_RETURN_CODE 77
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=${QV_WINEARCH};WINEDEBUG=-all" TIMEOUT 900
  RESOURCE_LOCK ${QV_LOG_LOCK})
