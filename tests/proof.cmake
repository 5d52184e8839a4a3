# The robustness programs (fault injection, host misuse, fuzzing) share their deck, runs and
# checks in tests/proof, which the benchmark in tools/bench uses too.
file(GLOB QV_PROOF_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/proof/*.cpp)
add_library(proof_support STATIC ${QV_PROOF_SOURCES})
target_compile_options(proof_support PRIVATE ${QV_WARNINGS})
target_link_libraries(proof_support PUBLIC qvcore sim bwreport bwdeck)
foreach(program test_faults test_misuse test_fuzz)
  if(TARGET ${program})
    target_link_libraries(${program} PRIVATE proof_support)
  endif()
endforeach()
