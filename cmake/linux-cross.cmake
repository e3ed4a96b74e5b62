# Shared by the Linux cross toolchain files, which set CMAKE_SYSTEM_PROCESSOR, pagetally_triple
# and pagetally_qemu first: Debian's cross compiler for that target, and qemu-user to run what it
# builds, with the target's own libraries.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${pagetally_triple}-gcc)
set(CMAKE_CXX_COMPILER ${pagetally_triple}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${pagetally_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

find_program(PAGETALLY_QEMU ${pagetally_qemu} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${PAGETALLY_QEMU} -L /usr/${pagetally_triple})
