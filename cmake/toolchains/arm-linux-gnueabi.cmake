# Linux on 32-bit ARM, Debian's armel: ARMv5TE and later with software floating point, so
# every 32-bit ARM from the Raspberry Pi 1 and Zero (ARMv6) up. Tests run under qemu-user, on
# the Raspberry Pi 2's core, a Cortex-A7 with NEON.
#   cmake -S . -B build-armel --toolchain cmake/toolchains/arm-linux-gnueabi.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(hexwords_triplet arm-linux-gnueabi)
set(hexwords_qemu qemu-arm -cpu cortex-a7)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# The conversion and command-line tests run again on a core without NEON, the oldest one the
# build is for: the ARM1176 (ARMv6) of the Raspberry Pi 1 and Zero.
set(HEXWORDS_EMULATOR_WITHOUT_NEON qemu-arm -cpu arm1176 -L /usr/${hexwords_triplet})
