# Charts behind the slides and embedded workbooks showing newer-kind charts through bwoffice --pdf
# (pages/README.md); the prefix fixture is corpus.cmake's.
add_test(NAME office_pages
  COMMAND ${QV_ROOT}/tests/office/pages.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:check_converted> ${QV_ROOT}/tests/office)
set_tests_properties(office_pages PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 600)
