// hexwords: writes a text file as a listing of four-digit hex words, keeping its lines.
#include "convert.h"
#include "platform.h"

#include <cstdio>

namespace {

constexpr int exit_converted = 0;
constexpr int exit_failed = 1;
constexpr int exit_usage = 2;

// Closes a stream that was only read: its result cannot tell of any lost data.
void close_read(std::FILE *stream) { static_cast<void>(std::fclose(stream)); }

// Closes a stream that was written, and tells whether everything written reached the file:
// an earlier write may have failed, and so may the last write-out that fclose makes.
bool close_written(std::FILE *stream) {
    const bool write_failed = std::ferror(stream) != 0;
    return std::fclose(stream) == 0 && !write_failed;
}

int convert_file(const char *source_path, const char *destination_path) {
    file_identity source_identity{};
    std::FILE *source = open_source(source_path, source_identity);
    if (source == nullptr) {
        print_message("Error opening %s for reading\n", source_path);
        return exit_failed;
    }
    // Opening the destination empties it, so it must not be the source under another name.
    if (is_same_file(destination_path, source_identity)) {
        print_message("Error: %s and %s are the same file\n", source_path, destination_path);
        close_read(source);
        return exit_failed;
    }
    std::FILE *destination = open_destination(destination_path);
    if (destination == nullptr) {
        print_message("Error opening %s for writing\n", destination_path);
        close_read(source);
        return exit_failed;
    }

    convert_stream(source, destination);

    const bool read_failed = std::ferror(source) != 0;
    close_read(source);
    const bool written = close_written(destination);
    if (read_failed) {
        print_message("Error reading %s\n", source_path);
    }
    if (!written) {
        print_message("Error writing %s\n", destination_path);
    }
    return read_failed || !written ? exit_failed : exit_converted;
}

} // namespace

int main(int argc, char *argv[]) {
    reserve_standard_streams();
    const std::span<char *> arguments = program_arguments(argc, argv);
    if (arguments.size() < 3) {
        // Without an argument vector Linux passes an empty name; other systems may pass none.
        // GCOVR_EXCL_BR_START: Linux passes every program an argument 0, so never none.
        const char *name = arguments.empty() ? "" : arguments[0];
        // GCOVR_EXCL_BR_STOP
        print_message("Usage: %s [source ASCII file] [converted hex file]\n",
                      name[0] != '\0' ? name : "hexwords");
        return exit_usage;
    }
    return convert_file(arguments[1], arguments[2]);
}
