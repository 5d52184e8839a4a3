# The built-in sample's print-ready PDF read pixel by pixel (check_printed): no coloured page, and
# the legend keys of the ten-series column chart and of the twelve-series line chart all differ.
# The prefix fixture is corpus.cmake's.
add_executable(check_printed ${QV_ROOT}/tests/office/check_printed.cpp)
target_compile_options(check_printed PRIVATE ${QV_WARNINGS})
target_link_libraries(check_printed PRIVATE render legibility)

add_test(NAME office_sample_print
  COMMAND ${QV_ROOT}/tests/office/sampleprint.sh $<TARGET_FILE:bwoffice> $<TARGET_FILE:bwsample> $<TARGET_FILE:check_printed>)
set_tests_properties(office_sample_print PROPERTIES FIXTURES_REQUIRED office_wine
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=win32;WINEDEBUG=-all" TIMEOUT 600)
