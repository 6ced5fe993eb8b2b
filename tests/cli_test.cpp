// Runs the program as its users do: a separate process, its messages, its exit status and
// what it leaves on disk.
#include "model.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const std::string usage_line = "Usage: hexwords [source ASCII file] [converted hex file]\n";

struct run_options {
    std::optional<rlim_t> file_size_limit; // set with SIGXFSZ ignored, so writes just fail
    mode_t umask = 022;
};

struct run_result {
    int status;
    std::string out;
    std::string err;
    long peak_memory_kib;
};

std::string read_all(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t count; (count = read(fd, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    return text;
}

// Runs the program in dir with exactly this argument vector, argument 0 included.
run_result run_argv(const std::vector<std::string> &arguments, const fs::path &dir,
                    const run_options &options = {}) {
    std::vector<char *> argv;
    for (const std::string &argument : arguments) {
        argv.push_back(const_cast<char *>(argument.c_str()));
    }
    argv.push_back(nullptr);
    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {-1, "", "", 0};
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (const int fd : {out[0], out[1], err[0], err[1]}) {
            close(fd);
        }
        umask(options.umask);
        if (options.file_size_limit) {
            const rlimit limit{*options.file_size_limit, *options.file_size_limit};
            setrlimit(RLIMIT_FSIZE, &limit);
            std::signal(SIGXFSZ, SIG_IGN);
        }
        if (chdir(dir.c_str()) == 0) {
            execve(HEXWORDS_PROGRAM, argv.data(), environ);
        }
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    run_result result{};
    result.out = read_all(out[0]);
    result.err = read_all(err[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.peak_memory_kib = usage.ru_maxrss;
    return result;
}

const std::string hi_listing = "4800 4900 \n";
const std::string kept_content = "an existing file, longer than any listing it could be given\n";

class Cli : public testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "hexwords-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        write("text.txt", "HI\n");
        write("dest.hex", kept_content);
        write("large.txt", large_text());
        fs::create_directory(dir / "dir");
        fs::create_hard_link(dir / "text.txt", dir / "link.txt");
        fs::create_symlink("text.txt", dir / "symlink.txt");
    }
    void TearDown() override { fs::remove_all(dir); }

    static std::string large_text() {
        std::string text;
        for (int line = 0; line < 20000; ++line) {
            text += "Line " + std::to_string(line) + ": THE QUICK brown fox, 100% \"sure\".\r\n";
        }
        return text;
    }
    void write(const fs::path &name, const std::string &content) const {
        std::ofstream(dir / name, std::ios::binary) << content;
    }
    [[nodiscard]] std::string read(const fs::path &name) const {
        std::ostringstream content;
        content << std::ifstream(dir / name, std::ios::binary).rdbuf();
        return content.str();
    }
    [[nodiscard]] bool exists(const fs::path &name) const { return fs::exists(dir / name); }
    [[nodiscard]] run_result run(std::vector<std::string> arguments,
                                 const run_options &options = {}) const {
        arguments.insert(arguments.begin(), "hexwords");
        return run_argv(arguments, dir, options);
    }

    fs::path dir;
};

template <typename Case> std::string case_name(const testing::TestParamInfo<Case> &param) {
    return param.param.name;
}

struct refusal_case {
    const char *name;
    std::vector<std::string> arguments; // "@/" stands for the test's directory
    std::string message;                // likewise
    int status;
};

void PrintTo(const refusal_case &sample, std::ostream *out) { *out << sample.name; }

class Refusal : public Cli, public testing::WithParamInterface<refusal_case> {
  protected:
    [[nodiscard]] std::string expand(std::string text) const {
        if (const std::size_t at = text.find("@/"); at != std::string::npos) {
            text.replace(at, 1, dir.string());
        }
        return text;
    }
};

TEST_P(Refusal, PrintsMessageAndLosesNothing) {
    std::vector<std::string> arguments;
    for (const std::string &argument : GetParam().arguments) {
        arguments.push_back(expand(argument));
    }
    const run_result result = run(arguments);
    EXPECT_EQ(result.out, expand(GetParam().message));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(read("text.txt"), "HI\n");
    EXPECT_EQ(read("dest.hex"), kept_content);
    EXPECT_FALSE(exists("nodir"));
}

const std::string long_name(255, 'n');
const std::string too_long_name(256, 'n');

std::string too_long_path() {
    std::string path;
    while (path.size() <= PATH_MAX) {
        path += "d/";
    }
    return path + "f";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Messages, Refusal, testing::Values(
    refusal_case{"NoArguments", {}, usage_line, 2},
    refusal_case{"OnlySource", {"dest.hex"}, usage_line, 2},
    refusal_case{"MissingSource", {"missing.txt", "dest.hex"}, "Error opening missing.txt for reading\n", 1},
    refusal_case{"NeitherOpens", {"missing.txt", "nodir/x.hex"}, "Error opening missing.txt for reading\n", 1},
    refusal_case{"EmptySourcePath", {"", "dest.hex"}, "Error opening  for reading\n", 1},
    refusal_case{"DirectorySource", {"dir", "dest.hex"}, "Error opening dir for reading\n", 1},
    refusal_case{"DestinationIsDirectory", {"text.txt", "dir"}, "Error opening dir for writing\n", 1},
    refusal_case{"DestinationInMissingDirectory", {"text.txt", "nodir/x.hex"}, "Error opening nodir/x.hex for writing\n", 1},
    refusal_case{"SamePath", {"text.txt", "text.txt"}, "Error: text.txt and text.txt are the same file\n", 1},
    refusal_case{"DotSlash", {"text.txt", "./text.txt"}, "Error: text.txt and ./text.txt are the same file\n", 1},
    refusal_case{"AbsolutePath", {"text.txt", "@/text.txt"}, "Error: text.txt and @/text.txt are the same file\n", 1},
    refusal_case{"HardLink", {"link.txt", "text.txt"}, "Error: link.txt and text.txt are the same file\n", 1},
    refusal_case{"SymlinkSource", {"symlink.txt", "text.txt"}, "Error: symlink.txt and text.txt are the same file\n", 1},
    refusal_case{"SymlinkDestination", {"text.txt", "symlink.txt"}, "Error: text.txt and symlink.txt are the same file\n", 1},
    refusal_case{"ReadFailure", {"/proc/self/mem", "out.hex"}, "Error reading /proc/self/mem\n", 1},
    refusal_case{"SmallWriteToFullDevice", {"text.txt", "/dev/full"}, "Error writing /dev/full\n", 1},
    refusal_case{"LargeWriteToFullDevice", {"large.txt", "/dev/full"}, "Error writing /dev/full\n", 1},
    refusal_case{"PercentAndBlanksInPath", {"100%s %n.txt", "dest.hex"}, "Error opening 100%s %n.txt for reading\n", 1},
    refusal_case{"LineFeedInPath", {"text.txt", "nodir/a\nb"}, "Error opening nodir/a\nb for writing\n", 1},
    refusal_case{"BytesNotUtf8InPath", {"\xff\xfe\x80.txt", "dest.hex"}, "Error opening \xff\xfe\x80.txt for reading\n", 1},
    refusal_case{"NameTooLong", {too_long_name, "dest.hex"}, "Error opening " + too_long_name + " for reading\n", 1},
    refusal_case{"PathTooLong", {"text.txt", too_long_path()}, "Error opening " + too_long_path() + " for writing\n", 1}),
    case_name<refusal_case>);
// clang-format on

struct conversion_case {
    const char *name;
    std::vector<std::string> arguments;
    fs::path output;
};

void PrintTo(const conversion_case &sample, std::ostream *out) { *out << sample.name; }

class Conversion : public Cli, public testing::WithParamInterface<conversion_case> {};

TEST_P(Conversion, WritesListingSilently) {
    write("-", "HI\n");
    const run_result result = run(GetParam().arguments);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(read(GetParam().output), hi_listing);
    EXPECT_EQ(read("text.txt"), "HI\n");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, Conversion,
    testing::Values(
        conversion_case{"NewDestination", {"text.txt", "out.hex"}, "out.hex"},
        conversion_case{"ExistingDestinationTruncated", {"text.txt", "dest.hex"}, "dest.hex"},
        conversion_case{
            "ExtraArgumentsIgnored", {"text.txt", "out.hex", "extra", "dest.hex"}, "out.hex"},
        conversion_case{"HyphenSourceIsAFile", {"-", "out.hex"}, "out.hex"},
        conversion_case{"HyphenDestinationIsAFile", {"text.txt", "--"}, "--"},
        conversion_case{"LongestName", {"text.txt", long_name}, long_name}),
    case_name<conversion_case>);

TEST_F(Cli, ConvertsLargeTextExactly) {
    const run_result result = run({"large.txt", "out.hex"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(read("out.hex"), expected_listing(large_text()));
}

TEST_F(Cli, DeviceFilesAreNotTheSameFile) {
    const run_result result = run({"/dev/null", "/dev/null"});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 0);
}

TEST_F(Cli, BundledExampleMatchesItsListing) {
    const fs::path examples = HEXWORDS_EXAMPLES;
    const run_result result = run({examples / "sample.txt", "out.hex"});
    ASSERT_EQ(result.status, 0);
    std::ostringstream committed;
    committed << std::ifstream(examples / "sample.hex", std::ios::binary).rdbuf();
    EXPECT_EQ(read("out.hex"), committed.str());
}

TEST_F(Cli, UsageNamesProgramAsInvoked) {
    const struct {
        std::string argument0;
        std::string name_printed;
    } cases[] = {
        {"./prog", "./prog"}, {"/opt/my tools/hex%s", "/opt/my tools/hex%s"}, {"", "hexwords"}};
    for (const auto &sample : cases) {
        const run_result result = run_argv({sample.argument0, "text.txt"}, dir);
        EXPECT_EQ(result.out,
                  "Usage: " + sample.name_printed + " [source ASCII file] [converted hex file]\n");
        EXPECT_EQ(result.status, 2);
    }
}

TEST_F(Cli, UsageWithEmptyArgumentVector) {
    const run_result result = run_argv({}, dir);
    EXPECT_EQ(result.out, usage_line);
    EXPECT_EQ(result.status, 2);
}

TEST_F(Cli, NewDestinationGetsDefaultModeLessUmask) {
    const struct {
        mode_t umask;
        fs::perms perms;
    } cases[] = {{0, fs::perms(0666)}, {022, fs::perms(0644)}, {077, fs::perms(0600)}};
    for (const auto &sample : cases) {
        fs::remove(dir / "out.hex");
        ASSERT_EQ(
            run({"text.txt", "out.hex"}, {.file_size_limit = {}, .umask = sample.umask}).status, 0);
        EXPECT_EQ(fs::status(dir / "out.hex").permissions(), sample.perms)
            << "umask " << sample.umask;
    }
}

// With SIGXFSZ ignored a write past the limit fails with EFBIG, as on a full disk.
TEST_F(Cli, FileSizeLimitLeavesPrefixAndFails) {
    const std::string listing = expected_listing(large_text());
    for (const rlim_t limit : {4095U, 4096U, 4097U, 65536U, 327680U, 327681U, 1000000U}) {
        ASSERT_LT(limit, listing.size());
        const run_result result =
            run({"large.txt", "out.hex"}, {.file_size_limit = limit, .umask = 022});
        EXPECT_EQ(result.out, "Error writing out.hex\n") << "limit " << limit;
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(read("out.hex"), listing.substr(0, limit)) << "limit " << limit;
    }
    const run_result result =
        run({"large.txt", "out.hex"}, {.file_size_limit = listing.size(), .umask = 022});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(read("out.hex"), listing);
}

// A sparse file costs no disk: the whole 5 GiB is read, and memory stays what a tiny run needs.
TEST_F(Cli, HugeSourceInConstantMemory) {
    constexpr off_t huge_size = off_t{5} << 30;
    {
        const int fd = open((dir / "huge.txt").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, "A", 1, huge_size - 1), 1);
        close(fd);
    }
    const run_result tiny = run({"text.txt", "tiny.hex"});
    const run_result huge = run({"huge.txt", "out.hex"});
    EXPECT_EQ(huge.out, "");
    EXPECT_EQ(huge.status, 0);
    EXPECT_EQ(read("out.hex"), "4100 ");
    EXPECT_LT(huge.peak_memory_kib - tiny.peak_memory_kib, 1024);
}

} // namespace
