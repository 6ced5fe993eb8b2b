# Linux on 32-bit x86 with Debian's cross g++. Tests run under qemu-user, since a 64-bit
# kernel may have no 32-bit support.
#   cmake -S . -B build-i386 --toolchain cmake/toolchains/i686-linux-gnu.cmake
set(CMAKE_SYSTEM_PROCESSOR i686)
set(hexwords_triplet i686-linux-gnu)
set(hexwords_qemu qemu-i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
