// Runs the program as its users do: a separate process, its messages, its exit status and
// what it leaves on disk.
#include "model.h"
#include "run_program.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The program may run under a launcher (an emulator in a cross build), its words split by '|':
// the build's, or another emulator's named by HEXWORDS_PROGRAM_LAUNCHER.
std::vector<std::string> launcher() {
    const char *other = std::getenv("HEXWORDS_PROGRAM_LAUNCHER");
    std::vector<std::string> commands;
    std::istringstream list(other != nullptr ? other : HEXWORDS_PROGRAM_LAUNCHER);
    for (std::string command; std::getline(list, command, '|');) {
        commands.push_back(command);
    }
    return commands;
}

// The build's program, or another named by HEXWORDS_PROGRAM: the hexwords command for node
// among them, whether from this source tree or installed by npm.
fs::path program_under_test() {
    const char *other = std::getenv("HEXWORDS_PROGRAM");
    return fs::absolute(other != nullptr ? other : HEXWORDS_PROGRAM);
}

// Whether the program is a node script: the WebAssembly module, run under node's WASI.
bool runs_under_node(const fs::path &path) {
    std::string first_line;
    std::getline(std::ifstream(path), first_line);
    return first_line.starts_with("#!") && first_line.find("node") != std::string::npos;
}

const fs::path program = program_under_test();
const bool under_node = runs_under_node(program);
const bool launched = !launcher().empty();
const bool sanitized = HEXWORDS_PROGRAM_SANITIZED != 0; // qemu-user cannot run it

// Behind a launcher the program sees its path as its name.
std::string usage_for(const std::string &name) {
    return "Usage: " + name + " [source ASCII file] [converted hex file]\n";
}
const std::string usage_line = usage_for(launched ? program.string() : "hexwords");

const std::string hi_listing = "4800 4900 \n";
const std::string kept_content = "an existing file, longer than any listing it could be given\n";
const std::string unicode_name = "日本 Ünïcode.txt";
// A folder whose files' paths are longer than Windows' MAX_PATH, 260 characters.
const std::string deep_folder = std::string(150, 'd') + "/" + std::string(150, 'e');

std::string without_carriage_returns(std::string text) {
    std::erase(text, '\r');
    return text;
}

class Cli : public testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        do {
            dir = fs::temp_directory_path() / ("hexwords-test-" + std::to_string(random()));
        } while (!fs::create_directory(dir));
        write("text.txt", "HI\n");
        write(unicode_name, "HI\n");
        write("dest.hex", kept_content);
        write("large.txt", large_text());
        fs::create_directory(dir / "dir");
        fs::create_hard_link(dir / "text.txt", dir / "link.txt");
        std::error_code unsupported; // wine, and Windows without the privilege, have no symlinks
        fs::create_symlink("text.txt", dir / "symlink.txt", unsupported);
    }
    void TearDown() override {
        // mingw-w64's directory listing stops at MAX_PATH: what the deep folder holds is
        // removed by name first.
        std::error_code absent;
        for (const char *name : {"/out.hex", "/text.txt", "", "/.."}) {
            fs::remove(dir / utf8_path(deep_folder + name), absent);
        }
        fs::remove_all(dir);
    }

    // Lines with CR LF ends and a 0x1A byte, which text-mode streams would mangle.
    static std::string large_text() {
        std::string text;
        for (int line = 0; line < 20000; ++line) {
            text +=
                "Line " + std::to_string(line) + ": THE QUICK brown fox,\x1a 100% \"sure\".\r\n";
        }
        return text;
    }
    void write(const std::string &name, const std::string &content) const {
        fs::create_directories((dir / utf8_path(name)).parent_path());
        std::ofstream(dir / utf8_path(name), std::ios::binary) << content;
    }
    [[nodiscard]] std::string read(const std::string &name) const {
        std::ostringstream content;
        content << std::ifstream(dir / utf8_path(name), std::ios::binary).rdbuf();
        return content.str();
    }
    [[nodiscard]] bool exists(const std::string &name) const {
        return fs::exists(dir / utf8_path(name));
    }
    // Replaces "@" with the test's directory.
    [[nodiscard]] std::string expand(std::string text) const {
        const std::u8string absolute = dir.u8string();
        if (const std::size_t at = text.find('@'); at != std::string::npos) {
            text.replace(at, 1, std::string(absolute.begin(), absolute.end()));
        }
        return text;
    }
    [[nodiscard]] run_result run(std::vector<std::string> arguments,
                                 run_options options = {}) const {
        for (std::string &argument : arguments) {
            argument = expand(argument);
        }
        arguments.insert(arguments.begin(), "hexwords");
        const std::vector<std::string> emulator = launcher();
        options.launcher.insert(options.launcher.begin(), emulator.begin(), emulator.end());
        run_result result = run_program(program, arguments, dir, options);
        result.out = without_carriage_returns(result.out);
        return result;
    }

    fs::path dir;
};

