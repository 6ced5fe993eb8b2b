#include "convert.h"
#include "listing.h"
#include "model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <filesystem>
#endif
#ifdef __GLIBC__
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

// A file of its own, open for writing and then reading in binary mode, gone once it is closed.
std::FILE *scratch_file() {
#if defined(_WIN32)
    // The C runtime's tmpfile() makes its files at the root of the drive, which may be closed to
    // users: this one is in the user's temporary folder, and "D" deletes it once closed.
    static std::random_device random;
    const auto path =
        std::filesystem::temp_directory_path() / ("hexwords-convert-" + std::to_string(random()));
    return _wfopen(path.c_str(), L"w+bD");
#elif defined(__wasi__)
    // WASI has no temporary files: this one is made under /tmp, which the launcher opens to the
    // module, and unlinked at once.
    static std::random_device random;
    const std::string path = "/tmp/hexwords-convert-" + std::to_string(random());
    std::FILE *file = std::fopen(path.c_str(), "w+b");
    std::remove(path.c_str());
    return file;
#else
    return std::tmpfile();
#endif
}

// The listing of text through the given path, with real files as the program converts them.
std::string converted(std::string_view text, const listing_path &path) {
    std::FILE *source = scratch_file();
    std::FILE *destination = scratch_file();
    std::fwrite(text.data(), 1, text.size(), source);
    std::rewind(source);
    convert_stream_with(path, source, destination);
    EXPECT_FALSE(std::ferror(source) || std::ferror(destination));
    std::fclose(source);
    std::rewind(destination);
    std::string listing;
    std::array<char, 65536> block{};
    for (std::size_t size = 1; size > 0;) {
        size = std::fread(block.data(), 1, block.size(), destination);
        listing.append(block.data(), size);
    }
    EXPECT_EQ(std::fclose(destination), 0);
    return listing;
}

struct listing_case {
    std::string text;
    std::string listing;
};

void PrintTo(const listing_case &sample, std::ostream *out) {
    *out << testing::PrintToString(sample.text);
}

} // namespace

void PrintTo(const listing_path &path, std::ostream *out) { *out << path.name; }

