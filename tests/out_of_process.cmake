# The plug-in with the Excel stand-in in its own process (tools/simexcel's local server).
if(TARGET test_out_of_process)
  target_link_libraries(test_out_of_process PRIVATE proof_support simexcel_client)
  add_dependencies(test_out_of_process QVSimExcelServer)
endif()
