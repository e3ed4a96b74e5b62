# Shared by the Windows toolchain files, which set pagetally_triple and pagetally_wine first:
# Debian's MinGW-w64 compiler for that target, static runtimes, and Wine to run what it builds.
set(CMAKE_SYSTEM_NAME Windows)

# The thread model is Debian's default, win32, for the executable that ships; posix, with
# PAGETALLY_MINGW_THREADS, for the unit tests, since GoogleTest needs std::mutex.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PAGETALLY_MINGW_THREADS) # the same compiler there
set(pagetally_threads "")
if(PAGETALLY_MINGW_THREADS STREQUAL "posix")
    set(pagetally_threads -posix)
endif()
set(CMAKE_C_COMPILER ${pagetally_triple}-gcc${pagetally_threads})
set(CMAKE_CXX_COMPILER ${pagetally_triple}-g++${pagetally_threads})
set(CMAKE_RC_COMPILER ${pagetally_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${pagetally_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Static C++ and GCC runtimes: the executable needs no DLL beyond Windows' own.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Tests run the executables under Wine. Without it the build and its package are made all the
# same, and the tests skip, saying so.
find_program(PAGETALLY_WINE NAMES ${pagetally_wine} PATHS /usr/lib/wine)
if(PAGETALLY_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PAGETALLY_WINE})
endif()
