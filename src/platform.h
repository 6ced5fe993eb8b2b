// What differs between operating systems, behind the same few functions: one implementation
// for POSIX systems and one for Windows, chosen when the program is built.
#pragma once

#include <cstdio>
#include <span>

// Makes sure that standard input, output and error are open, so that a file opened later
// cannot take the place of one of them and receive the program's messages.
void reserve_standard_streams();

// The program's arguments, program name first, as UTF-8 on Windows and exactly as given on
// POSIX systems. They live as long as the process.
std::span<char *> program_arguments(int argc, char *argv[]);

// Opens the file at path for reading, in binary mode. Returns nullptr for a path that does not
// open, for a directory, and for a file whose status cannot be read.
std::FILE *open_source(const char *path);

// Creates the file at path, or empties it if it exists, for writing in binary mode.
std::FILE *open_destination(const char *path);

// Whether both paths name one existing regular file, whatever their spelling or links.
bool is_same_file(const char *path, const char *other_path);
