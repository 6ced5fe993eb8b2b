// What the page calls in its WebAssembly module: the fastest listing path there, and memory for
// the blocks it lists. The module imports nothing.
#include "listing.h"

#include <algorithm>
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

// How many line feeds the count bytes at bytes hold: the lines of their listing, which keeps them.
[[clang::export_name("hexwords_line_feeds")]] std::size_t
hexwords_line_feeds(const unsigned char *bytes, std::size_t count) {
    return static_cast<std::size_t>(std::count(bytes, bytes + count, '\n'));
}
}
