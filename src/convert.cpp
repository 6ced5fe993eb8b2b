#include "convert.h"
#include "listing.h"

#include <algorithm>
#include <array>

std::array<listing_path, listing_path_count> listing_paths() {
    return {
#if HEXWORDS_LISTS_AVX2
        avx2_path(),
#endif
#if HEXWORDS_LISTS_SSSE3
            ssse3_path(),
#endif
#if HEXWORDS_LISTS_NEON
            neon_path(),
#endif
            table_path(),
    };
}

listing_path fastest_path() {
    const auto paths = listing_paths();
    return *std::ranges::find_if(paths, &listing_path::runs_here);
}

void convert_stream_with(const listing_path &path, std::FILE *source, std::FILE *destination) {
    std::array<unsigned char, convert_block_size> bytes; // NOLINT(*-member-init)
    std::array<char, convert_block_size * longest_token + listing_overrun>
        listing; // NOLINT(*-member-init)
    std::size_t count = convert_block_size;
    // A short read means end of input or a read failure; either way it is the last block.
    while (count == convert_block_size && std::ferror(destination) == 0) {
        count = std::fread(bytes.data(), 1, convert_block_size, source);
        const char *end = path.list(bytes.data(), count, listing.data());
        const auto size = static_cast<std::size_t>(end - listing.data());
        if (std::fwrite(listing.data(), 1, size, destination) != size) {
            return;
        }
    }
}

void convert_stream(std::FILE *source, std::FILE *destination) {
    convert_stream_with(fastest_path(), source, destination);
}
