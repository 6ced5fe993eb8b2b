// What differs between operating systems, behind the same few functions: one implementation
// for POSIX systems and one for Windows, chosen when the program is built.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>

// What tells one file from another: the device or volume it is on and its number there.
struct file_identity {
    std::uint64_t volume;
    std::uint64_t index;
    bool is_regular;

    // The kind of file is not compared: it follows from the other two.
    bool operator==(const file_identity &other) const {
        return volume == other.volume && index == other.index;
    }
};

// Makes sure that standard input, output and error are open, so that a file opened later
// cannot take the place of one of them and receive the program's messages.
void reserve_standard_streams();

// The program's arguments, program name first, as UTF-8 on Windows and exactly as given on
// POSIX systems. They live as long as the process.
std::span<char *> program_arguments(int argc, char *argv[]);

// Opens the file at path for reading, in binary mode, and tells its identity. Returns nullptr
// for a path that does not open, for a directory, and for a file whose status cannot be read.
std::FILE *open_source(const char *path, file_identity &identity);

// Creates the file at path, or empties it if it exists, for writing in binary mode.
std::FILE *open_destination(const char *path);

// Whether path names the regular file of that identity, whatever its spelling or links.
bool is_same_file(const char *path, const file_identity &file);

// Prints a message on standard output: format, with its %s filled with the UTF-8 texts (a
// format with one %s leaves other_text out). A Windows console is given UTF-16, so that every
// character shows whatever its code page; anywhere else the message is UTF-8 bytes.
void print_message(const char *format, const char *text, const char *other_text = "");
