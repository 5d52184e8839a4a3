# Cross build for 64-bit Windows with mingw-w64: the same sources as the 32-bit build, a PE32+
# DLL for 64-bit Office (build/x64). Its programs run in a 64-bit Wine prefix.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QV_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
