// POSIX systems: the standard streams and the arguments, as the process is started with them.
#include "platform.h"

#include <fcntl.h>
#include <unistd.h>

void reserve_standard_streams() {
    // open() takes the lowest free descriptor: /dev/null fills whichever of 0, 1 and 2 are closed.
    int descriptor = open("/dev/null", O_RDWR);
    while (descriptor >= 0 && descriptor <= STDERR_FILENO) {
        descriptor = open("/dev/null", O_RDWR);
    }
    if (descriptor > STDERR_FILENO) {
        close(descriptor);
    }
}

std::span<char *> program_arguments(int argc, char *argv[]) {
    return {argv, static_cast<std::size_t>(argc)};
}
