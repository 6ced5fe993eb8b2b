// The AVX2 path, for x86 processors that have it: packs thirty-two bytes at a time and
// writes each group's eighty bytes of listing with three 32-byte stores.
#include "vector_listing.h"

#include <immintrin.h>

#define HEXWORDS_AVX2 __attribute__((target("avx2")))

namespace {

// Source bytes that packing classifies at a time.
constexpr std::size_t pack_width = 32;

// Each 32-byte store of a group's listing shuffles, in both of its halves, the same sixteen
// bytes of pairs, taken from this byte of the group on: they hold every pair that it needs.
constexpr std::size_t store_size = 32;
constexpr std::array<std::size_t, 3> store_windows = {0, 12, 16};
constexpr auto layouts = make_group_layouts<store_windows.size(), store_size, 16>(store_windows);
using layout = decltype(layouts)::value_type;

HEXWORDS_AVX2 __m256i load(const void *from) {
    return _mm256_loadu_si256(static_cast<const __m256i *>(from));
}

HEXWORDS_AVX2 void store(void *to, __m256i bytes) {
    _mm256_storeu_si256(static_cast<__m256i *>(to), bytes);
}

HEXWORDS_AVX2 __m256i load_twice(const void *from) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(static_cast<const __m128i *>(from)));
}

// Stores the pairs whose bits are set in mask, of the eight in pairs, and returns what follows.
HEXWORDS_AVX2 unsigned char *pack_eight(__m128i pairs, unsigned mask, unsigned char *to) {
    const __m128i indexes =
        _mm_loadu_si128(reinterpret_cast<const __m128i *>(pack_indexes[mask].data()));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to), _mm_shuffle_epi8(pairs, indexes));
    to += kept_counts[mask] * pair_size;
    return to;
}

HEXWORDS_AVX2 std::size_t pack(const unsigned char *bytes, std::size_t count,
                               unsigned char *pairs) {
    const __m256i digits = load_twice("0123456789abcdef");
    const __m256i low_nibble = _mm256_set1_epi8(0x0f);
    unsigned char *packed = pairs;
    for (std::size_t i = 0; i < count; i += pack_width) {
        const __m256i group = load(bytes + i);
        const __m256i from_bang = _mm256_sub_epi8(group, _mm256_set1_epi8('!'));
        const __m256i mapped =
            _mm256_cmpeq_epi8(_mm256_min_epu8(from_bang, _mm256_set1_epi8('Z' - '!')), from_bang);
        const __m256i blank = _mm256_cmpeq_epi8(group, _mm256_set1_epi8(' '));
        const __m256i line_feed = _mm256_cmpeq_epi8(group, _mm256_set1_epi8('\n'));
        const auto keep = static_cast<unsigned>(
            _mm256_movemask_epi8(_mm256_or_si256(_mm256_or_si256(mapped, blank), line_feed)));
        const __m256i value = _mm256_andnot_si256(blank, group);
        const __m256i high = _mm256_or_si256(
            _mm256_and_si256(_mm256_srli_epi16(value, 4), low_nibble), _mm256_set1_epi8('0'));
        const __m256i low = _mm256_shuffle_epi8(digits, _mm256_and_si256(value, low_nibble));
        // Interleaving works within each 16-byte half: the first holds the pairs of bytes 0 to
        // 7 and 16 to 23, the second those of bytes 8 to 15 and 24 to 31.
        const __m256i first = _mm256_unpacklo_epi8(high, low);
        const __m256i second = _mm256_unpackhi_epi8(high, low);
        if (keep == 0xffffffffU) { // every byte has a word, as in text in capitals
            store(packed, _mm256_permute2x128_si256(first, second, 0x20));
            store(packed + pack_width, _mm256_permute2x128_si256(first, second, 0x31));
            packed += pack_width * pair_size;
            continue;
        }
        packed = pack_eight(_mm256_castsi256_si128(first), keep & 0xffU, packed);
        packed = pack_eight(_mm256_castsi256_si128(second), keep >> 8U & 0xffU, packed);
        packed = pack_eight(_mm256_extracti128_si256(first, 1), keep >> 16U & 0xffU, packed);
        packed = pack_eight(_mm256_extracti128_si256(second, 1), keep >> 24U, packed);
    }
    return static_cast<std::size_t>(packed - pairs);
}

// Writes a group's listing in the layout for that place of its line feed and returns where it
// ends; the stores reach 96 bytes past listing.
HEXWORDS_AVX2 char *write_group(const unsigned char *group, std::size_t line_feed, char *listing) {
    const layout &chosen = layouts[line_feed];
    for (std::size_t part = 0; part < store_windows.size(); ++part) {
        const __m256i words =
            _mm256_or_si256(_mm256_shuffle_epi8(load_twice(group + store_windows[part]),
                                                load(chosen.index[part].data())),
                            load(chosen.fixed[part].data()));
        store(listing + part * store_size, words);
    }
    return listing + group_listing(line_feed);
}

// A bit for each pair of the group that is a line feed.
HEXWORDS_AVX2 std::uint64_t line_feeds_in(const unsigned char *group) {
    const __m256i line_feed = _mm256_set1_epi16(static_cast<short>(line_feed_pair));
    // Narrowing works within each half: pairs 0 to 7 give bits 0 to 7, pairs 8 to 15 bits 16 to 23.
    const auto bits = static_cast<unsigned>(_mm256_movemask_epi8(
        _mm256_packs_epi16(_mm256_cmpeq_epi16(load(group), line_feed), _mm256_setzero_si256())));
    return (bits | bits >> 8U) & 0xffffU;
}

[[gnu::flatten]] HEXWORDS_AVX2 char *expand(const unsigned char *pairs, std::size_t pair_count,
                                            char *listing) {
    return expand_groups<line_feeds_in, write_group, 1>(pairs, pair_count, listing);
}

char *list_avx2(const unsigned char *bytes, std::size_t count, char *listing) {
    return list_in_chunks(bytes, count, listing, pack_width, pack, expand);
}

} // namespace

listing_path avx2_path() {
    return {"avx2", list_avx2, __builtin_cpu_supports("avx2") != 0, "AVX2"};
}
