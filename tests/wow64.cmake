# The 32-bit build's programs in a 64-bit prefix, as on a 64-bit Windows (WOW64): the 32-bit DLL
# registers under Wow6432Node (the 32-bit registry view), its server and plug-in tests and the
# host pass run as on a 32-bit system, and each DLL reads HKLM's log switches in its own view.
# A prefix of its own: both DLLs share the type library's and the interfaces' keys, which the
# registration tests of each expect to own.
if(QV_64BIT AND QV_X86_BUILD)
  set(QV_WOW64_PREFIX ${CMAKE_BINARY_DIR}/wow64prefix)
  set(QV_WOW64_ENV "WINEPREFIX=${QV_WOW64_PREFIX};WINEARCH=win64;WINEDEBUG=-all;QV_BUILD_DIR=${QV_X86_BUILD};QV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  add_test(NAME wow64_prefix_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix start ${QV_WOW64_PREFIX} win64)
  add_test(NAME wow64_prefix_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix stop ${QV_WOW64_PREFIX})
  set_tests_properties(wow64_prefix_start PROPERTIES FIXTURES_SETUP wow64)
  set_tests_properties(wow64_prefix_stop PROPERTIES FIXTURES_CLEANUP wow64)

  add_test(NAME wow64_regsvr32 COMMAND ${CMAKE_SOURCE_DIR}/tests/server/regsvr32.sh ${QV_X86_BUILD}/QVCHBW01.dll)
  set_tests_properties(wow64_regsvr32 PROPERTIES FIXTURES_REQUIRED wow64 FIXTURES_SETUP wow64_registered
    ENVIRONMENT "${QV_WOW64_ENV}")
  add_test(NAME wow64_registry_view COMMAND ${CMAKE_SOURCE_DIR}/tests/wow64/registry_view.sh ${QV_X86_BUILD}/QVCHBW01.dll)
  set_tests_properties(wow64_registry_view PROPERTIES FIXTURES_REQUIRED "wow64;wow64_registered"
    ENVIRONMENT "${QV_WOW64_ENV}")

  # The 32-bit test programs that go through COM's activation, the registry and the log.
  foreach(program test_server test_unload test_plugin test_log test_services)
    add_test(NAME wow64_${program} COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-run ${QV_X86_BUILD}/${program}.exe --gtest_brief=1)
    set_tests_properties(wow64_${program} PROPERTIES FIXTURES_REQUIRED "wow64;wow64_registered"
      ENVIRONMENT "${QV_WOW64_ENV}" TIMEOUT 900 RESOURCE_LOCK wow64_log)
  endforeach()
  add_test(NAME wow64_bwpass_end_to_end COMMAND ${CMAKE_SOURCE_DIR}/tests/bwpass/e2e.sh ${QV_X86_BUILD}/bwpass.exe)
  set_tests_properties(wow64_bwpass_end_to_end PROPERTIES FIXTURES_REQUIRED "wow64;wow64_registered"
    ENVIRONMENT "${QV_WOW64_ENV};QV_BUILD_KIND=x86" TIMEOUT 900 RESOURCE_LOCK wow64_log)
  add_test(NAME wow64_log_view
    COMMAND ${CMAKE_SOURCE_DIR}/tests/wow64/log_view.sh ${QV_X86_BUILD}/bwpass.exe $<TARGET_FILE:bwpass>)
  set_tests_properties(wow64_log_view PROPERTIES FIXTURES_REQUIRED wow64
    ENVIRONMENT "${QV_WOW64_ENV}" TIMEOUT 600 RESOURCE_LOCK wow64_log)
endif()
