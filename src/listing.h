// How a block of source bytes becomes its listing: one path per instruction set, each in a
// file of its own, all keeping the contract below, and the choice among them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>

// The build says which vector paths it holds; the table path is always there.
#ifndef HEXWORDS_LISTS_AVX512
#define HEXWORDS_LISTS_AVX512 0
#endif
#ifndef HEXWORDS_LISTS_SSSE3
#define HEXWORDS_LISTS_SSSE3 0
#endif
#ifndef HEXWORDS_LISTS_AVX2
#define HEXWORDS_LISTS_AVX2 0
#endif
#ifndef HEXWORDS_LISTS_NEON
#define HEXWORDS_LISTS_NEON 0
#endif
#ifndef HEXWORDS_LISTS_SIMD128
#define HEXWORDS_LISTS_SIMD128 0
#endif

// Four hex digits and a blank: no byte gives more.
inline constexpr std::size_t longest_token = 5;

// What one byte of source becomes in the listing: the first size characters of text.
struct token {
    std::array<char, longest_token> text;
    std::size_t size;
};

// The format itself, from which the paths that look tokens up build their tables: a byte from
// '!' to 'Z' gives its two lower-case hex digits and "00 ", a blank "0000 ", a line feed itself,
// and any other byte nothing.
constexpr token token_for(unsigned byte) {
    constexpr std::array<char, 16> digits = {'0', '1', '2', '3', '4', '5', '6', '7',
                                             '8', '9', 'a', 'b', 'c', 'd', 'e', 'f'};
    if (byte >= '!' && byte <= 'Z') {
        return {{digits[byte >> 4U], digits[byte & 0xfU], '0', '0', ' '}, longest_token};
    }
    if (byte == ' ') {
        return {{'0', '0', '0', '0', ' '}, longest_token};
    }
    if (byte == '\n') {
        return {{'\n'}, 1};
    }
    return {{}, 0};
}

// A path writes the listing of the count bytes at bytes to listing and returns where the
// listing ends. It reads nothing outside those count bytes and changes none of them. It may
// write up to listing_overrun bytes past the end it returns, so listing must have room for
// count * longest_token + listing_overrun bytes. Its working memory is fixed, whatever count.
using list_function = char *(const unsigned char *bytes, std::size_t count, char *listing);
inline constexpr std::size_t listing_overrun = 128;

struct listing_path {
    // The instruction set it needs: "avx512", "avx2", "ssse3", "neon", "simd128", or "table".
    const char *name;
    list_function *list;
    bool runs_here;    // whether this processor has that instruction set
    const char *needs; // that instruction set as its makers name it, to tell a user what is missing
};

listing_path table_path(); // any processor: a table of 256 ready-made tokens
#if HEXWORDS_LISTS_AVX512
listing_path avx512_path(); // x86 with AVX-512 BW, VBMI and VBMI2: sixty-four bytes at a time
#endif
#if HEXWORDS_LISTS_AVX2
listing_path avx2_path(); // x86 with AVX2: thirty-two bytes at a time
#endif
#if HEXWORDS_LISTS_SSSE3
listing_path ssse3_path(); // x86 with SSSE3: sixteen bytes at a time
#endif
#if HEXWORDS_LISTS_NEON
listing_path neon_path(); // 64-bit ARM, and 32-bit ARM where the kernel reports NEON
#endif
#if HEXWORDS_LISTS_SIMD128
listing_path simd128_path(); // WebAssembly built with 128-bit SIMD, which every engine runs
#endif

inline constexpr std::size_t listing_path_count = 1 + HEXWORDS_LISTS_AVX512 + HEXWORDS_LISTS_AVX2 +
                                                  HEXWORDS_LISTS_SSSE3 + HEXWORDS_LISTS_NEON +
                                                  HEXWORDS_LISTS_SIMD128;

// The paths this build holds, fastest first. The last, the table path, runs anywhere.
std::array<listing_path, listing_path_count> listing_paths();

// The first of listing_paths() that this processor runs.
listing_path fastest_path();

// convert_stream through the given path.
void convert_stream_with(const listing_path &path, std::FILE *source, std::FILE *destination);
