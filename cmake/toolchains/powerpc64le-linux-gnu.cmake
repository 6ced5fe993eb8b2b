# Linux on 64-bit POWER, little-endian, with Debian's cross g++. Tests run under qemu-user.
#   cmake -S . -B build-ppc64el --toolchain cmake/toolchains/powerpc64le-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(hexwords_triplet powerpc64le-linux-gnu)
set(hexwords_qemu qemu-ppc64le)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
