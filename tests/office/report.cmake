# The sample's report through bwoffice: one count of changed properties on the console, in the
# summary and over the charts; links that lead somewhere; the order of its parts.
add_test(NAME office_report
  COMMAND ${QV_ROOT}/tests/office/report.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:bwsample>)
set_tests_properties(office_report PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/../wineprefix;WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 600)
