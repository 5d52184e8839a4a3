# Cross build for 32-bit Windows with mingw-w64: the DLL for 32-bit Office (build/).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QV_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
