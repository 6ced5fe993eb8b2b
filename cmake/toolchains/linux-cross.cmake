# What every Linux cross build with Debian's cross compilers shares. Each toolchain file beside
# this one names its target and includes it:
#   hexwords_triplet  the target's GNU triplet: its compilers' prefix and its libraries' root
#   hexwords_qemu     the qemu-user program that runs its programs here, with any options
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${hexwords_triplet}-gcc)
set(CMAKE_CXX_COMPILER ${hexwords_triplet}-g++)
set(CMAKE_FIND_ROOT_PATH /usr/${hexwords_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${hexwords_qemu} -L /usr/${hexwords_triplet})