namespace {

// Every test below runs once for each path that the build holds, and is skipped where the
// processor lacks that path's instructions.
void skip_unless_runs_here(const listing_path &path) {
    if (!path.runs_here) {
        GTEST_SKIP() << "this processor has no " << path.needs;
    }
}

class ListingTest : public testing::TestWithParam<std::tuple<listing_path, listing_case>> {
  protected:
    void SetUp() override { skip_unless_runs_here(std::get<0>(GetParam())); }
};

TEST_P(ListingTest, MatchesFormatAndModel) {
    const auto &[path, sample] = GetParam();
    EXPECT_EQ(converted(sample.text, path), sample.listing);
    EXPECT_EQ(expected_listing(sample.text), sample.listing);
    // Repeated, the case also fills whole vector groups, at many offsets in them.
    EXPECT_EQ(converted(repeated(sample.text, 67), path), repeated(sample.listing, 67));
}

std::string path_and_index(const testing::TestParamInfo<ListingTest::ParamType> &info) {
    return std::string(std::get<0>(info.param).name) + "_" + std::to_string(info.index);
}

using namespace std::string_literals;

// Each byte class at its edges, followed by a letter to show that conversion goes on after it.
// clang-format off
INSTANTIATE_TEST_SUITE_P(ByteClassEdges, ListingTest, testing::Combine(testing::ValuesIn(listing_paths()), testing::Values(
    listing_case{"\x00" "A"s, "4100 "},
    listing_case{"\x09" "A", "4100 "},
    listing_case{"\x0a" "A", "\n4100 "},
    listing_case{"\x0d" "A", "4100 "},
    listing_case{"\x1f" "A", "4100 "},
    listing_case{"\x20" "A", "0000 4100 "},
    listing_case{"\x21" "A", "2100 4100 "},
    listing_case{"\x22" "A", "2200 4100 "},
    listing_case{"%A", "2500 4100 "},
    listing_case{"09:@", "3000 3900 3a00 4000 "},
    listing_case{"\x5a" "A", "5a00 4100 "},
    listing_case{"\x5b" "A", "4100 "},
    listing_case{"\x60" "A", "4100 "},
    listing_case{"\x61" "A", "4100 "},
    listing_case{"\x7e" "A", "4100 "},
    listing_case{"\x7f" "A", "4100 "},
    listing_case{"\x80" "A", "4100 "},
    listing_case{"\xff" "A", "4100 "})), path_and_index);
// clang-format on

// clang-format off
INSTANTIATE_TEST_SUITE_P(LineStructure, ListingTest, testing::Combine(testing::ValuesIn(listing_paths()), testing::Values(
    listing_case{"", ""},
    listing_case{"xyz", ""},
    listing_case{"HI\n", "4800 4900 \n"},
    listing_case{"ABC", "4100 4200 4300 "},
    listing_case{"A\n\nB\n", "4100 \n\n4200 \n"},
    listing_case{"\n\n", "\n\n"},
    listing_case{"AB\r\nC\r\n", "4100 4200 \n4300 \n"},
    listing_case{"A\nxyz", "4100 \n"},
    listing_case{"hello world\n", "0000 \n"},
    listing_case{"\t\0\x80\xfeQ\n"s, "5100 \n"})), path_and_index);
// clang-format on

class PathTest : public testing::TestWithParam<listing_path> {
  protected:
    void SetUp() override { skip_unless_runs_here(GetParam()); }
};

INSTANTIATE_TEST_SUITE_P(Paths, PathTest, testing::ValuesIn(listing_paths()),
                         [](const testing::TestParamInfo<listing_path> &path) {
                             return std::string(path.param.name);
                         });

TEST_P(PathTest, EveryByteValueMatchesModel) {
    std::string every_byte;
    for (int value = 0; value < 256; ++value) {
        const std::string byte(1, static_cast<char>(value));
        EXPECT_EQ(converted(byte, GetParam()), expected_listing(byte)) << "byte " << value;
        every_byte += byte;
    }
    EXPECT_EQ(converted(every_byte, GetParam()), expected_listing(every_byte));
}

// Random text over an alphabet; an empty alphabet stands for every byte value.
std::string random_text(std::size_t size, std::mt19937 &random, std::string_view alphabet) {
    std::uniform_int_distribution<int> any_byte(0, 255);
    std::uniform_int_distribution<std::size_t> letter(0, std::max<std::size_t>(alphabet.size(), 1) -
                                                             1);
    std::string text(size, '\0');
    for (char &character : text) {
        character =
            alphabet.empty() ? static_cast<char>(any_byte(random)) : alphabet[letter(random)];
    }
    return text;
}

// Every byte; text with short lines, dropped bytes and CR LF; and capitals with no line feed,
// where every byte has a word.
constexpr std::array<std::string_view, 3> alphabets = {"", "AZ az!%09 \n\n\r\t\"[\\]~",
                                                       "THE QUICK FOX, 09:@ \"100%\""};

// Sizes on, just below and just above every buffer along the way: glibc's default stream
// buffers and the converter's own blocks.
std::vector<std::size_t> boundary_sizes() {
    std::vector<std::size_t> sizes;
    for (std::size_t size = 0; size <= 64; ++size) {
        sizes.push_back(size);
    }
    for (const std::size_t boundary : {std::size_t{BUFSIZ}, std::size_t{4096}, convert_block_size,
                                       2 * convert_block_size, 3 * convert_block_size}) {
        sizes.insert(sizes.end(), {boundary - 1, boundary, boundary + 1});
    }
    sizes.push_back(1'000'003);
    return sizes;
}

TEST_P(PathTest, RandomInputsMatchModelAtEveryBufferBoundary) {
    std::mt19937 random(20261208);
    for (const std::size_t size : boundary_sizes()) {
        for (const std::string_view alphabet : alphabets) {
            const std::string text = random_text(size, random, alphabet);
            ASSERT_EQ(converted(text, GetParam()), expected_listing(text))
                << "size " << size << ", alphabet \"" << alphabet << '"';
        }
    }
}

// A path alone, on a source of exactly its size, so that the sanitizers catch a read outside it,
// and a listing of the room that the contract asks for and a guard after it: nothing may be
// written more than listing_overrun bytes past the end that the path returns. A line feed, a blank
// or a dropped byte stands at every offset of two 64-byte groups and of the 64-byte groups on
// either side of the end of a 4 KiB chunk, among bytes that all have a word or that all are
// dropped, with tails of every length after it.
TEST_P(PathTest, ListsEveryOffsetWithinItsBounds) {
    constexpr std::size_t guard_size = 64;
    std::vector<std::size_t> offsets(128);
    std::iota(offsets.begin(), offsets.end(), 0);
    for (std::size_t offset = 4096 - 64; offset < 4096 + 64; ++offset) {
        offsets.push_back(offset);
    }
    for (const char background : {'Q', 'q'}) {
        for (const char odd_one : {'\n', ' ', 'x', '\xff'}) {
            for (const std::size_t offset : offsets) {
                const std::size_t tail = offset % 67;
                const std::string text =
                    std::string(offset, background) + odd_one + std::string(tail, background);
                const std::string token = expected_listing({&background, 1});
                const std::string listing_expected = repeated(token, offset) +
                                                     expected_listing({&odd_one, 1}) +
                                                     repeated(token, tail);
                const std::vector<unsigned char> bytes(text.begin(), text.end());
                const std::size_t room = text.size() * longest_token + listing_overrun;
                std::vector<char> listing(room + guard_size, '\x7f');
                const char *end = GetParam().list(bytes.data(), bytes.size(), listing.data());
                ASSERT_EQ(std::string_view(listing.data(), end), listing_expected)
                    << "offset " << offset << " in " << text.size() << " bytes of " << background;
                const char *past_overrun = end + listing_overrun;
                ASSERT_TRUE(std::all_of(past_overrun,
                                        std::as_const(listing).data() + listing.size(),
                                        [](char byte) { return byte == '\x7f'; }))
                    << "written past the overrun at offset " << offset;
                ASSERT_EQ(bytes, std::vector<unsigned char>(text.begin(), text.end()));
            }
        }
    }
}

// Faults injected through custom streams, which fopencookie makes (glibc's, and WASI's).
#if defined(__GLIBC__) || defined(__wasi__)

constexpr std::size_t never = SIZE_MAX;

// A source stream that serves text and then fails at byte fail_at, unless that is never.
struct failing_source {
    std::string_view text;
    std::size_t fail_at = never;
    std::size_t served = 0;
};

// A destination stream that takes capacity bytes and fails after that, noting how much of
// the source had been read when its first write failed.
struct failing_sink {
    const failing_source *source;
    std::size_t capacity = never;
    std::string taken{};
    std::size_t served_at_failure = never;
};

ssize_t read_failing_source(void *cookie, char *buffer, std::size_t size) {
    auto &source = *static_cast<failing_source *>(cookie);
    if (source.served == source.fail_at) {
        errno = EIO;
        return -1;
    }
    const std::size_t count =
        std::min({size, source.text.size() - source.served, source.fail_at - source.served});
    std::memcpy(buffer, source.text.data() + source.served, count);
    source.served += count;
    return static_cast<ssize_t>(count);
}

ssize_t write_failing_sink(void *cookie, const char *buffer, std::size_t size) {
    auto &sink = *static_cast<failing_sink *>(cookie);
    const std::size_t count = std::min(size, sink.capacity - sink.taken.size());
    sink.taken.append(buffer, count);
    if (count == size) {
        return static_cast<ssize_t>(size);
    }
    sink.served_at_failure = std::min(sink.served_at_failure, sink.source->served);
    errno = ENOSPC;
#ifdef __GLIBC__
    return static_cast<ssize_t>(count); // a short count is the failure: glibc wants no -1 here
#else
    return -1; // musl, WASI's C library, takes a short count for a partial write, not a failure
#endif
}

std::FILE *open_source(failing_source &state) {
    return fopencookie(&state, "r", {read_failing_source, nullptr, nullptr, nullptr});
}

std::FILE *open_sink(failing_sink &state) {
    return fopencookie(&state, "w", {nullptr, write_failing_sink, nullptr, nullptr});
}

struct conversion {
    std::string written;     // what reached the destination, its final write-out included
    bool read_failed;        // the source's error flag after the conversion
    bool write_failed;       // the destination's error flag after the conversion
    bool close_failed;       // fclose of the destination reported a failure
    bool read_after_failure; // the source was read after a write had failed
};

conversion convert(std::string_view text, std::size_t fail_read_at = never,
                   std::size_t sink_capacity = never) {
    failing_source source_state{text, fail_read_at};
    failing_sink sink_state{&source_state, sink_capacity};
    std::FILE *source = open_source(source_state);
    std::FILE *destination = open_sink(sink_state);
    convert_stream(source, destination);
    conversion result{};
    result.read_failed = std::ferror(source) != 0;
    result.write_failed = std::ferror(destination) != 0;
    const bool stopped_after_failure = sink_state.served_at_failure == never ||
                                       sink_state.served_at_failure == source_state.served;
    result.read_after_failure = !stopped_after_failure;
    std::fclose(source);
    result.close_failed = std::fclose(destination) != 0;
    result.written = sink_state.taken;
    return result;
}

std::vector<std::size_t> failure_points() {
    std::vector<std::size_t> points{0, 1, 2, 5, 6};
    for (const std::size_t boundary : {std::size_t{BUFSIZ}, convert_block_size,
                                       2 * convert_block_size, 5 * convert_block_size}) {
        points.insert(points.end(), {boundary - 1, boundary, boundary + 1});
    }
    return points;
}

TEST(ConvertStream, ReadFailureEndsConversionAfterWhatWasRead) {
    std::mt19937 random(7);
    const std::string text = random_text(3 * convert_block_size + 10, random, alphabets[1]);
    for (const std::size_t fail_at : failure_points()) {
        if (fail_at > text.size()) {
            continue;
        }
        const conversion result = convert(text, fail_at);
        EXPECT_TRUE(result.read_failed) << "failing at " << fail_at;
        EXPECT_FALSE(result.write_failed || result.close_failed);
        EXPECT_EQ(result.written, expected_listing(text.substr(0, fail_at)))
            << "failing at " << fail_at;
    }
}

TEST(ConvertStream, WriteFailureLeavesPrefixAndStopsReading) {
    const std::string text(2 * convert_block_size + 7, 'Q'); // five bytes out for every byte in
    const std::string listing = expected_listing(text);
    for (const std::size_t capacity : failure_points()) {
        const conversion result = convert(text, never, capacity);
        EXPECT_TRUE(result.write_failed || result.close_failed) << "capacity " << capacity;
        EXPECT_FALSE(result.read_failed);
        EXPECT_FALSE(result.read_after_failure) << "capacity " << capacity;
        EXPECT_EQ(result.written, listing.substr(0, capacity)) << "capacity " << capacity;
    }
}

TEST(ConvertStream, ReadsNothingForDestinationThatHasAlreadyFailed) {
    failing_source source_state{"ABC"};
    failing_sink sink_state{&source_state, 0};
    std::FILE *source = open_source(source_state);
    std::FILE *destination = open_sink(sink_state);
    std::fputc('x', destination);
    std::fflush(destination);
    convert_stream(source, destination);
    EXPECT_EQ(source_state.served, 0U);
    std::fclose(source);
    std::fclose(destination);
}

#ifdef __GLIBC__
#if defined(__SANITIZE_ADDRESS__)
constexpr bool address_sanitizer = true; // GCC
#elif defined(__has_feature)
constexpr bool address_sanitizer = __has_feature(address_sanitizer); // clang
#else
constexpr bool address_sanitizer = false;
#endif

// The bytes of address space that the process has mapped.
std::size_t address_space_in_use() {
    std::size_t pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    return pages * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
}

// With no memory to be had for its blocks, the conversion goes on in smaller ones. Everything
// the test needs is allocated before the process's address space is limited to what it has.
TEST(ConvertStream, LosesNothingWhenNoMemoryCanBeHad) {
    if (address_sanitizer) {
        GTEST_SKIP() << "AddressSanitizer needs address space of its own";
    }
    std::mt19937 random(3);
    const std::string text = random_text(3 * convert_block_size + 10, random, alphabets[0]);
    const std::string listing = expected_listing(text);
    failing_source source_state{text};
    failing_sink sink_state{&source_state};
    sink_state.taken.reserve(listing.size());
    std::FILE *source = open_source(source_state);
    std::FILE *destination = open_sink(sink_state);
    std::array<char, BUFSIZ> source_buffer{};
    std::array<char, BUFSIZ> destination_buffer{};
    std::setvbuf(source, source_buffer.data(), _IOFBF, source_buffer.size());
    std::setvbuf(destination, destination_buffer.data(), _IOFBF, destination_buffer.size());
    rlimit unlimited{};
    getrlimit(RLIMIT_AS, &unlimited);
    const rlimit limited{address_space_in_use() + 64 * 1024, unlimited.rlim_max};
    ASSERT_EQ(setrlimit(RLIMIT_AS, &limited), 0);
    convert_stream(source, destination);
    setrlimit(RLIMIT_AS, &unlimited);
    EXPECT_FALSE(std::ferror(source) || std::ferror(destination));
    std::fclose(source);
    EXPECT_EQ(std::fclose(destination), 0);
    EXPECT_TRUE(sink_state.taken == listing);
}

#endif // __GLIBC__
#endif

} // namespace
