# Cross build for Linux on 32-bit ARM (hard float), run under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR arm)
set(pagetally_triple arm-linux-gnueabihf)
set(pagetally_qemu qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