template <typename Case> std::string case_name(const testing::TestParamInfo<Case> &param) {
    return param.param.name;
}

template <typename Case> std::vector<Case> joined(std::vector<Case> cases, std::vector<Case> more) {
    cases.insert(cases.end(), more.begin(), more.end());
    return cases;
}

struct refusal_case {
    const char *name;
    std::vector<std::string> arguments; // "@" stands for the test's directory
    std::string message;                // likewise
    int status;
};

void PrintTo(const refusal_case &sample, std::ostream *out) { *out << sample.name; }

class Refusal : public Cli, public testing::WithParamInterface<refusal_case> {};

TEST_P(Refusal, PrintsMessageAndLosesNothing) {
    const refusal_case &sample = GetParam();
    if (std::string(sample.name).starts_with("Symlink") && !exists("symlink.txt")) {
        GTEST_SKIP() << "this system cannot make symbolic links";
    }
    if (std::string(sample.name) == "BytesNotUtf8InPath" && under_node) {
        GTEST_SKIP() << "node takes arguments as UTF-8 text: other bytes never reach the module";
    }
    const run_result result = run(sample.arguments);
    EXPECT_EQ(result.out, expand(sample.message));
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, sample.status);
    EXPECT_EQ(read("text.txt"), "HI\n");
    EXPECT_EQ(read(unicode_name), "HI\n");
    EXPECT_EQ(read("dest.hex"), kept_content);
    EXPECT_FALSE(exists("nodir"));
}

const std::string long_name(255, 'n');
const std::string too_long_name(256, 'n');

std::string too_long_path() {
    std::string path;
    while (path.size() <= 4096) {
        path += "d/";
    }
    return path + "f";
}

std::string same_file(const std::string &path, const std::string &other_path) {
    return "Error: " + path + " and " + other_path + " are the same file\n";
}

