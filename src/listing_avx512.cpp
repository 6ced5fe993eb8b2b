// The AVX-512 path, for x86 processors with AVX-512 BW, VBMI and VBMI2: lists sixty-four bytes
// at a time, straight from the source into the listing. Each byte is widened to a slot of five
// bytes, its token as if it were a word, by lookups that see two whole registers; the slots of
// sixty-four bytes fill five registers, and one compress each keeps of them what the bytes call
// for: the whole slot of a word, the first byte of a line feed's, nothing of a dropped byte's.
#include "listing.h"

#include <array>
#include <bit>
#include <cstdint>
#include <immintrin.h>

#define HEXWORDS_AVX512 __attribute__((target("avx512bw,avx512vbmi,avx512vbmi2,popcnt")))

namespace {

// Source bytes listed at a time, and bytes in a register.
constexpr std::size_t width = 64;
constexpr std::size_t slot_size = longest_token;

// What each byte from 0 to 0x7f gives, looked up by its low seven bits; a byte from 0x80 on is
// dropped before its lookup counts. A line feed's slot starts with the line feed.
struct byte_lookups {
    std::array<char, 2 * width> first;               // its token's first character
    std::array<char, 2 * width> second;              // its token's second character
    std::array<std::uint8_t, 2 * width> keeps_first; // 0xff where it keeps its slot's first byte
    std::array<std::uint8_t, 2 * width> keeps_rest;  // 0xff where it keeps the other four
};

constexpr byte_lookups make_byte_lookups() {
    byte_lookups made{};
    for (unsigned byte = 0; byte < 2 * width; ++byte) {
        const token kept = token_for(byte);
        made.first[byte] = kept.text[0];
        made.second[byte] = kept.text[1];
        made.keeps_first[byte] = kept.size > 0 ? 0xff : 0;
        made.keeps_rest[byte] = kept.size == slot_size ? 0xff : 0;
    }
    return made;
}

constexpr byte_lookups lookups = make_byte_lookups();

// Register part of the slots holds bytes 64 * part to 64 * part + 63 of them. Each of its bytes
// is the character or the keeping of its source byte: of the first byte of its slot, looked up
// at the source byte's index (0 to 63) in the first characters or keeps_first; of the others, at
// its index plus 64, in the second characters or keeps_rest. The last three bytes of a slot hold
// the fixed "00 " of a word: in place of a lookup, their layout holds the character itself.
struct slot_layout {
    std::array<std::array<std::uint8_t, width>, slot_size> character;
    std::array<std::uint64_t, slot_size> looked_up; // a bit for each character that is looked up
    std::array<std::array<std::uint8_t, width>, slot_size> keeping;
};

constexpr slot_layout make_slot_layout() {
    slot_layout made{};
    for (std::size_t part = 0; part < slot_size; ++part) {
        for (std::size_t byte = 0; byte < width; ++byte) {
            const std::size_t source = (part * width + byte) / slot_size;
            const std::size_t in_slot = (part * width + byte) % slot_size;
            const std::size_t lookup = (in_slot == 0 ? 0 : width) + source;
            made.keeping[part][byte] = static_cast<std::uint8_t>(lookup);
            if (in_slot < 2) {
                made.character[part][byte] = static_cast<std::uint8_t>(lookup);
                made.looked_up[part] |= std::uint64_t{1} << byte;
            } else {
                made.character[part][byte] =
                    static_cast<std::uint8_t>(token_for('!').text[in_slot]);
            }
        }
    }
    return made;
}

constexpr slot_layout layout = make_slot_layout();

HEXWORDS_AVX512 __m512i load(const void *from) { return _mm512_loadu_si512(from); }

// The value at each byte's low seven bits in a table of 128.
HEXWORDS_AVX512 __m512i look_up(const std::array<char, 2 * width> &table, __m512i bytes) {
    return _mm512_permutex2var_epi8(load(table.data()), bytes, load(table.data() + width));
}

HEXWORDS_AVX512 __m512i look_up_keeping(const std::array<std::uint8_t, 2 * width> &table,
                                        __mmask64 ascii, __m512i bytes) {
    return _mm512_maskz_permutex2var_epi8(ascii, load(table.data()), bytes,
                                          load(table.data() + width));
}

// Lists the sixty-four bytes in bytes and returns where their listing ends; the stores reach
// 64 bytes past it.
HEXWORDS_AVX512 char *list_register(__m512i bytes, char *listing) {
    // Bytes from 0x80 on, whose top bit is set, are dropped whatever their low seven bits.
    const __mmask64 ascii =
        _mm512_testn_epi8_mask(bytes, _mm512_set1_epi8(static_cast<char>(0x80)));
    const __m512i first = look_up(lookups.first, bytes);
    const __m512i second = look_up(lookups.second, bytes);
    const __m512i keeps_first = look_up_keeping(lookups.keeps_first, ascii, bytes);
    const __m512i keeps_rest = look_up_keeping(lookups.keeps_rest, ascii, bytes);
    for (std::size_t part = 0; part < slot_size; ++part) {
        const __m512i slots = _mm512_mask2_permutex2var_epi8(
            first, load(layout.character[part].data()), layout.looked_up[part], second);
        const __mmask64 kept = _mm512_movepi8_mask(
            _mm512_permutex2var_epi8(keeps_first, load(layout.keeping[part].data()), keeps_rest));
        _mm512_storeu_si512(listing, _mm512_maskz_compress_epi8(kept, slots));
        listing += std::popcount(kept);
    }
    return listing;
}

HEXWORDS_AVX512 char *list_avx512(const unsigned char *bytes, std::size_t count, char *listing) {
    std::size_t done = 0;
    for (; count - done >= width; done += width) {
        listing = list_register(load(bytes + done), listing);
    }
    if (done < count) { // the last few bytes, read without touching any byte after them
        const __mmask64 rest = (std::uint64_t{1} << (count - done)) - 1;
        listing = list_register(_mm512_maskz_loadu_epi8(rest, bytes + done), listing);
    }
    return listing;
}

} // namespace

listing_path avx512_path() {
    // & rather than &&: one way through the check on every processor, which the tests cover.
    const bool runs_here = (__builtin_cpu_supports("avx512bw") != 0) &
                           (__builtin_cpu_supports("avx512vbmi") != 0) &
                           (__builtin_cpu_supports("avx512vbmi2") != 0);
    return {"avx512", list_avx512, runs_here, "AVX-512 BW, VBMI and VBMI2"};
}
