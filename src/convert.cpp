#include "convert.h"

#include <array>
#include <cstring>

namespace {

// What one byte becomes, padded so that every token is copied with a single eight-byte store.
struct token {
    std::array<char, 8> text;
    std::size_t size;
};

constexpr std::size_t longest_token = 5;

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

constexpr std::array<token, 256> token_table = [] {
    std::array<token, 256> table{};
    for (unsigned byte = 0; byte < table.size(); ++byte) {
        table[byte] = token_for(byte);
    }
    return table;
}();

// The last token's padding lands past its own five bytes, so the block needs that much slack.
constexpr std::size_t listing_block_size =
    convert_block_size * longest_token + sizeof(token::text) - longest_token;

// Writes the tokens of count bytes at listing and returns where the listing ends.
char *list_block(const unsigned char *bytes, std::size_t count, char *listing) {
    for (std::size_t i = 0; i < count; ++i) {
        const token &next = token_table[bytes[i]];
        std::memcpy(listing, next.text.data(), next.text.size());
        listing += next.size;
    }
    return listing;
}

} // namespace

void convert_stream(std::FILE *source, std::FILE *destination) {
    std::array<unsigned char, convert_block_size> bytes; // NOLINT(*-member-init): filled by fread
    std::array<char, listing_block_size> listing;        // NOLINT(*-member-init): filled by list_block
    std::size_t count = bytes.size();
    // A short read means end of input or a read failure; either way it is the last block.
    while (count == bytes.size() && std::ferror(destination) == 0) {
        count = std::fread(bytes.data(), 1, bytes.size(), source);
        const char *end = list_block(bytes.data(), count, listing.data());
        const auto size = static_cast<std::size_t>(end - listing.data());
        if (std::fwrite(listing.data(), 1, size, destination) != size) {
            return;
        }
    }
}
