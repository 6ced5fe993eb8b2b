// POSIX systems (Linux, macOS and the BSDs) and WASI: files by path, their identity, and
// messages. Paths are bytes, passed on as given.
#include "platform.h"

#include <sys/stat.h>

namespace {

file_identity identity_of(const struct stat &info) {
    return {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino),
            S_ISREG(info.st_mode)};
}

} // namespace

// A directory opens too, but reading it fails; and a file whose status cannot be read cannot
// be told from a directory, nor from the destination, so both are refused like a file that
// does not open.
std::FILE *open_source(const char *path, file_identity &identity) {
    std::FILE *source = std::fopen(path, "rb");
    struct stat info {};
    if (source != nullptr && (fstat(fileno(source), &info) != 0 || S_ISDIR(info.st_mode))) {
        static_cast<void>(std::fclose(source));
        return nullptr;
    }
    identity = identity_of(info);
    return source;
}

// The conversion writes whole blocks of listing: unbuffered, the stream hands each one to the
// system in a single call, where glibc's buffer would split off its first bytes into another.
std::FILE *open_destination(const char *path) {
    std::FILE *destination = std::fopen(path, "wb");
    if (destination != nullptr) {
        static_cast<void>(std::setvbuf(destination, nullptr, _IONBF, 0));
    }
    return destination;
}

// A path that cannot be looked up names no file, or none that can be opened for writing.
bool is_same_file(const char *path, const file_identity &file) {
    struct stat info {};
    return file.is_regular && stat(path, &info) == 0 && identity_of(info) == file;
}

void print_message(const char *format, const char *text, const char *other_text) {
    std::printf(format, text, other_text);
}