// clang-format off
const std::vector<refusal_case> refusals_everywhere = {
    {"NoArguments", {}, usage_line, 2},
    {"OnlySource", {"dest.hex"}, usage_line, 2},
    {"MissingSource", {"missing.txt", "dest.hex"}, "Error opening missing.txt for reading\n", 1},
    {"MissingUnicodeSource", {"不在.txt", "dest.hex"}, "Error opening 不在.txt for reading\n", 1},
    {"NeitherOpens", {"missing.txt", "nodir/x.hex"}, "Error opening missing.txt for reading\n", 1},
    {"EmptySourcePath", {"", "dest.hex"}, "Error opening  for reading\n", 1},
    {"DirectorySource", {"dir", "dest.hex"}, "Error opening dir for reading\n", 1},
    {"DestinationIsDirectory", {"text.txt", "dir"}, "Error opening dir for writing\n", 1},
    {"DestinationInMissingDirectory", {"text.txt", "nodir/x.hex"}, "Error opening nodir/x.hex for writing\n", 1},
    {"UnicodeDestinationInMissingDirectory", {"text.txt", "nodir/日本.hex"}, "Error opening nodir/日本.hex for writing\n", 1},
    {"SamePath", {"text.txt", "text.txt"}, same_file("text.txt", "text.txt"), 1},
    {"SameUnicodePath", {unicode_name, unicode_name}, same_file(unicode_name, unicode_name), 1},
    {"DotSlash", {"text.txt", "./text.txt"}, same_file("text.txt", "./text.txt"), 1},
    {"AbsolutePath", {"text.txt", "@/text.txt"}, same_file("text.txt", "@/text.txt"), 1},
    {"HardLink", {"link.txt", "text.txt"}, same_file("link.txt", "text.txt"), 1},
    {"SymlinkSource", {"symlink.txt", "text.txt"}, same_file("symlink.txt", "text.txt"), 1},
    {"SymlinkDestination", {"text.txt", "symlink.txt"}, same_file("text.txt", "symlink.txt"), 1},
    {"PercentAndBlanksInPath", {"100%s %n.txt", "dest.hex"}, "Error opening 100%s %n.txt for reading\n", 1},
    {"LineFeedInPath", {"text.txt", "nodir/a\nb"}, "Error opening nodir/a\nb for writing\n", 1},
    {"NameTooLong", {too_long_name, "dest.hex"}, "Error opening " + too_long_name + " for reading\n", 1},
    {"PathTooLong", {"text.txt", too_long_path()}, "Error opening " + too_long_path() + " for writing\n", 1},
};
#ifdef _WIN32
const std::vector<refusal_case> refusals_here = {
    {"OtherLetterCase", {"text.txt", "TEXT.TXT"}, same_file("text.txt", "TEXT.TXT"), 1},
    {"DotBackslash", {"text.txt", ".\\text.txt"}, same_file("text.txt", ".\\text.txt"), 1},
    {"AbsolutePathWithBackslashes", {"@\\text.txt", "text.txt"}, same_file("@\\text.txt", "text.txt"), 1},
};
#else
const std::vector<refusal_case> refusals_here = {
    {"BytesNotUtf8InPath", {"\xff\xfe\x80.txt", "dest.hex"}, "Error opening \xff\xfe\x80.txt for reading\n", 1},
#ifdef __linux__
    {"ReadFailure", {"/proc/self/mem", "out.hex"}, "Error reading /proc/self/mem\n", 1},
    {"SmallWriteToFullDevice", {"text.txt", "/dev/full"}, "Error writing /dev/full\n", 1},
    {"LargeWriteToFullDevice", {"large.txt", "/dev/full"}, "Error writing /dev/full\n", 1},
#endif
};
#endif
// clang-format on

INSTANTIATE_TEST_SUITE_P(Messages, Refusal,
                         testing::ValuesIn(joined(refusals_everywhere, refusals_here)),
                         case_name<refusal_case>);

struct conversion_case {
    const char *name;
    std::vector<std::string> arguments;
    std::string output; // empty for a device that keeps nothing
};

void PrintTo(const conversion_case &sample, std::ostream *out) { *out << sample.name; }

class Conversion : public Cli, public testing::WithParamInterface<conversion_case> {};

TEST_P(Conversion, WritesListingSilently) {
    write("-", "HI\n");
    write(deep_folder + "/text.txt", "HI\n");
    const run_result result = run(GetParam().arguments);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.status, 0);
    if (!GetParam().output.empty()) {
        EXPECT_EQ(read(GetParam().output), hi_listing);
    }
    EXPECT_EQ(read("text.txt"), "HI\n");
}

// clang-format off
const std::vector<conversion_case> conversions_everywhere = {
    {"NewDestination", {"text.txt", "out.hex"}, "out.hex"},
    {"ExistingDestinationTruncated", {"text.txt", "dest.hex"}, "dest.hex"},
    {"ExtraArgumentsIgnored", {"text.txt", "out.hex", "extra", "dest.hex"}, "out.hex"},
    {"HyphenSourceIsAFile", {"-", "out.hex"}, "out.hex"},
    {"HyphenDestinationIsAFile", {"text.txt", "--"}, "--"},
    {"LongestName", {"text.txt", long_name}, long_name},
    {"UnicodeNames", {unicode_name, "日本.hex"}, "日本.hex"},
    {"AbsolutePaths", {"@/text.txt", "@/out.hex"}, "out.hex"},
    {"ParentFolders", {"dir/../text.txt", "dir/../out.hex"}, "out.hex"},
    {"PathsPastMaxPath", {deep_folder + "/text.txt", deep_folder + "/out.hex"}, deep_folder + "/out.hex"},
};
#ifdef _WIN32
const std::vector<conversion_case> conversions_here = {
    {"NullDevice", {"text.txt", "NUL"}, ""},
    {"NullDeviceOnBothSides", {"NUL", "NUL"}, ""},
};
#else
const std::vector<conversion_case> conversions_here = {
    {"NullDevice", {"text.txt", "/dev/null"}, ""},
    {"NullDeviceOnBothSides", {"/dev/null", "/dev/null"}, ""},
};
#endif
// clang-format on

