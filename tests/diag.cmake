# A small DLL made of the diagnostic code, which test_services loads to show that the module
# identity names the loaded DLL and not the program that loaded it.
add_library(diagprobe SHARED ${CMAKE_SOURCE_DIR}/tests/probe_dll/Probe.cpp)
set_target_properties(diagprobe PROPERTIES PREFIX "" OUTPUT_NAME diagprobe)
target_compile_options(diagprobe PRIVATE ${QV_WARNINGS})
target_link_libraries(diagprobe PRIVATE qvcore)
add_dependencies(test_services diagprobe)
