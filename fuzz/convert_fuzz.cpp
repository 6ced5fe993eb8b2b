// Feeds arbitrary bytes through every listing path that this processor runs and checks each
// listing against the byte-by-byte model: once through convert_stream_with, as the program
// converts, and once through the path alone, with the source and the room that the contract
// promises in buffers of exactly their size, so that AddressSanitizer catches a read or a write
// outside them. Run: convert_fuzz -max_total_time=60 CORPUS_DIR fuzz/seeds
#include "convert.h"
#include "listing.h"
#include "model.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

namespace {

void fail(const listing_path &path, const char *how) {
    static_cast<void>(
        std::fprintf(stderr, "the %s path's listing differs from the model %s\n", path.name, how));
    std::abort();
}

void check_stream(const listing_path &path, const std::uint8_t *data, std::size_t size,
                  std::string_view expected) {
    // fmemopen wants at least one byte, so an empty input is read from /dev/null.
    std::FILE *source = size > 0 ? fmemopen(const_cast<std::uint8_t *>(data), size, "r")
                                 : std::fopen("/dev/null", "r");
    char *listing = nullptr;
    std::size_t listing_size = 0;
    std::FILE *destination = open_memstream(&listing, &listing_size);
    if (source == nullptr || destination == nullptr) {
        std::abort();
    }
    convert_stream_with(path, source, destination);
    const bool failed = std::ferror(source) != 0 || std::ferror(destination) != 0;
    static_cast<void>(std::fclose(source));
    static_cast<void>(std::fclose(destination));
    if (failed || std::string_view(listing, listing_size) != expected) {
        fail(path, "through a stream");
    }
    std::free(listing);
}

void check_alone(const listing_path &path, const std::uint8_t *data, std::size_t size,
                 std::string_view expected) {
    const auto bytes = std::make_unique<unsigned char[]>(size);
    std::memcpy(bytes.get(), data, size);
    const std::size_t room = size * longest_token + listing_overrun;
    const auto listing = std::make_unique<char[]>(room);
    const char *end = path.list(bytes.get(), size, listing.get());
    if (std::string_view(listing.get(), static_cast<std::size_t>(end - listing.get())) !=
            expected ||
        std::memcmp(bytes.get(), data, size) != 0) {
        fail(path, "alone");
    }
}

} // namespace

// Names the paths that every input goes through, and those that this processor cannot run, for
// the log.
extern "C" int LLVMFuzzerInitialize(int * /*argc*/, char *** /*argv*/) {
    for (const bool runs_here : {true, false}) {
        static_cast<void>(
            std::fprintf(stderr, runs_here ? "listing paths checked:" : "not run here:"));
        const char *named = " none";
        for (const listing_path &path : listing_paths()) {
            if (path.runs_here == runs_here) {
                static_cast<void>(std::fprintf(stderr, " %s", path.name));
                named = "";
            }
        }
        static_cast<void>(std::fprintf(stderr, "%s\n", named));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string expected =
        expected_listing(std::string_view(reinterpret_cast<const char *>(data), size));
    for (const listing_path &path : listing_paths()) {
        if (path.runs_here) {
            check_stream(path, data, size, expected);
            check_alone(path, data, size, expected);
        }
    }
    return 0;
}
