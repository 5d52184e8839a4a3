# Embedded Excel objects in PowerPoint's forms through bwoffice --pdf (oleforms/README.md); the
# prefix fixture is corpus.cmake's.
add_test(NAME office_printout
  COMMAND ${QV_ROOT}/tests/office/printout.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:check_converted> ${QV_ROOT}/tests/office)
set_tests_properties(office_printout PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 600)
