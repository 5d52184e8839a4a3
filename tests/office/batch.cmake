# Batches end to end (a folder with a refused file and a nested folder, -j 2, the index) and the
# same file converted twice to the same bytes, through bwoffice and bwpass.exe under Wine.
add_test(NAME office_batch
  COMMAND ${QV_ROOT}/tests/office/batch.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:bwsample> ${QV_ROOT}/tests/office)
set_tests_properties(office_batch PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/../wineprefix;WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 900)
