# Cross build for Linux on big-endian IBM Z, run under qemu-user.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(pagetally_triple s390x-linux-gnu)
set(pagetally_qemu qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
