# Linux on 32-bit ARM, Debian's armhf: ARMv7 with hardware floating point. Tests run under
# qemu-user.
#   cmake -S . -B build-armhf --toolchain cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(hexwords_triplet arm-linux-gnueabihf)
set(hexwords_qemu qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
