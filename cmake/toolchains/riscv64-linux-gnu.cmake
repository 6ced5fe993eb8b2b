# Linux on 64-bit RISC-V with Debian's cross g++. Tests run under qemu-user.
#   cmake -S . -B build-riscv64 --toolchain cmake/toolchains/riscv64-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(hexwords_triplet riscv64-linux-gnu)
set(hexwords_qemu qemu-riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
