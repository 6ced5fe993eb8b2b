// The AVX2 path, for x86 processors that have it: classifies thirty-two bytes at a time and
// writes each group of sixteen words, eighty bytes of listing, with three 32-byte stores. Where
// every byte of thirty-two has a token, as in text in capitals, their listing is written straight
// from the registers that hold their pairs; elsewhere the pairs are packed first.
#include "vector_listing.h"

#include <immintrin.h>

#define HEXWORDS_AVX2 __attribute__((target("avx2")))

namespace {

// Source bytes classified at a time.
constexpr std::size_t block_width = 32;
constexpr unsigned every_byte_kept = 0xffffffffU;

// Each 32-byte store of a group's listing shuffles, in both of its halves, the same sixteen
// bytes of pairs, taken from this byte of the group on: they hold every pair that it needs.
constexpr std::size_t store_size = 32;
constexpr std::array<std::size_t, 3> store_windows = {0, 12, 16};
// A layout takes about 200 bytes; at 256 apiece, one shift of the line feed's place finds it.
constexpr std::size_t layout_alignment = 256;
constexpr auto layouts =
    make_group_layouts<store_windows.size(), store_size, 16, layout_alignment>(store_windows);
static_assert(sizeof(layouts[0]) == layout_alignment);

HEXWORDS_AVX2 __m256i load(const void *from) {
    return _mm256_loadu_si256(static_cast<const __m256i *>(from));
}

HEXWORDS_AVX2 void store(void *to, __m256i bytes) {
    _mm256_storeu_si256(static_cast<__m256i *>(to), bytes);
}

HEXWORDS_AVX2 __m256i load_twice(const void *from) {
    return _mm256_broadcastsi128_si256(_mm_loadu_si128(static_cast<const __m128i *>(from)));
}

// Thirty-two source bytes as both ways of listing them need them.
struct classified {
    // Their pairs, interleaved within each 16-byte half: first holds those of bytes 0 to 7 and
    // 16 to 23, second those of bytes 8 to 15 and 24 to 31.
    __m256i first;
    __m256i second;
    unsigned keep;       // a bit for each byte that has a token
    unsigned line_feeds; // a bit for each line feed
};

HEXWORDS_AVX2 classified classify(const unsigned char *bytes) {
    const __m256i group = load(bytes);
    // A byte from ' ' to 'Z' is a blank or has a word, and a line feed is itself.
    const __m256i from_blank = _mm256_sub_epi8(group, _mm256_set1_epi8(' '));
    const __m256i listed =
        _mm256_cmpeq_epi8(_mm256_min_epu8(from_blank, _mm256_set1_epi8('Z' - ' ')), from_blank);
    const __m256i blank = _mm256_cmpeq_epi8(group, _mm256_set1_epi8(' '));
    const __m256i line_feed = _mm256_cmpeq_epi8(group, _mm256_set1_epi8('\n'));
    const __m256i value = _mm256_andnot_si256(blank, group);
    const __m256i high =
        _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi16(value, 4), _mm256_set1_epi8(0x0f)),
                        _mm256_set1_epi8('0'));
    const __m256i low = _mm256_shuffle_epi8(load_twice("0123456789abcdef"),
                                            _mm256_and_si256(value, _mm256_set1_epi8(0x0f)));
    return {_mm256_unpacklo_epi8(high, low), _mm256_unpackhi_epi8(high, low),
            static_cast<unsigned>(_mm256_movemask_epi8(_mm256_or_si256(listed, line_feed))),
            static_cast<unsigned>(_mm256_movemask_epi8(line_feed))};
}

// The shuffle that moves the pairs whose bits are set in low_mask to the front of the first
// half, and those whose bits are set in high_mask to the front of the second.
HEXWORDS_AVX2 __m256i pack_indexes_for(unsigned low_mask, unsigned high_mask) {
    const auto *low = reinterpret_cast<const __m128i *>(pack_indexes[low_mask].index.data());
    const auto *high = reinterpret_cast<const __m128i *>(pack_indexes[high_mask].index.data());
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(low)),
                                   _mm_loadu_si128(high), 1);
}

HEXWORDS_AVX2 unsigned char *store_packed(__m128i pairs, unsigned mask, unsigned char *to) {
    _mm_storeu_si128(reinterpret_cast<__m128i *>(to), pairs);
    return to + pack_indexes[mask].kept_bytes;
}

// Stores the pairs of the block's bytes that have tokens, in order, and returns what follows:
// one shuffle packs two groups of eight, one in each half.
HEXWORDS_AVX2 unsigned char *pack_block(const classified &block, unsigned char *to) {
    const std::array<unsigned, 4> masks = {block.keep & 0xffU, block.keep >> 8U & 0xffU,
                                           block.keep >> 16U & 0xffU, block.keep >> 24U};
    const __m256i first = _mm256_shuffle_epi8(block.first, pack_indexes_for(masks[0], masks[2]));
    const __m256i second = _mm256_shuffle_epi8(block.second, pack_indexes_for(masks[1], masks[3]));
    to = store_packed(_mm256_castsi256_si128(first), masks[0], to);
    to = store_packed(_mm256_castsi256_si128(second), masks[1], to);
    to = store_packed(_mm256_extracti128_si256(first, 1), masks[2], to);
    return store_packed(_mm256_extracti128_si256(second, 1), masks[3], to);
}

