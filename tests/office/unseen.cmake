# Office files the corpus lacks, each of which once failed (tests/office/unseen/README.md),
# through bwoffice and bwpass.exe under Wine; the prefix fixture is corpus.cmake's.
add_test(NAME office_unseen
  COMMAND ${QV_ROOT}/tests/office/unseen.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:check_converted> ${QV_ROOT}/tests/office)
set_tests_properties(office_unseen PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 600)
