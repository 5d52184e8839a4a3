# Files of every kind end to end (slide shows and templates, a highly compressible picture, legacy
# .xls and .ppt through LibreOffice's import), through bwoffice and bwpass.exe under Wine.
add_test(NAME office_file_kinds COMMAND ${QV_ROOT}/tests/office/kinds.sh $<TARGET_FILE:bwoffice> ${QV_ROOT}/tests/office)
set_tests_properties(office_file_kinds PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/../wineprefix;WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 900)
