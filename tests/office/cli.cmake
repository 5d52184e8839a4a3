# The command line end to end: --version, --help, -o checked before converting, and what an
# interrupted run leaves behind, through bwoffice and bwpass.exe under Wine.
add_test(NAME office_cli
  COMMAND ${QV_ROOT}/tests/office/cli.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:bwsample> ${QV_ROOT})
set_tests_properties(office_cli PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/../wineprefix;WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 900)
