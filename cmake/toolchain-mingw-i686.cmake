# 32-bit Windows with MinGW-w64. Built and checked here; this machine cannot run it.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TOVREL_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
set(TOVREL_X86_32 ON)
