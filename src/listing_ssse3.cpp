// The SSSE3 path, for x86 processors without AVX2: packs sixteen bytes at a time and writes
// each group's eighty bytes of listing with five 16-byte stores.
#include "vector_listing.h"

#include <tmmintrin.h>

#define HEXWORDS_SSSE3 __attribute__((target("ssse3")))

namespace {

// Source bytes that packing classifies at a time.
constexpr std::size_t pack_width = 16;

HEXWORDS_SSSE3 __m128i load(const void *from) {
    return _mm_loadu_si128(static_cast<const __m128i *>(from));
}

HEXWORDS_SSSE3 void store(void *to, __m128i bytes) {
    _mm_storeu_si128(static_cast<__m128i *>(to), bytes);
}

// Stores the pairs whose bits are set in mask, of the eight in pairs, and returns what follows.
HEXWORDS_SSSE3 unsigned char *pack_eight(__m128i pairs, unsigned mask, unsigned char *to) {
    store(to, _mm_shuffle_epi8(pairs, load(pack_indexes[mask].index.data())));
    to += pack_indexes[mask].kept_bytes;
    return to;
}

HEXWORDS_SSSE3 std::size_t pack(const unsigned char *bytes, std::size_t count,
                                unsigned char *pairs) {
    const __m128i digits = load("0123456789abcdef");
    const __m128i low_nibble = _mm_set1_epi8(0x0f);
    unsigned char *packed = pairs;
    for (std::size_t i = 0; i < count; i += pack_width) {
        const __m128i group = load(bytes + i);
        const __m128i from_bang = _mm_sub_epi8(group, _mm_set1_epi8('!'));
        const __m128i mapped =
            _mm_cmpeq_epi8(_mm_min_epu8(from_bang, _mm_set1_epi8('Z' - '!')), from_bang);
        const __m128i blank = _mm_cmpeq_epi8(group, _mm_set1_epi8(' '));
        const __m128i line_feed = _mm_cmpeq_epi8(group, _mm_set1_epi8('\n'));
        const auto keep = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(mapped, blank), line_feed)));
        const __m128i value = _mm_andnot_si128(blank, group);
        const __m128i high =
            _mm_or_si128(_mm_and_si128(_mm_srli_epi16(value, 4), low_nibble), _mm_set1_epi8('0'));
        const __m128i low = _mm_shuffle_epi8(digits, _mm_and_si128(value, low_nibble));
        if (keep == 0xffffU) { // every byte has a word, as in text in capitals
            store(packed, _mm_unpacklo_epi8(high, low));
            store(packed + pack_width, _mm_unpackhi_epi8(high, low));
            packed += pack_width * pair_size;
            continue;
        }
        packed = pack_eight(_mm_unpacklo_epi8(high, low), keep & 0xffU, packed);
        packed = pack_eight(_mm_unpackhi_epi8(high, low), keep >> 8U, packed);
    }
    return static_cast<std::size_t>(packed - pairs);
}

// Writes a group's listing in the layout for that place of its line feed and returns where it
// ends; the stores reach 80 bytes past listing.
HEXWORDS_SSSE3 char *write_group(const unsigned char *group, std::size_t line_feed, char *listing) {
    const auto &chosen = sixteen_byte_layouts[line_feed];
    for (std::size_t part = 0; part < sixteen_byte_windows.size(); ++part) {
        const __m128i words =
            _mm_or_si128(_mm_shuffle_epi8(load(group + sixteen_byte_windows[part]),
                                          load(chosen.index[part].data())),
                         load(chosen.fixed[part].data()));
        store(listing + part * sixteen_byte_store, words);
    }
    return listing + group_listing(line_feed);
}

// A bit for each pair of the group that is a line feed.
HEXWORDS_SSSE3 std::uint64_t line_feeds_in(const unsigned char *group) {
    const __m128i line_feed = _mm_set1_epi16(static_cast<short>(line_feed_pair));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(
        _mm_cmpeq_epi16(load(group), line_feed), _mm_cmpeq_epi16(load(group + 16), line_feed))));
}

[[gnu::flatten]] HEXWORDS_SSSE3 char *expand(const unsigned char *pairs, std::size_t pair_count,
                                             char *listing) {
    return expand_groups<line_feeds_in, write_group, 1>(pairs, pair_count, listing);
}

char *list_ssse3(const unsigned char *bytes, std::size_t count, char *listing) {
    return list_in_chunks(bytes, count, listing, pack_width, pack, expand);
}

} // namespace

listing_path ssse3_path() {
    return {"ssse3", list_ssse3, __builtin_cpu_supports("ssse3") != 0, "SSSE3"};
}
