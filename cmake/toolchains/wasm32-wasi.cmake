# WebAssembly with WASI, with 128-bit SIMD: one module, hexwords.wasm, for node, browsers and WASI
# runtimes such as wasmtime. Built with clang and Debian's wasi-libc, libc++-14-dev-wasm32,
# libclang-rt-14-dev-wasm32 and lld-14; tests run under node.
#   cmake -S . -B build-wasm --toolchain cmake/toolchains/wasm32-wasi.cmake
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_VERSION 1)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/..) # Platform/WASI.cmake
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# Debian's C++ library for WASI is built without exceptions.
set(CMAKE_CXX_FLAGS_INIT "-msimd128 -fno-exceptions")
set(CMAKE_C_FLAGS_INIT -msimd128)
# A stack of 1 MiB, as a thread has elsewhere, for the test programs' deeper calls; no debugging
# information, which Debian's libraries for WASI bring along.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-Wl,-z,stack-size=1048576 -Wl,--strip-debug")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_FIND_ROOT_PATH /usr/lib/wasm32-wasi)
set(CMAKE_CROSSCOMPILING_EMULATOR node ${CMAKE_CURRENT_LIST_DIR}/../../tests/run_wasi_module.js)
