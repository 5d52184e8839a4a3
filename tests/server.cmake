# The COM server's tests beyond the GoogleTest programs.

# Exports and ordinals, read with the cross binutils.
if(QV_64BIT)
  set(QV_PE_FORMAT pei-x86-64)
else()
  set(QV_PE_FORMAT pei-i386)
endif()
add_test(NAME server_exports COMMAND ${CMAKE_SOURCE_DIR}/tests/server/check_exports.sh $<TARGET_FILE:QVCHBW01> ${QV_PE_FORMAT})

# Wine's regsvr32 registers the built DLL; the tests that go through COM's activation need it.
add_test(NAME server_regsvr32 COMMAND ${CMAKE_SOURCE_DIR}/tests/server/regsvr32.sh $<TARGET_FILE:QVCHBW01>)
set_tests_properties(server_regsvr32 PROPERTIES FIXTURES_REQUIRED wine FIXTURES_SETUP server_registered
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEDEBUG=-all" RESOURCE_LOCK ${QV_LOG_LOCK})
set_tests_properties(test_server PROPERTIES FIXTURES_REQUIRED "wine;server_registered")

# A late-bound client nobody here wrote: a VBScript run by Wine's cscript, with the Excel
# stand-in's sample-chart server (tools/simexcel) registered beside ours.
add_test(NAME simexcel_regsvr32 COMMAND ${CMAKE_SOURCE_DIR}/tests/server/regsvr32.sh $<TARGET_FILE:simexcel>)
set_tests_properties(simexcel_regsvr32 PROPERTIES FIXTURES_REQUIRED wine FIXTURES_SETUP simexcel_registered
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEDEBUG=-all")
add_test(NAME server_late_bound COMMAND ${CMAKE_SOURCE_DIR}/tests/server/cscript.sh
  ${CMAKE_SOURCE_DIR}/tests/server/late_bound.vbs)
set_tests_properties(server_late_bound PROPERTIES
  FIXTURES_REQUIRED "wine;server_registered;simexcel_registered"
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEDEBUG=-all" TIMEOUT 300 RESOURCE_LOCK ${QV_LOG_LOCK})

# COM's unloading of the DLL while host threads hold references of its per-thread state: a
# program of its own, so that no other load keeps the DLL in memory.
target_sources(test_unload PRIVATE ${CMAKE_SOURCE_DIR}/tests/server/ServerTestSupport.cpp)
set_tests_properties(test_unload PROPERTIES FIXTURES_REQUIRED "wine;server_registered")
