# test_deck tests the host tool's deck files and report, which live in tools/bwpass (bwdeck).
target_link_libraries(test_deck PRIVATE bwdeck)
target_include_directories(test_deck SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/json-include)
