#include "convert.h"
#include "listing.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>

std::array<listing_path, listing_path_count> listing_paths() {
    return {
#if HEXWORDS_LISTS_AVX512
        avx512_path(),
#endif
#if HEXWORDS_LISTS_AVX2
            avx2_path(),
#endif
#if HEXWORDS_LISTS_SSSE3
            ssse3_path(),
#endif
#if HEXWORDS_LISTS_NEON
            neon_path(),
#endif
#if HEXWORDS_LISTS_SIMD128
            simd128_path(),
#endif
            table_path(),
    };
}

listing_path fastest_path() {
    const auto paths = listing_paths();
    return *std::find_if(paths.begin(), paths.end(),
                         [](const listing_path &path) { return path.runs_here; });
}

namespace {

// A block of source and room for its listing.
template <std::size_t block_size> struct working_memory {
    std::array<unsigned char, block_size> bytes;
    std::array<char, block_size * longest_token + listing_overrun> listing;
};

template <std::size_t block_size>
void convert_blocks(const listing_path &path, std::FILE *source, std::FILE *destination,
                    working_memory<block_size> &memory) {
    std::size_t count = block_size;
    // A short read means end of input or a read failure; either way it is the last block.
    while (count == block_size && std::ferror(destination) == 0) {
        count = std::fread(memory.bytes.data(), 1, block_size, source);
        const char *end = path.list(memory.bytes.data(), count, memory.listing.data());
        const auto size = static_cast<std::size_t>(end - memory.listing.data());
        if (std::fwrite(memory.listing.data(), 1, size, destination) != size) {
            return;
        }
    }
}

// Where no memory can be had, the conversion goes on in blocks small enough for the stack.
[[gnu::noinline]] void convert_in_small_blocks(const listing_path &path, std::FILE *source,
                                               std::FILE *destination) {
    working_memory<std::size_t{4} * 1024> memory; // NOLINT(*-member-init): written before read
    convert_blocks(path, source, destination, memory);
}

} // namespace

// The working memory comes from the heap, where the pages that a short source never reaches are
// never mapped: on the stack, the probes that guard it against clashes would touch every one of
// them at each start. It starts on a page, as the system's copies of the source's blocks do: the
// copy that a read makes runs four times slower on AMD's Zen 3 into memory that lies a few bytes
// past its source's place in a page, and malloc puts a large block sixteen bytes past one.
void convert_stream_with(const listing_path &path, std::FILE *source, std::FILE *destination) {
    using full_size = working_memory<convert_block_size>;
    constexpr std::size_t page_size = 4096;
    std::size_t room = sizeof(full_size) + page_size;
    void *allocated = std::malloc(room);
    if (allocated == nullptr) {
        convert_in_small_blocks(path, source, destination);
        return;
    }
    void *start = allocated;
    // With a page to spare, a page boundary is always within room.
    auto *memory = static_cast<full_size *>(std::align(page_size, sizeof(full_size), start, room));
    convert_blocks(path, source, destination, *memory);
    std::free(allocated);
}

void convert_stream(std::FILE *source, std::FILE *destination) {
    convert_stream_with(fastest_path(), source, destination);
}