HEXWORDS_AVX2 std::size_t pack(const unsigned char *bytes, std::size_t count,
                               unsigned char *pairs) {
    unsigned char *packed = pairs;
    for (std::size_t i = 0; i < count; i += block_width) {
        const classified block = classify(bytes + i);
        if (block.keep == every_byte_kept) {
            store(packed, _mm256_permute2x128_si256(block.first, block.second, 0x20));
            store(packed + block_width, _mm256_permute2x128_si256(block.first, block.second, 0x31));
            packed += block_width * pair_size;
            continue;
        }
        packed = pack_block(block, packed);
    }
    return static_cast<std::size_t>(packed - pairs);
}

// Writes a group's listing in the layout for that place of its line feed, from the group's pairs
// at the three windows, each in both halves, and returns where it ends; the stores reach 96
// bytes past listing.
HEXWORDS_AVX2 char *write_windows(__m256i first, __m256i middle, __m256i last,
                                  std::size_t line_feed, char *listing) {
    const auto &chosen = layouts[line_feed];
    const auto write_part = [&chosen](std::size_t part, __m256i window, char *to) HEXWORDS_AVX2 {
        store(to, _mm256_or_si256(_mm256_shuffle_epi8(window, load(chosen.index[part].data())),
                                  load(chosen.fixed[part].data())));
    };
    write_part(0, first, listing);
    write_part(1, middle, listing + store_size);
    write_part(2, last, listing + 2 * store_size);
    return listing + chosen.size;
}

HEXWORDS_AVX2 char *write_group(const unsigned char *group, std::size_t line_feed, char *listing) {
    return write_windows(load_twice(group + store_windows[0]), load_twice(group + store_windows[1]),
                         load_twice(group + store_windows[2]), line_feed, listing);
}

// Bit 2 * pair for each pair of the group that is a line feed.
constexpr unsigned line_feed_bits = 2;
HEXWORDS_AVX2 std::uint64_t line_feeds_in(const unsigned char *group) {
    const __m256i line_feed = _mm256_set1_epi16(static_cast<short>(line_feed_pair));
    const auto bits =
        static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(load(group), line_feed)));
    return bits & 0x55555555U;
}

// A packed group with more than one line feed: rare, and kept out of the loop, whose registers
// it would take.
[[gnu::noinline, gnu::cold]] HEXWORDS_AVX2 char *
write_group_lines(const unsigned char *group, std::uint64_t line_feeds, char *listing) {
    return write_lines<write_group, line_feed_bits, pair_size>(group, line_feeds, listing);
}

[[gnu::flatten]] HEXWORDS_AVX2 char *expand(const unsigned char *pairs, std::size_t pair_count,
                                            char *listing) {
    return expand_groups<line_feeds_in, write_group, line_feed_bits, pair_size, write_group_lines>(
        pairs, pair_count, listing);
}

// A group of sixteen source bytes that all have tokens, with more than one line feed: rare, and
// written from memory a line at a time, out of the way of the loop that holds constants in
// registers.
[[gnu::noinline, gnu::cold]] HEXWORDS_AVX2 char *
write_kept_lines(__m256i low, __m256i high, std::uint64_t line_feeds, char *listing) {
    std::array<unsigned char, pairs_padding> group{};
    store(group.data(), _mm256_permute2x128_si256(low, high, 0x20));
    return write_lines<write_group, 1, pair_size>(group.data(), line_feeds, listing);
}

// Writes the listing of sixteen source bytes that all have tokens, from their pairs: the first
// eight's in both halves of low, the last eight's in both halves of high.
HEXWORDS_AVX2 char *write_kept(__m256i low, __m256i high, std::uint64_t line_feeds, char *listing) {
    if ((line_feeds & (line_feeds - 1)) != 0) {
        return write_kept_lines(low, high, line_feeds, listing);
    }
    constexpr int middle_window = static_cast<int>(store_windows[1]);
    return write_windows(low, _mm256_alignr_epi8(high, low, middle_window), high,
                         first_line_feed<1>(line_feeds), listing);
}

// Lists blocks straight from the source, from done on, for as long as every byte of a block has
// a token, and returns how far it got.
[[gnu::flatten]] HEXWORDS_AVX2 std::size_t list_kept(const unsigned char *bytes, std::size_t done,
                                                     std::size_t whole, char *&listing) {
    char *end = listing;
    for (; done < whole; done += block_width) {
        const classified block = classify(bytes + done);
        if (block.keep != every_byte_kept) {
            break;
        }
        end = write_kept(_mm256_permute4x64_epi64(block.first, 0x44),
                         _mm256_permute4x64_epi64(block.second, 0x44), block.line_feeds & 0xffffU,
                         end);
        end =
            write_kept(_mm256_permute4x64_epi64(block.first, 0xee),
                       _mm256_permute4x64_epi64(block.second, 0xee), block.line_feeds >> 16U, end);
    }
    listing = end;
    return done;
}

// Chunk by chunk: blocks whose every byte has a token straight from the source, the rest of a
// chunk through its pairs; the table path takes the few bytes left over.
char *list_avx2(const unsigned char *bytes, std::size_t count, char *listing) {
    std::array<unsigned char, pairs_room> packed; // NOLINT(*-member-init): written before read
    const std::size_t whole = count - count % block_width;
    for (std::size_t done = list_kept(bytes, 0, whole, listing); done < whole;
         done = list_kept(bytes, done, whole, listing)) {
        const std::size_t size = std::min(chunk_size, whole - done);
        const std::size_t pair_count = pack(bytes + done, size, packed.data()) / pair_size;
        std::memset(packed.data() + pair_count * pair_size, 0, pairs_padding);
        listing = expand(packed.data(), pair_count, listing);
        done += size;
    }
    return table_path().list(bytes + whole, count - whole, listing);
}

} // namespace

listing_path avx2_path() {
    return {"avx2", list_avx2, __builtin_cpu_supports("avx2") != 0, "AVX2"};
}
