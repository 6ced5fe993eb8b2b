// What the vector paths share. They list a block in chunks, each in two passes:
//
// 1. Packing: for every byte that has a token, in order, what expanding needs of it: for most
//    paths a pair of characters, its two hex digits, "00" for a blank and "0a" for a line feed
//    (no word starts with 0, so "0a" can only be a line feed); for NEON the byte itself.
// 2. Expanding: each group of sixteen packed bytes with tokens becomes its listing with a few
//    shuffles and stores. Which shuffles depends on where the group's line feed is, if it has
//    one; a group with more than one is written a line at a time.
#pragma once

#include "listing.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "pairs are read as 16-bit words");

// Source bytes per chunk: their pairs stay in the processor's first-level cache.
inline constexpr std::size_t chunk_size = 4096;

inline constexpr std::size_t pair_size = 2;
inline constexpr std::size_t group_pairs = 16;
inline constexpr std::size_t group_bytes = group_pairs * pair_size;
inline constexpr std::size_t group_listing_size = group_pairs * longest_token;

// The pair a line feed becomes, as a little-endian 16-bit word.
inline constexpr std::uint16_t line_feed_pair = '0' | 'a' << 8U;

// After a chunk's pairs come zero pairs: they fill its last group, so that expanding finds no
// stale line feed there, and every shuffle window of that group's lines.
inline constexpr std::size_t pairs_padding = 3 * group_bytes;
inline constexpr std::size_t pairs_room = chunk_size * pair_size + pairs_padding;

// For each mask of eight bits: the byte indexes of the pairs whose bits are set, moved to the
// front of sixteen bytes (an index with its top bit set yields zero in every shuffle used here),
// and the bytes that those pairs fill. One entry holds both, so that a path finds them with one
// scaled index.
struct alignas(32) packing {
    std::array<std::uint8_t, 16> index;
    std::size_t kept_bytes;
};
using pack_table = std::array<packing, 256>;

constexpr pack_table make_pack_indexes() {
    pack_table table{};
    for (unsigned mask = 0; mask < table.size(); ++mask) {
        table[mask].index.fill(0x80);
        std::size_t kept = 0;
        for (unsigned pair = 0; pair < 8; ++pair) {
            if ((mask >> pair & 1U) != 0) {
                table[mask].index[kept++] = static_cast<std::uint8_t>(pair_size * pair);
                table[mask].index[kept++] = static_cast<std::uint8_t>(pair_size * pair + 1);
            }
        }
        table[mask].kept_bytes = kept;
    }
    return table;
}

inline constexpr pack_table pack_indexes = make_pack_indexes();

// Byte p of a group's listing, when the group has no line feed, is character p % 5 of word
// p / 5: the pair's two digits, then the fixed "00 ". With a line feed at pair line_feed, the
// words before it stay, the line feed takes one byte, and the words after it come four bytes
// earlier; no_line_feed stands for none.
inline constexpr std::size_t no_line_feed = group_pairs;

constexpr std::size_t group_listing(std::size_t line_feed) {
    return line_feed == no_line_feed ? group_listing_size
                                     : group_listing_size - (longest_token - 1);
}

constexpr bool holds_line_feed(std::size_t p, std::size_t line_feed) {
    return line_feed != no_line_feed && p == line_feed * longest_token;
}

// Where byte p of the listing would be without the line feed; past the group's listing, -1.
constexpr std::size_t unshifted(std::size_t p, std::size_t line_feed) {
    const std::size_t from = p > line_feed * longest_token ? p + longest_token - 1 : p;
    return from < group_listing_size ? from : SIZE_MAX;
}

// Not constexpr, and never defined: a constant whose evaluation reaches it does not compile.
void a_shuffle_window_misses_a_pair_it_needs();

// The shuffle index and the fixed character of byte p, for a shuffle that reaches the reach
// bytes of pairs from byte window of the group on; an index with its top bit set gives zero.
constexpr std::uint8_t group_index(std::size_t p, std::size_t line_feed, std::size_t window,
                                   std::size_t reach) {
    const std::size_t from = unshifted(p, line_feed);
    if (holds_line_feed(p, line_feed) || from == SIZE_MAX || from % longest_token >= pair_size) {
        return 0x80;
    }
    const std::size_t index = from / longest_token * pair_size + from % longest_token - window;
    if (index >= reach) {
        a_shuffle_window_misses_a_pair_it_needs();
    }
    return static_cast<std::uint8_t>(index);
}

constexpr char group_character(std::size_t p, std::size_t line_feed) {
    if (holds_line_feed(p, line_feed)) {
        return '\n';
    }
    const std::size_t from = unshifted(p, line_feed);
    return from == SIZE_MAX
               ? '\0'
               : std::array<char, longest_token>{0, 0, '0', '0', ' '}[from % longest_token];
}

// A group's listing as a path writes it: stores of store_size bytes, each a shuffle of the
// group's pairs from its window on, or'ed with fixed characters. A path may align the layouts
// further, to a power of two at least their size, so that it finds one with a single shift.
template <std::size_t stores, std::size_t store_size, std::size_t alignment = 32>
struct alignas(alignment) group_layout {
    std::array<std::array<std::uint8_t, store_size>, stores> index;
    std::array<std::array<char, store_size>, stores> fixed;
    std::size_t size; // of the group's listing, so that a path reads it rather than works it out
};

