// Feeds arbitrary bytes through convert_stream and checks the listing against the byte-by-byte
// model. Run: convert_fuzz -max_total_time=60 CORPUS_DIR fuzz/seeds
#include "convert.h"
#include "model.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    // fmemopen wants at least one byte, so an empty input is read from /dev/null.
    std::FILE *source = size > 0 ? fmemopen(const_cast<std::uint8_t *>(data), size, "r")
                                 : std::fopen("/dev/null", "r");
    char *listing = nullptr;
    std::size_t listing_size = 0;
    std::FILE *destination = open_memstream(&listing, &listing_size);
    if (source == nullptr || destination == nullptr) {
        std::abort();
    }
    convert_stream(source, destination);
    const bool failed = std::ferror(source) != 0 || std::ferror(destination) != 0;
    std::fclose(source);
    std::fclose(destination);
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    if (failed || std::string_view(listing, listing_size) != expected_listing(text)) {
        std::fprintf(stderr, "listing differs from the model\n");
        std::abort();
    }
    std::free(listing);
    return 0;
}
