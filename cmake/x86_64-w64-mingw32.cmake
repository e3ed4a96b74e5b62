# Cross build for the Windows x86-64 console, run under Wine's 64-bit loader, which also runs on
# hosts that run no 32-bit x86 code.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(pagetally_triple x86_64-w64-mingw32)
set(pagetally_wine wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)

# GCC keeps spilled AVX registers with aligned moves, assuming a 32-byte aligned stack that
# Windows x64 does not give (GCC bug 54412); the assembler makes every such move unaligned.
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