// The layouts of a group for every place of its line feed, and for none.
template <std::size_t stores, std::size_t store_size, std::size_t reach, std::size_t alignment = 32>
constexpr auto make_group_layouts(std::array<std::size_t, stores> windows) {
    std::array<group_layout<stores, store_size, alignment>, group_pairs + 1> layouts{};
    for (std::size_t line_feed = 0; line_feed <= no_line_feed; ++line_feed) {
        for (std::size_t store = 0; store < stores; ++store) {
            for (std::size_t byte = 0; byte < store_size; ++byte) {
                const std::size_t p = store * store_size + byte;
                layouts[line_feed].index[store][byte] =
                    group_index(p, line_feed, windows[store], reach);
                layouts[line_feed].fixed[store][byte] = group_character(p, line_feed);
            }
        }
        layouts[line_feed].size = group_listing(line_feed);
    }
    return layouts;
}

// The layouts of the paths whose shuffles see sixteen bytes and give sixteen (SSSE3, SIMD128):
// five 16-byte stores, store s shuffling the sixteen bytes of pairs from byte 6 * s of the group
// on, which hold every pair that it needs.
inline constexpr std::size_t sixteen_byte_store = 16;
inline constexpr std::array<std::size_t, 5> sixteen_byte_windows = {0, 6, 12, 18, 24};
inline constexpr auto sixteen_byte_layouts =
    make_group_layouts<sixteen_byte_windows.size(), sixteen_byte_store, 16>(sixteen_byte_windows);

// How far a chunk's listing ran past its end: its last group went on over the zero pairs
// after the pairs, and took them for words.
constexpr std::size_t listing_past_end(std::size_t pair_count) {
    return (group_pairs - pair_count % group_pairs) % group_pairs * longest_token;
}

// The place of the first line feed in a mask from a path's line_feeds_in, which sets bit
// pair * bits_per_pair for each pair that is a line feed; no_line_feed when there is none.
template <unsigned bits_per_pair> std::size_t first_line_feed(std::uint64_t line_feeds) {
    // A bit just past the group's stands for none; with 64 of them, no bit at all does.
    constexpr std::size_t width = group_pairs * bits_per_pair;
    constexpr std::uint64_t none = width < 64 ? std::uint64_t{1} << width % 64 : 0;
    // The count is taken as unsigned, which widens without a sign extension in the loop.
    // A 32-bit processor counts 32 bits at once, and 64 only in steps.
    if constexpr (width < 32 && sizeof(std::size_t) < sizeof(std::uint64_t)) {
        return static_cast<unsigned>(
                   std::countr_zero(static_cast<std::uint32_t>(line_feeds | none))) /
               bits_per_pair;
    }
    return static_cast<unsigned>(std::countr_zero(line_feeds | none)) / bits_per_pair;
}

// A group with more than one line feed, a line at a time, with a path's write_group.
template <auto write_group, unsigned bits_per_pair, std::size_t packed_size>
char *write_lines(const unsigned char *group, std::uint64_t line_feeds, char *listing) {
    std::size_t start = 0;
    for (; line_feeds != 0; line_feeds &= line_feeds - 1) {
        const std::size_t line_feed = first_line_feed<bits_per_pair>(line_feeds);
        write_group(group + start * packed_size, line_feed - start, listing);
        listing += (line_feed - start) * longest_token + 1;
        start = line_feed + 1;
    }
    write_group(group + start * packed_size, no_line_feed, listing);
    return listing + (group_pairs - start) * longest_token;
}

// The expanding pass, the same for every vector path, with the path's own two steps:
// line_feeds_in(group) marks the group's line feeds, and write_group(group, line_feed, listing)
// writes the group in the layout for that place of its line feed and returns where it ends.
// packed_size is the bytes that packing wrote for each byte with a token. Each path calls it from a
// function with its own instructions, marked flatten, so that it and the steps are inlined there;
// a path whose loop runs short of registers passes a write_group_lines of its own, kept out of it.
template <auto line_feeds_in, auto write_group, unsigned bits_per_pair,
          std::size_t packed_size = pair_size,
          auto write_group_lines = write_lines<write_group, bits_per_pair, packed_size>>
char *expand_groups(const unsigned char *packed, std::size_t pair_count, char *listing) {
    for (std::size_t used = 0; used < pair_count; used += group_pairs) {
        const unsigned char *group = packed + used * packed_size;
        const std::uint64_t line_feeds = line_feeds_in(group);
        if ((line_feeds & (line_feeds - 1)) != 0) {
            listing = write_group_lines(group, line_feeds, listing);
            continue;
        }
        const std::size_t line_feed = first_line_feed<bits_per_pair>(line_feeds);
        listing = write_group(group, line_feed, listing);
    }
    return listing - listing_past_end(pair_count);
}

// A path's two passes over one chunk: packing returns the bytes it wrote, and expanding returns
// where the listing it wrote ends (it may write up to listing_overrun past).
using pack_function = std::size_t(const unsigned char *bytes, std::size_t count,
                                  unsigned char *packed);
using expand_function = char *(const unsigned char *packed, std::size_t pair_count, char *listing);

// Lists a block through a path's two passes, chunk by chunk, in whole packing groups of
// group_input bytes; the table path takes the few bytes left over. packing writes packed_size
// bytes for each byte with a token.
inline char *list_in_chunks(const unsigned char *bytes, std::size_t count, char *listing,
                            std::size_t group_input, pack_function *pack, expand_function *expand,
                            std::size_t packed_size = pair_size) {
    std::array<unsigned char, pairs_room> packed; // NOLINT(*-member-init): written before read
    const std::size_t whole = count - count % group_input;
    for (std::size_t done = 0; done < whole; done += chunk_size) {
        const std::size_t size = std::min(chunk_size, whole - done);
        const std::size_t pair_count = pack(bytes + done, size, packed.data()) / packed_size;
        std::memset(packed.data() + pair_count * packed_size, 0, pairs_padding);
        listing = expand(packed.data(), pair_count, listing);
    }
    return table_path().list(bytes + whole, count - whole, listing);
}
