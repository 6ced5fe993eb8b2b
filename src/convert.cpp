#include "convert.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

// The vector path is for x86-64. HEXWORDS_SCALAR_ONLY leaves it out, as on other processors,
// so that the table path can be tested on its own.
#if defined(__x86_64__) && !defined(HEXWORDS_SCALAR_ONLY)
#define HEXWORDS_VECTOR_PATH 1
#include <immintrin.h>
#else
#define HEXWORDS_VECTOR_PATH 0
#endif

namespace {

constexpr std::size_t longest_token = 5;

// What one byte becomes, padded so that every token is copied with a single eight-byte store.
struct token {
    std::array<char, 8> text;
    std::size_t size;
};

constexpr char hex_digit(unsigned value) { return "0123456789abcdef"[value]; }

constexpr token token_for(unsigned byte) {
    if (byte >= '!' && byte <= 'Z') {
        return {{hex_digit(byte >> 4U), hex_digit(byte & 0xfU), '0', '0', ' '}, longest_token};
    }
    if (byte == ' ') {
        return {{'0', '0', '0', '0', ' '}, longest_token};
    }
    if (byte == '\n') {
        return {{'\n'}, 1};
    }
    return {{}, 0};
}

constexpr std::array<token, 256> make_token_table() {
    std::array<token, 256> table{};
    for (unsigned byte = 0; byte < table.size(); ++byte) {
        table[byte] = token_for(byte);
    }
    return table;
}

constexpr std::array<token, 256> token_table = make_token_table();

// Writes the tokens of count bytes at listing and returns where the listing ends.
char *list_bytewise(const unsigned char *bytes, std::size_t count, char *listing) {
    for (std::size_t i = 0; i < count; ++i) {
        const token &next = token_table[bytes[i]];
        std::memcpy(listing, next.text.data(), next.text.size());
        listing += next.size;
    }
    return listing;
}

#if HEXWORDS_VECTOR_PATH
// The vector path works on sixteen bytes at a time in two passes over a block. The first
// packs the bytes that have a token to the front of the block, turning blanks into 0x00 so
// that they come out as "0000 " like any code; the second writes each run of words between
// line feeds as whole groups of sixteen words.
constexpr std::size_t vector_width = 16;
constexpr std::size_t group_listing_size = vector_width * longest_token;

// For each mask of eight bits: the indexes of its set bits, in order, for a byte shuffle.
using pack_table = std::array<std::array<std::uint8_t, 8>, 256>;

constexpr pack_table make_pack_indexes() {
    pack_table table{};
    for (unsigned mask = 0; mask < table.size(); ++mask) {
        unsigned kept = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if ((mask >> bit & 1U) != 0) {
                table[mask][kept++] = static_cast<std::uint8_t>(bit);
            }
        }
    }
    return table;
}

constexpr pack_table pack_indexes = make_pack_indexes();

// How the five stores of a group place the high digit, the low digit and the fixed "00 ":
// byte p of the group's listing belongs to word p / 5 and is its character p % 5.
// A shuffle index with its top bit set yields zero, which the other two parts fill.
struct group_layout {
    std::array<std::array<std::uint8_t, vector_width>, longest_token> high_digit;
    std::array<std::array<std::uint8_t, vector_width>, longest_token> low_digit;
    std::array<std::array<char, vector_width>, longest_token> fixed;
};

constexpr group_layout make_layout() {
    group_layout result{};
    for (std::size_t p = 0; p < group_listing_size; ++p) {
        const auto word = static_cast<std::uint8_t>(p / longest_token);
        const std::size_t character = p % longest_token;
        const std::size_t store = p / vector_width;
        const std::size_t offset = p % vector_width;
        result.high_digit[store][offset] = character == 0 ? word : 0x80;
        result.low_digit[store][offset] = character == 1 ? word : 0x80;
        result.fixed[store][offset] =
            std::array<char, longest_token>{0, 0, '0', '0', ' '}[character];
    }
    return result;
}

constexpr group_layout layout = make_layout();

__m128i load(const void *from) { return _mm_loadu_si128(static_cast<const __m128i *>(from)); }

