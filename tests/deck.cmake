# test_deck tests the host tool's deck model, deck files and report, which live in tools/deckmodel,
# tools/deck and tools/report.
target_link_libraries(test_deck PRIVATE bwreport bwdeck)
target_include_directories(test_deck SYSTEM PRIVATE ${CMAKE_BINARY_DIR}/json-include)
