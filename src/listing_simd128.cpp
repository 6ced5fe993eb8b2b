// The SIMD128 path, for WebAssembly, whose engines all have 128-bit SIMD now: packs sixteen bytes
// at a time and writes each group's eighty bytes of listing with five 16-byte stores, as the
// SSSE3 path does; i8x16.swizzle is SSSE3's shuffle, and it too yields zero for the index 0x80.
#include "vector_listing.h"

#include <wasm_simd128.h>

namespace {

// Source bytes that packing classifies at a time.
constexpr std::size_t pack_width = 16;

v128_t load(const void *from) { return wasm_v128_load(from); }

void store(void *to, v128_t bytes) { wasm_v128_store(to, bytes); }

// Each byte of high followed by the same byte of low: the first eight pairs, and the last.
v128_t first_pairs(v128_t high, v128_t low) {
    return wasm_i8x16_shuffle(high, low, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
}

v128_t last_pairs(v128_t high, v128_t low) {
    return wasm_i8x16_shuffle(high, low, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15,
                              31);
}

// Stores the pairs whose bits are set in mask, of the eight in pairs, and returns what follows.
unsigned char *pack_eight(v128_t pairs, unsigned mask, unsigned char *to) {
    store(to, wasm_i8x16_swizzle(pairs, load(pack_indexes[mask].index.data())));
    to += pack_indexes[mask].kept_bytes;
    return to;
}

std::size_t pack(const unsigned char *bytes, std::size_t count, unsigned char *pairs) {
    const v128_t digits = load("0123456789abcdef");
    unsigned char *packed = pairs;
    for (std::size_t i = 0; i < count; i += pack_width) {
        const v128_t group = load(bytes + i);
        const v128_t mapped = wasm_u8x16_le(wasm_i8x16_sub(group, wasm_i8x16_splat('!')),
                                            wasm_i8x16_splat('Z' - '!'));
        const v128_t blank = wasm_i8x16_eq(group, wasm_i8x16_splat(' '));
        const v128_t line_feed = wasm_i8x16_eq(group, wasm_i8x16_splat('\n'));
        const unsigned keep =
            wasm_i8x16_bitmask(wasm_v128_or(wasm_v128_or(mapped, blank), line_feed));
        const v128_t value = wasm_v128_andnot(group, blank);
        const v128_t high = wasm_v128_or(wasm_u8x16_shr(value, 4), wasm_i8x16_splat('0'));
        const v128_t low = wasm_i8x16_swizzle(digits, wasm_v128_and(value, wasm_i8x16_splat(0x0f)));
        if (keep == 0xffffU) { // every byte has a word, as in text in capitals
            store(packed, first_pairs(high, low));
            store(packed + pack_width, last_pairs(high, low));
            packed += pack_width * pair_size;
            continue;
        }
        packed = pack_eight(first_pairs(high, low), keep & 0xffU, packed);
        packed = pack_eight(last_pairs(high, low), keep >> 8U, packed);
    }
    return static_cast<std::size_t>(packed - pairs);
}

// Writes a group's listing in the layout for that place of its line feed and returns where it
// ends; the stores reach 80 bytes past listing.
char *write_group(const unsigned char *group, std::size_t line_feed, char *listing) {
    const auto &chosen = sixteen_byte_layouts[line_feed];
    for (std::size_t part = 0; part < sixteen_byte_windows.size(); ++part) {
        const v128_t words =
            wasm_v128_or(wasm_i8x16_swizzle(load(group + sixteen_byte_windows[part]),
                                            load(chosen.index[part].data())),
                         load(chosen.fixed[part].data()));
        store(listing + part * sixteen_byte_store, words);
    }
    return listing + group_listing(line_feed);
}

// A bit for each pair of the group that is a line feed.
std::uint64_t line_feeds_in(const unsigned char *group) {
    const v128_t line_feed = wasm_i16x8_splat(static_cast<std::int16_t>(line_feed_pair));
    return wasm_i8x16_bitmask(wasm_i8x16_narrow_i16x8(wasm_i16x8_eq(load(group), line_feed),
                                                      wasm_i16x8_eq(load(group + 16), line_feed)));
}

[[gnu::flatten]] char *expand(const unsigned char *pairs, std::size_t pair_count, char *listing) {
    return expand_groups<line_feeds_in, write_group, 1>(pairs, pair_count, listing);
}

char *list_simd128(const unsigned char *bytes, std::size_t count, char *listing) {
    return list_in_chunks(bytes, count, listing, pack_width, pack, expand);
}

} // namespace

listing_path simd128_path() { return {"simd128", list_simd128, true, "128-bit SIMD"}; }
