# Linux on IBM Z, big-endian, with Debian's cross g++. Tests run under qemu-user.
#   cmake -S . -B build-s390x --toolchain cmake/toolchains/s390x-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(hexwords_triplet s390x-linux-gnu)
set(hexwords_qemu qemu-s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
