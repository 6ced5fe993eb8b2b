// hexwords: writes a text file as a listing of four-digit hex words, keeping its lines.
#include "convert.h"

#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr int exit_converted = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

// Opening the destination empties it, so it must not be the source under another name.
bool is_same_regular_file(std::FILE *source, const char *destination_path) {
    struct stat source_info {};
    struct stat destination_info {};
    return fstat(fileno(source), &source_info) == 0 && S_ISREG(source_info.st_mode) &&
           stat(destination_path, &destination_info) == 0 &&
           source_info.st_dev == destination_info.st_dev &&
           source_info.st_ino == destination_info.st_ino;
}

// Closes a stream that was only read: its result cannot tell of any lost data.
void close_read(std::FILE *stream) { static_cast<void>(std::fclose(stream)); }

// Opens the source for reading. Linux opens a directory too, but reading it fails, so a
// directory is refused here like a file that cannot be opened.
std::FILE *open_source(const char *path) {
    std::FILE *source = std::fopen(path, "r");
    struct stat info {};
    if (source != nullptr && fstat(fileno(source), &info) == 0 && S_ISDIR(info.st_mode)) {
        close_read(source);
        return nullptr;
    }
    return source;
}

// Closes a stream that was written, and tells whether everything written reached the file:
// an earlier write may have failed, and so may the last write-out that fclose makes.
bool close_written(std::FILE *stream) {
    const bool write_failed = std::ferror(stream) != 0;
    return std::fclose(stream) == 0 && !write_failed;
}

int convert_file(const char *source_path, const char *destination_path) {
    std::FILE *source = open_source(source_path);
    if (source == nullptr) {
        std::printf("Error opening %s for reading\n", source_path);
        return exit_failed;
    }
    if (is_same_regular_file(source, destination_path)) {
        std::printf("Error: %s and %s are the same file\n", source_path, destination_path);
        close_read(source);
        return exit_failed;
    }
    std::FILE *destination = std::fopen(destination_path, "w");
    if (destination == nullptr) {
        std::printf("Error opening %s for writing\n", destination_path);
        close_read(source);
        return exit_failed;
    }

    convert_stream(source, destination);

    const bool read_failed = std::ferror(source) != 0;
    close_read(source);
    const bool written = close_written(destination);
    if (read_failed) {
        std::printf("Error reading %s\n", source_path);
    }
    if (!written) {
        std::printf("Error writing %s\n", destination_path);
    }
    return read_failed || !written ? exit_failed : exit_converted;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc < 3) {
        // Linux passes an empty name, or none, when the caller gives no argument vector.
        const char *program = argc > 0 && argv[0][0] != '\0' ? argv[0] : "hexwords";
        std::printf("Usage: %s [source ASCII file] [converted hex file]\n", program);
        return exit_usage;
    }
    return convert_file(argv[1], argv[2]);
}