INSTANTIATE_TEST_SUITE_P(Paths, Conversion,
                         testing::ValuesIn(joined(conversions_everywhere, conversions_here)),
                         case_name<conversion_case>);

TEST_F(Cli, ConvertsLargeTextExactly) {
    const run_result result = run({"large.txt", "out.hex"});
    EXPECT_EQ(result.status, 0);
    // Not EXPECT_EQ: a failure would print megabytes.
    EXPECT_TRUE(read("out.hex") == expected_listing(large_text()));
}

TEST_F(Cli, BundledExampleMatchesItsListing) {
    const fs::path examples = fs::absolute(HEXWORDS_EXAMPLES);
    const run_result result = run({(examples / "sample.txt").string(), "out.hex"});
    ASSERT_EQ(result.status, 0);
    std::ostringstream committed;
    committed << std::ifstream(examples / "sample.hex", std::ios::binary).rdbuf();
    EXPECT_EQ(read("out.hex"), committed.str());
}

TEST_F(Cli, UsageNamesProgramAsInvoked) {
    if (launched || under_node) {
        GTEST_SKIP() << "behind a launcher the program's name is its path, or the command's own";
    }
    const struct {
        std::string argument0;
        std::string name_printed;
    } cases[] = {{"./prog", "./prog"},
                 {"/opt/my tools/hex%s", "/opt/my tools/hex%s"},
                 {"C:\\Tools\\日本\\hexwords.exe", "C:\\Tools\\日本\\hexwords.exe"},
                 {"", "hexwords"}};
    for (const auto &sample : cases) {
        const run_result result = run_program(program, {sample.argument0, "text.txt"}, dir);
        EXPECT_EQ(without_carriage_returns(result.out), usage_for(sample.name_printed));
        EXPECT_EQ(result.status, 2);
    }
}

#ifndef _WIN32
TEST_F(Cli, UsageWithEmptyArgumentVector) {
    if (launched) {
        GTEST_SKIP() << "a launcher always passes the program a name";
    }
    const run_result result = run_program(program, {}, dir);
    EXPECT_EQ(result.out, usage_line);
    EXPECT_EQ(result.status, 2);
}

TEST_F(Cli, NewDestinationGetsDefaultModeLessUmask) {
    const struct {
        unsigned umask;
        fs::perms perms;
    } cases[] = {{0, fs::perms(0666)}, {022, fs::perms(0644)}, {077, fs::perms(0600)}};
    for (const auto &sample : cases) {
        fs::remove(dir / "out.hex");
        ASSERT_EQ(run({"text.txt", "out.hex"}, {.umask = sample.umask}).status, 0);
        EXPECT_EQ(fs::status(dir / "out.hex").permissions(), sample.perms)
            << "umask " << sample.umask;
    }
}

