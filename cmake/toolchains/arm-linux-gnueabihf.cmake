# Linux on 32-bit ARM, Debian's armhf: ARMv7 with hardware floating point. Tests run under
# qemu-user, on the Raspberry Pi 2's core, a Cortex-A7 with NEON.
#   cmake -S . -B build-armhf --toolchain cmake/toolchains/arm-linux-gnueabihf.cmake
set(CMAKE_SYSTEM_PROCESSOR arm)
set(hexwords_triplet arm-linux-gnueabihf)
set(hexwords_qemu qemu-arm -cpu cortex-a7)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# The conversion and command-line tests run again on an ARMv7 core without NEON, as NVIDIA's
# Tegra 2 is: qemu's Cortex-R5F, whose floating point (VFPv3-D16) is all that armhf asks for.
set(HEXWORDS_EMULATOR_WITHOUT_NEON qemu-arm -cpu cortex-r5f -L /usr/${hexwords_triplet})
