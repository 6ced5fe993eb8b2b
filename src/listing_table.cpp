// The table path, for every processor: each byte's token copied from a table of 256.
#include "listing.h"

#include <array>
#include <cstdint>

namespace {

// A byte's token as the table holds it: character k in bits 8k to 8k + 7, and how many.
struct packed_token {
    std::uint64_t text;
    std::size_t size;
};

constexpr packed_token packed_token_for(unsigned byte) {
    const token unpacked = token_for(byte);
    std::uint64_t characters = 0;
    for (std::size_t k = unpacked.size; k-- > 0;) {
        characters = characters << 8U | static_cast<unsigned char>(unpacked.text[k]);
    }
    return {characters, unpacked.size};
}

constexpr std::array<packed_token, 256> make_token_table() {
    std::array<packed_token, 256> table{};
    for (unsigned byte = 0; byte < table.size(); ++byte) {
        table[byte] = packed_token_for(byte);
    }
    return table;
}

constexpr std::array<packed_token, 256> token_table = make_token_table();

// Every token is stored as eight characters, one at a time, whatever its size: where the
// processor can store a word at any address, the compiler joins the stores into one; where it
// cannot (ARMv5, the 32-bit ARM of armel), byte stores beat a call to memcpy for each token.
static_assert(sizeof(packed_token::text) <= listing_overrun + 1);

char *list_table(const unsigned char *bytes, std::size_t count, char *listing) {
    for (std::size_t i = 0; i < count; ++i) {
        const packed_token &next = token_table[bytes[i]];
        for (std::size_t k = 0; k < sizeof next.text; ++k) {
            listing[k] = static_cast<char>(next.text >> (8 * k));
        }
        listing += next.size;
    }
    return listing;
}

} // namespace

listing_path table_path() { return {"table", list_table, true, "no vector instructions"}; }
