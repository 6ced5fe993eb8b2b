// The listing built one byte at a time, straight from the format's description, as a
// reference that shares nothing with the converter's table-driven code.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

inline std::string expected_listing(std::string_view text) {
    std::string listing;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte >= 0x21 && byte <= 0x5a) {
            char word[6];
            std::snprintf(word, sizeof word, "%02x00 ", byte);
            listing += word;
        } else if (byte == 0x20) {
            listing += "0000 ";
        } else if (byte == 0x0a) {
            listing += '\n';
        }
    }
    return listing;
}

inline std::string repeated(const std::string &text, std::size_t times) {
    std::string result;
    for (std::size_t i = 0; i < times; ++i) {
        result += text;
    }
    return result;
}
