// The table path, for every processor: each byte's token copied from a table of 256.
#include "listing.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace {

// What one byte becomes: up to five characters, character k in bits 8k to 8k + 7, and how many.
struct token {
    std::uint64_t text;
    std::size_t size;
};

constexpr char hex_digit(unsigned value) { return "0123456789abcdef"[value]; }

constexpr token token_of(std::string_view text) {
    std::uint64_t characters = 0;
    for (std::size_t k = text.size(); k-- > 0;) {
        characters = characters << 8U | static_cast<unsigned char>(text[k]);
    }
    return {characters, text.size()};
}

constexpr token token_for(unsigned byte) {
    if (byte >= '!' && byte <= 'Z') {
        const std::array<char, longest_token> word = {hex_digit(byte >> 4U), hex_digit(byte & 0xfU),
                                                      '0', '0', ' '};
        return token_of({word.data(), word.size()});
    }
    if (byte == ' ') {
        return token_of("0000 ");
    }
    if (byte == '\n') {
        return token_of("\n");
    }
    return token_of("");
}

constexpr std::array<token, 256> make_token_table() {
    std::array<token, 256> table{};
    for (unsigned byte = 0; byte < table.size(); ++byte) {
        table[byte] = token_for(byte);
    }
    return table;
}

constexpr std::array<token, 256> token_table = make_token_table();

// Every token is stored as eight characters, one at a time, whatever its size: where the
// processor can store a word at any address, the compiler joins the stores into one; where it
// cannot (ARMv5, the 32-bit ARM of armel), byte stores beat a call to memcpy for each token.
static_assert(sizeof(token::text) <= listing_overrun + 1);

char *list_table(const unsigned char *bytes, std::size_t count, char *listing) {
    for (std::size_t i = 0; i < count; ++i) {
        const token &next = token_table[bytes[i]];
        for (std::size_t k = 0; k < sizeof next.text; ++k) {
            listing[k] = static_cast<char>(next.text >> (8 * k));
        }
        listing += next.size;
    }
    return listing;
}

} // namespace

listing_path table_path() { return {"table", list_table, true}; }
