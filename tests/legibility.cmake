# test_legibility converts charts with the plug-in's own conversion on the Excel stand-in (the
# chart conversion bench) and checks what the legibility check and the report make of them.
target_sources(test_legibility PRIVATE ${CMAKE_SOURCE_DIR}/tests/chart_conversion/Bench.cpp)
target_link_libraries(test_legibility PRIVATE bwreport legibility bwdeck)