// With SIGXFSZ ignored a write past the limit fails with EFBIG, as on a full disk.
TEST_F(Cli, FileSizeLimitLeavesPrefixAndFails) {
    const std::string listing = expected_listing(large_text());
    for (const unsigned long long limit :
         {4095U, 4096U, 4097U, 65536U, 327680U, 327681U, 1000000U}) {
        ASSERT_LT(limit, listing.size());
        const run_result result = run({"large.txt", "out.hex"}, {.file_size_limit = limit});
        EXPECT_EQ(result.out, "Error writing out.hex\n") << "limit " << limit;
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(read("out.hex"), listing.substr(0, static_cast<std::size_t>(limit)))
            << "limit " << limit;
    }
    const run_result result = run({"large.txt", "out.hex"}, {.file_size_limit = listing.size()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(read("out.hex"), listing);
}

// Linux from here on: its system calls, its /proc, and peak memory counted in KiB.
#ifdef __linux__
// Whether a tool can be run here: a missing one fails in CI, which must install it, and skips
// elsewhere.
bool can_run(const std::string &command, const std::string &install_hint) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) == 0) {
        return true;
    }
    const char *ci = std::getenv("CI");
    EXPECT_FALSE(ci != nullptr && std::string(ci) == "true")
        << command << " fails: " << install_hint;
    return false;
}

#if defined(__x86_64__) || defined(__i386__)
// The run-time check picks the AVX2 path, the SSSE3 path or the table path by the processor;
// the listing must be the same bytes on each. A native build runs under qemu-x86_64 for this,
// a cross build under its own emulator.
TEST_F(Cli, SameListingOnEveryProcessor) {
    if (under_node) {
        GTEST_SKIP() << "the module has one path, SIMD128, which every engine runs";
    }
    if (sanitized ||
        (!launched && !can_run("qemu-x86_64 -cpu qemu64 /bin/true", "apt-get install qemu-user"))) {
        GTEST_SKIP() << "needs qemu-x86_64 and a build without sanitizers";
    }
    const std::vector<std::string> emulator =
        launched ? std::vector<std::string>{} : std::vector<std::string>{"qemu-x86_64"};
    const std::string listing = expected_listing(large_text());
    // With AVX2; with SSSE3 and no AVX2; with neither (qemu's oldest model of the architecture).
    for (const char *processor : {"max", "Nehalem", sizeof(void *) == 8 ? "qemu64" : "qemu32"}) {
        run_options options{.launcher = emulator};
        options.launcher.insert(options.launcher.end(), {"-cpu", processor});
        const run_result result = run({"large.txt", "out.hex"}, options);
        EXPECT_EQ(result.status, 0) << processor;
        EXPECT_TRUE(read("out.hex") == listing) << processor;
    }
}
#endif

// Faults injected into the program's own system calls with strace, on the files named by -P.
struct fault_case {
    const char *name;
    std::vector<std::string> injected; // strace's -e inject=, counted over the traced files' calls
    std::vector<std::string> traced;   // in the test's directory
    std::vector<int> closed_descriptors;
    std::string message;
    int status;
    enum { whole, words_read, written_prefix, absent } listing;
};

void PrintTo(const fault_case &sample, std::ostream *out) { *out << sample.name; }

class Fault : public Cli, public testing::WithParamInterface<fault_case> {};

// The system call that does what call names: node's WASI reads and writes a module's files with
// readv and writev, and reads their status with statx, once for itself on opening a file and
// once for the module, so a fault in reading the status goes to every such call.
std::string as_called(const std::string &call) {
    if (!under_node) {
        return call;
    }
    const std::string name = call.substr(0, call.find_first_of(":("));
    const std::string rest = call.substr(name.size());
    if (name == "read" || name == "write") {
        return name + "v" + rest;
    }
    return name == "newfstatat" ? "statx" + rest.substr(0, rest.find(":when=")) : call;
}

