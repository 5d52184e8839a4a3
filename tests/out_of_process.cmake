# The plug-in with the Excel stand-in in its own process (tools/simexcel's local server).
if(TARGET test_out_of_process)
  target_link_libraries(test_out_of_process PRIVATE proof_support simexcel_client)
  add_dependencies(test_out_of_process QVSimExcelServer)
  # Both register the stand-in's server for their run; one at a time, so that neither takes the
  # registration away while the other is using it.
  set_property(TEST test_out_of_process APPEND PROPERTY RESOURCE_LOCK simexcel_server)
  # It takes about a minute, and four or five on a loaded machine. Three minutes in which neither
  # process uses the processor, or seven in all, are a stall (once seen on a CI machine, with no
  # word of where): scripts/wine-run then backtraces both processes into the test's output and
  # into Testing/stalls.log, which scripts/test prints whether or not the run again passes.
  set_property(TEST test_out_of_process APPEND PROPERTY ENVIRONMENT
    QV_STALL_SECONDS=180 QV_STALL_LIMIT=420 QV_STALL_RETRIES=1
    QV_STALL_LOG=${CMAKE_BINARY_DIR}/Testing/stalls.log)
endif()

# The host tool's whole pass with Excel out of process, against the same pass in process.
add_test(NAME bwpass_excel_out_of_process COMMAND ${CMAKE_SOURCE_DIR}/tests/bwpass/out_of_process.sh $<TARGET_FILE:bwpass>)
set_tests_properties(bwpass_excel_out_of_process PROPERTIES FIXTURES_REQUIRED wine
  ENVIRONMENT "WINEPREFIX=${QV_PREFIX};WINEARCH=${QV_WINEARCH};WINEDEBUG=-all" TIMEOUT 900 RESOURCE_LOCK "simexcel_server;${QV_LOG_LOCK}")
