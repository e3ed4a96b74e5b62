# Cross build for the Windows 32-bit x86 console, run under Wine's 32-bit loader.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(pagetally_triple i686-w64-mingw32)
set(pagetally_wine wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