// Packs the bytes that have a token to the front of bytes, in place, and returns how many.
// count is a multiple of sixteen; each group is loaded before anything is stored over it.
__attribute__((target("ssse3,popcnt"))) std::size_t pack_listed(unsigned char *bytes,
                                                                std::size_t count) {
    unsigned char *packed = bytes;
    for (std::size_t i = 0; i < count; i += vector_width) {
        __m128i group = load(bytes + i);
        const __m128i from_bang = _mm_sub_epi8(group, _mm_set1_epi8('!'));
        const __m128i mapped =
            _mm_cmpeq_epi8(_mm_min_epu8(from_bang, _mm_set1_epi8('Z' - '!')), from_bang);
        const __m128i blank = _mm_cmpeq_epi8(group, _mm_set1_epi8(' '));
        const __m128i line_feed = _mm_cmpeq_epi8(group, _mm_set1_epi8('\n'));
        const auto keep = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_or_si128(_mm_or_si128(mapped, blank), line_feed)));
        group = _mm_andnot_si128(blank, group);
        for (unsigned half = 0; half < 2; ++half) {
            const unsigned mask = keep >> (8 * half) & 0xffU;
            const __m128i indexes =
                _mm_loadl_epi64(reinterpret_cast<const __m128i *>(pack_indexes[mask].data()));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(packed), _mm_shuffle_epi8(group, indexes));
            packed += std::popcount(mask);
            group = _mm_srli_si128(group, 8);
        }
    }
    return static_cast<std::size_t>(packed - bytes);
}

// Writes the words of the sixteen packed bytes at from as one group's listing.
__attribute__((target("ssse3"))) void list_group(const unsigned char *from, char *listing) {
    const __m128i digits = load("0123456789abcdef");
    const __m128i low_nibble = _mm_set1_epi8(0x0f);
    const __m128i group = load(from);
    const __m128i high =
        _mm_shuffle_epi8(digits, _mm_and_si128(_mm_srli_epi16(group, 4), low_nibble));
    const __m128i low = _mm_shuffle_epi8(digits, _mm_and_si128(group, low_nibble));
    for (std::size_t store = 0; store < longest_token; ++store) {
        const __m128i part =
            _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(high, load(layout.high_digit[store].data())),
                                      _mm_shuffle_epi8(low, load(layout.low_digit[store].data()))),
                         load(layout.fixed[store].data()));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(listing + store * vector_width), part);
    }
}

// Writes the listing of count packed bytes. Reads up to two groups past them and writes up
// to a group's listing past the end it returns.
__attribute__((target("ssse3"))) char *list_packed(const unsigned char *packed, std::size_t count,
                                                   char *listing) {
    for (std::size_t i = 0; i < count; i += vector_width) {
        const std::size_t available = std::min(vector_width, count - i);
        unsigned line_feeds = static_cast<unsigned>(_mm_movemask_epi8(
                                  _mm_cmpeq_epi8(load(packed + i), _mm_set1_epi8('\n')))) &
                              ((1U << available) - 1);
        // Each run of words between line feeds is written as a whole group, and the next run
        // overwrites what lies past its end.
        std::size_t word = 0;
        while (true) {
            list_group(packed + i + word, listing);
            const auto end = line_feeds == 0
                                 ? available
                                 : static_cast<std::size_t>(std::countr_zero(line_feeds));
            listing += (end - word) * longest_token;
            if (line_feeds == 0) {
                break;
            }
            *listing++ = '\n';
            word = end + 1;
            line_feeds &= line_feeds - 1;
        }
    }
    return listing;
}
#else
constexpr std::size_t vector_width = 0;
constexpr std::size_t group_listing_size = 0;
#endif

// Lists a block, the vector path taking all whole groups of sixteen when the processor has it.
// The bytes are reused for the packed copy.
char *list_block(unsigned char *bytes, std::size_t count, char *listing) {
    std::size_t listed = 0;
#if HEXWORDS_VECTOR_PATH
    if (__builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt")) {
        listed = count - count % vector_width;
        listing = list_packed(bytes, pack_listed(bytes, listed), listing);
    }
#endif
    return list_bytewise(bytes + listed, count - listed, listing);
}

} // namespace

void convert_stream(std::FILE *source, std::FILE *destination) {
    // Both blocks have room for what the paths above read and write past their ends.
    std::array<unsigned char, convert_block_size + 2 * vector_width> bytes; // NOLINT(*-member-init)
    std::array<char, convert_block_size * longest_token + group_listing_size + sizeof(token::text)>
        listing; // NOLINT(*-member-init)
    std::size_t count = convert_block_size;
    // A short read means end of input or a read failure; either way it is the last block.
    while (count == convert_block_size && std::ferror(destination) == 0) {
        count = std::fread(bytes.data(), 1, convert_block_size, source);
        const char *end = list_block(bytes.data(), count, listing.data());
        const auto size = static_cast<std::size_t>(end - listing.data());
        if (std::fwrite(listing.data(), 1, size, destination) != size) {
            return;
        }
    }
}
