# The server's type library and resources.
#
# widl writes QVCHBW01.h (the default interfaces for C++) and an intermediate type library from
# QVCHBW01.idl; tools/mktypelib, run under Wine in the build tree's prefix, rewrites that library
# so that ExcelChartHandler refers to the host's interfaces in qvkrnl1.tlb, and writes the
# _IID_ records; windres embeds both.
set(QV_SERVER_IDL ${CMAKE_SOURCE_DIR}/plugin/server/QVCHBW01.idl)
set(QV_IID_RECORDS ${QV_GEN}/_IID_EXCELCHARTHANDLER.bin ${QV_GEN}/_IID_CHARTHANDLER.bin
    ${QV_GEN}/_IID_GRAPHCHARTHANDLER.bin)

add_custom_command(
  OUTPUT ${QV_GEN}/QVCHBW01.h ${QV_GEN}/QVCHBW01_widl.tlb
  COMMAND ${WIDL} ${WIDL_FLAGS} -I${CMAKE_SOURCE_DIR}/plugin -h -o ${QV_GEN}/QVCHBW01.h ${QV_SERVER_IDL}
  COMMAND ${WIDL} ${WIDL_FLAGS} -I${CMAKE_SOURCE_DIR}/plugin -t -o ${QV_GEN}/QVCHBW01_widl.tlb ${QV_SERVER_IDL}
  DEPENDS ${QV_SERVER_IDL} ${CMAKE_SOURCE_DIR}/plugin/qvkrnl1.idl
  COMMENT "widl QVCHBW01.idl")

# mktypelib runs through the cross-compiling emulator (scripts/wine-run) in the build tree's
# prefix, which wine-prefix starts with a wineserver that holds none of the build's streams.
# Wine gets paths relative to gen: it would read a Unix path as one on its current drive.
add_custom_command(
  OUTPUT ${QV_GEN}/QVCHBW01.tlb ${QV_IID_RECORDS}
  COMMAND ${CMAKE_SOURCE_DIR}/scripts/wine-prefix start ${CMAKE_BINARY_DIR}/wineprefix ${QV_WINEARCH}
  COMMAND mktypelib QVCHBW01_widl.tlb QVCHBW01.tlb . qvkrnl1.tlb
  DEPENDS mktypelib ${QV_GEN}/QVCHBW01_widl.tlb ${QV_GEN}/qvkrnl1.tlb
  WORKING_DIRECTORY ${QV_GEN}
  COMMENT "mktypelib QVCHBW01.tlb")
add_custom_target(QVCHBW01_typelib DEPENDS ${QV_GEN}/QVCHBW01.h ${QV_GEN}/QVCHBW01.tlb)
add_dependencies(QVCHBW01 QVCHBW01_typelib)
set_source_files_properties(${CMAKE_SOURCE_DIR}/plugin/server/QVCHBW01.rc PROPERTIES
  OBJECT_DEPENDS "${QV_GEN}/QVCHBW01.tlb;${QV_IID_RECORDS}")
