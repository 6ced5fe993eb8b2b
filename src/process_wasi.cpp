// WASI: a module has no current directory of its own, and a runtime gives it only the
// directories it opens to it. hexwords' launcher opens the root and names the directory that the
// command was started in as PWD: relative paths are taken from there, as on POSIX systems.
#include "platform.h"

#include <cstdlib>
#include <unistd.h>

// A WASI runtime always gives a module its three standard streams.
void reserve_standard_streams() {}

// wasi-libc keeps a current directory for the module, in which it looks up relative paths. Where
// PWD is not within reach, relative paths keep the runtime's own meaning: its opened directories.
std::span<char *> program_arguments(int argc, char *argv[]) {
    if (const char *start = std::getenv("PWD"); start != nullptr && start[0] == '/') {
        static_cast<void>(chdir(start));
    }
    return {argv, static_cast<std::size_t>(argc)};
}
