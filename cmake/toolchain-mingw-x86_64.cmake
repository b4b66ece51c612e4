# 64-bit Windows with MinGW-w64; the tests run under 64-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(TOVREL_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../tools/scripts/wine-run)