TEST_P(Fault, ReportsItAndLosesNothing) {
    const fault_case &sample = GetParam();
    if (launched || !can_run("strace -qq -o /dev/null /bin/true", "apt-get install strace")) {
        GTEST_SKIP() << "needs strace, permission to trace, and a native build";
    }
    if (under_node && !sample.closed_descriptors.empty()) {
        GTEST_SKIP() << "node itself opens /dev/null for closed standard streams";
    }
    const std::string trace = dir.string() + ".trace";
    // LeakSanitizer, in a sanitized build, cannot work under a tracer.
    std::vector<std::string> strace = {
        "strace", "-qq", "-s0", "-o", trace, "-E", "ASAN_OPTIONS=detect_leaks=0"};
    for (const std::string &injected : sample.injected) {
        strace.insert(strace.end(), {"-e", "inject=" + as_called(injected)});
    }
    for (const std::string &name : sample.traced) {
        strace.insert(strace.end(), {"-P", name.starts_with("/") ? name : expand("@/" + name)});
    }
    const run_result result =
        run({"large.txt", "out.hex"},
            {.launcher = strace, .closed_descriptors = sample.closed_descriptors});
    std::ifstream log(trace);
    std::vector<std::string> calls;
    for (std::string line; std::getline(log, line);) {
        calls.push_back(line);
    }
    fs::remove(trace);

    EXPECT_EQ(result.out, sample.message);
    EXPECT_EQ(result.status, sample.status);
    const auto injected = std::find_if(calls.begin(), calls.end(), [](const std::string &call) {
        return call.ends_with("(INJECTED)");
    });
    ASSERT_NE(injected, calls.end()) << "the fault was not injected";
    const std::string listing = expected_listing(large_text());
    const std::string written = read("out.hex");
    switch (sample.listing) {
    case fault_case::whole:
        EXPECT_TRUE(written == listing);
        break;
    case fault_case::words_read: {
        std::size_t bytes_read = 0;
        for (const std::string &call : calls) {
            if (call.starts_with(as_called("read(")) && !call.ends_with("(INJECTED)")) {
                bytes_read += std::stoul(call.substr(call.rfind('=') + 1));
            }
        }
        EXPECT_TRUE(written == expected_listing(large_text().substr(0, bytes_read)))
            << "after " << bytes_read << " bytes read";
        break;
    }
    case fault_case::written_prefix:
        EXPECT_TRUE(written == listing.substr(0, written.size()));
        EXPECT_TRUE(std::none_of(injected, calls.end(), [](const std::string &call) {
            return call.starts_with(as_called("read("));
        })) << "the source was read after the failed write";
        break;
    case fault_case::absent:
        EXPECT_FALSE(exists("out.hex"));
        break;
    }
}

const std::string reading_failed = "Error reading large.txt\n";
const std::string writing_failed = "Error writing out.hex\n";
const std::vector<std::string> both_files = {"large.txt", "out.hex"};

// clang-format off
INSTANTIATE_TEST_SUITE_P(SystemCalls, Fault, testing::Values(
    fault_case{"FirstReadFails", {"read:error=EIO:when=1"}, both_files, {}, reading_failed, 1, fault_case::words_read},
    fault_case{"SecondReadFails", {"read:error=EIO:when=2"}, both_files, {}, reading_failed, 1, fault_case::words_read},
    fault_case{"ThirdReadFails", {"read:error=EIO:when=3"}, both_files, {}, reading_failed, 1, fault_case::words_read},
    fault_case{"FifthReadFails", {"read:error=EIO:when=5"}, both_files, {}, reading_failed, 1, fault_case::words_read},
    fault_case{"FirstWriteDiskFull", {"write:error=ENOSPC:when=1"}, both_files, {}, writing_failed, 1, fault_case::written_prefix},
    fault_case{"SecondWriteDiskFull", {"write:error=ENOSPC:when=2"}, both_files, {}, writing_failed, 1, fault_case::written_prefix},
    fault_case{"ThirdWriteDiskFull", {"write:error=ENOSPC:when=3"}, both_files, {}, writing_failed, 1, fault_case::written_prefix},
    fault_case{"FirstWriteInputOutputError", {"write:error=EIO:when=1"}, both_files, {}, writing_failed, 1, fault_case::written_prefix},
    fault_case{"SecondWriteInputOutputError", {"write:error=EIO:when=2"}, both_files, {}, writing_failed, 1, fault_case::written_prefix},
    fault_case{"FourthWriteInputOutputError", {"write:error=EIO:when=4"}, both_files, {}, writing_failed, 1, fault_case::written_prefix},
    fault_case{"ListingCloseFails", {"close:error=EIO"}, {"out.hex"}, {}, writing_failed, 1, fault_case::whole},
    fault_case{"ReadAndListingCloseFail", {"read:error=EIO:when=2", "close:error=EIO:when=2"}, both_files, {}, reading_failed + writing_failed, 1, fault_case::words_read},
    fault_case{"SourceCloseFails", {"close:error=EIO"}, {"large.txt"}, {}, "", 0, fault_case::whole},
    fault_case{"SourceStatusUnreadable", {"newfstatat:error=EIO:when=1"}, {"large.txt"}, {}, "Error opening large.txt for reading\n", 1, fault_case::absent},
    fault_case{"NoNullDeviceForClosedStandardStreams", {"openat:error=ENFILE"}, {"/dev/null"}, {0, 1}, "", 0, fault_case::whole}),
    case_name<fault_case>);
