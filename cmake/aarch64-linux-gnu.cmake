# Cross build for Linux on 64-bit ARM, run under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(pagetally_triple aarch64-linux-gnu)
set(pagetally_qemu qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
