# Linux on 32-bit ARM, Debian's armel: ARMv5TE and later with software floating point, so
# every 32-bit ARM from the Raspberry Pi 1 and Zero (ARMv6) up. Tests run under qemu-user.
#   cmake -S . -B build-armel --toolchain cmake/toolchains/arm-linux-gnueabi.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(hexwords_triplet arm-linux-gnueabi)
set(hexwords_qemu qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# Its command-line tests run again on the oldest core it is built for: the ARM1176 (ARMv6) of the
# Raspberry Pi 1 and Zero.
set(HEXWORDS_OLDEST_PROCESSOR_EMULATOR ${hexwords_qemu} -cpu arm1176 -L /usr/${hexwords_triplet})
