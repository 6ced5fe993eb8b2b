// What the page calls in its WebAssembly module: the fastest listing path there, and memory for
// the blocks it lists. The module imports nothing.
#include "listing.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" {

// Room for count bytes of source followed by room for their listing, or null where there is no
// memory to be had; the page takes it once and frees it with the page.
[[clang::export_name("hexwords_block")]] unsigned char *hexwords_block(std::size_t count) {
    return static_cast<unsigned char *>(
        std::malloc(count + count * longest_token + listing_overrun));
}

// The listing of the count bytes at bytes, written to listing, as listing.h says; returns its end.
[[clang::export_name("hexwords_list")]] char *hexwords_list(const unsigned char *bytes,
                                                            std::size_t count, char *listing) {
    return fastest_path().list(bytes, count, listing);
}

// Room for the 256 counts of hexwords_count_bytes, or null; the page takes it once, too.
[[clang::export_name("hexwords_counts")]] std::uint32_t *hexwords_counts() {
    return static_cast<std::uint32_t *>(std::calloc(256, sizeof(std::uint32_t)));
}

// How many of the count bytes at bytes (fewer than 2^32) hold each value, written to counts:
// the page takes from them the lines of their listing, which keeps the line feeds, and what the
// listing leaves out, by kind.
[[clang::export_name("hexwords_count_bytes")]] void
hexwords_count_bytes(const unsigned char *bytes, std::size_t count, std::uint32_t *counts) {
    std::fill_n(counts, 256, 0);
    std::for_each(bytes, bytes + count, [counts](unsigned char byte) { ++counts[byte]; });
}
}
