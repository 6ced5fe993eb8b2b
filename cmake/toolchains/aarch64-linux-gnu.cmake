# Linux on 64-bit ARM with Debian's cross g++. Tests run under qemu-user.
#   cmake -S . -B build-arm64 --toolchain cmake/toolchains/aarch64-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(hexwords_triplet aarch64-linux-gnu)
set(hexwords_qemu qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