// clang-format on

// A caller may start the program with standard streams closed: the listing must never take
// their place and receive a message.
TEST_F(Cli, ClosedStandardStreamsNeverReceiveMessages) {
    const struct {
        std::vector<int> closed;
        std::vector<std::string> arguments;
        std::string listing;
        int status;
    } cases[] = {
        {{1}, {"text.txt", "out.hex"}, hi_listing, 0},
        {{0, 1}, {"text.txt", "out.hex"}, hi_listing, 0},
        {{0, 1, 2}, {"text.txt", "out.hex"}, hi_listing, 0},
        {{1}, {"/proc/self/mem", "out.hex"}, "", 1},
        {{0, 1}, {"/proc/self/mem", "out.hex"}, "", 1},
    };
    for (const auto &sample : cases) {
        const run_result result = run(sample.arguments, {.closed_descriptors = sample.closed});
        EXPECT_EQ(result.status, sample.status) << sample.arguments[0];
        EXPECT_EQ(read("out.hex"), sample.listing) << sample.arguments[0];
    }
}

// A sparse file costs no disk: the whole 5 GiB is read, and memory stays what a tiny run needs.
// Under node, the 32-bit module reads it too, but memory is node's, whose heap is its own.
TEST_F(Cli, HugeSourceInConstantMemory) {
    if (launched) {
        GTEST_SKIP() << "5 GiB takes minutes under an emulator";
    }
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
    if (!under_node) {
        EXPECT_LT(huge.peak_memory_kib - tiny.peak_memory_kib, 1024);
    }
}

// Where long is 32 bits, so are the C library's file offsets unless the program asks for more:
// a source whose words start past the 4 GiB mark, and a listing that grows past it. The module
// under node is 32-bit too.
TEST_F(Cli, FilesPastFourGiBOn32BitSystems) {
    if (sizeof(long) > 4 && !under_node) {
        GTEST_SKIP() << "64-bit offsets are the only ones here";
    }
    const std::string line = std::string(63, 'Q') + "\n";
    const std::string listing_line = expected_listing(line);
    const std::string block = repeated(line, 16384);
    constexpr off_t four_gib = off_t{4} << 30;
    const off_t blocks = four_gib / std::ssize(listing_line) / 16384 + 1;
    const off_t lines = blocks * 16384;
    {
        const int fd = open((dir / "big.txt").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        for (off_t i = 0; i < blocks; ++i) {
            ASSERT_EQ(pwrite(fd, block.data(), block.size(), four_gib + i * std::ssize(block)),
                      std::ssize(block));
        }
        close(fd);
    }
    const run_result result = run({"big.txt", "big.hex"});
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.status, 0);
    const off_t listing_size = lines * std::ssize(listing_line);
    EXPECT_EQ(fs::file_size(dir / "big.hex"), static_cast<std::uintmax_t>(listing_size));
    // Windows of the listing around the marks where 31- and 32-bit offsets end.
    const int fd = open((dir / "big.hex").c_str(), O_RDONLY);
    for (const off_t mark : {off_t{0}, off_t{2} << 30, four_gib, listing_size - 1000}) {
        std::string window(1000, '\0');
        ASSERT_EQ(pread(fd, window.data(), window.size(), mark), std::ssize(window)) << mark;
        const auto from = static_cast<std::size_t>(mark % std::ssize(listing_line));
        EXPECT_EQ(window, repeated(listing_line, 5).substr(from, window.size())) << mark;
    }
    close(fd);
}
#endif // __linux__
#endif // !_WIN32

} // namespace
