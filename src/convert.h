// Conversion of a byte stream into a listing of four-digit hex words.
#pragma once

#include <cstddef>
#include <cstdio>

// Bytes read from the source at a time. Each becomes at most five bytes of output, so the
// working memory of a conversion, about 400 KiB, is fixed by this number alone.
inline constexpr std::size_t convert_block_size = std::size_t{64} * 1024;

// Writes the listing of everything left in source to destination: "%02x00 " for each byte
// from '!' to 'Z', "0000 " for each blank, a line feed for each line feed, nothing for the
// rest. Stops at end of input, at the first read failure or at the first failed write; the
// streams' error flags tell which. Neither stream is flushed or closed.
void convert_stream(std::FILE *source, std::FILE *destination);
