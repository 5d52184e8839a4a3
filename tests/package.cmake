# The installers (scripts/package), each through its whole life under Wine in a prefix of its own
# kind (tests/package/roundtrip.sh): the x86 package on a 32-bit and on a 64-bit Windows, the x64
# package on a 64-bit one. The 64-bit build makes both packages: the 32-bit build is beside it.
if(QV_64BIT AND QV_X86_BUILD)
  set(QV_PACKAGES ${CMAKE_BINARY_DIR}/package)
  add_test(NAME package_x86_msi COMMAND ${CMAKE_COMMAND} -E env QV_PACKAGE_ARCHS=x86
    QV_PACKAGE_DLL=${QV_X86_BUILD}/QVCHBW01.dll ${CMAKE_SOURCE_DIR}/scripts/package ${QV_PACKAGES})
  add_test(NAME package_x64_msi COMMAND ${CMAKE_COMMAND} -E env QV_PACKAGE_ARCHS=x64
    QV_PACKAGE_DLL=$<TARGET_FILE:QVCHBW01> ${CMAKE_SOURCE_DIR}/scripts/package ${QV_PACKAGES})
  set_tests_properties(package_x86_msi package_x64_msi PROPERTIES FIXTURES_SETUP packages)

  foreach(arch win32 win64)
    set(prefix ${QV_PACKAGES}/prefix-${arch})
    add_test(NAME package_prefix_${arch}_start COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix start ${prefix} ${arch})
    add_test(NAME package_prefix_${arch}_stop COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix stop ${prefix})
    set_tests_properties(package_prefix_${arch}_start PROPERTIES FIXTURES_SETUP package_${arch})
    set_tests_properties(package_prefix_${arch}_stop PROPERTIES FIXTURES_CLEANUP package_${arch})
  endforeach()

  #    test name | package | prefix | host tool of the package's bitness
  foreach(row "package_x86_roundtrip|x86|win32|${QV_X86_BUILD}/bwpass.exe"
              "package_x64_roundtrip|x64|win64|$<TARGET_FILE:bwpass>"
              "package_x86_on_win64_roundtrip|x86|win64|${QV_X86_BUILD}/bwpass.exe")
    string(REPLACE "|" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 arch)
    list(GET fields 2 prefix_arch)
    list(GET fields 3 host)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/package/roundtrip.sh ${arch} ${QV_PACKAGES} ${host})
    # Both round trips of a 64-bit prefix install into it: one at a time.
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "packages;package_${prefix_arch}"
      ENVIRONMENT "WINEPREFIX=${QV_PACKAGES}/prefix-${prefix_arch};WINEDEBUG=-all" TIMEOUT 900
      RESOURCE_LOCK package_${prefix_arch})
  endforeach()
endif()
