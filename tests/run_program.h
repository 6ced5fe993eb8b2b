// Runs a program as a separate process, as its users do, and returns what it printed and its
// exit status. One interface for POSIX systems and Windows.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

struct run_options {
    // Commands put before the program, such as an emulator or a tracer.
    std::vector<std::string> launcher{};
    // POSIX only: a file-size limit (set with SIGXFSZ ignored, so writes just fail), the
    // umask, and the standard descriptors that the program starts with closed.
    std::optional<unsigned long long> file_size_limit{};
    unsigned umask = 022;
    std::vector<int> closed_descriptors{};
};

struct run_result {
    int status;
    std::string out; // standard output, line ends as the platform writes them
    std::string err;
    long peak_memory_kib; // POSIX only
};

// Runs program in dir with exactly these arguments, argument 0 included, all of them UTF-8.
run_result run_program(const std::filesystem::path &program,
                       const std::vector<std::string> &arguments, const std::filesystem::path &dir,
                       const run_options &options = {});

// A path from UTF-8 text, on every platform.
std::filesystem::path utf8_path(const std::string &text);
