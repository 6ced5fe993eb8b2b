// Converts a file through one listing path, chosen by name, whatever the processor would get:
// for counting each path's instructions under an emulator.
// Usage: convert_path PATH SOURCE LISTING      (PATH: avx2, ssse3, neon or table)
#include "listing.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

int main(int argc, char *argv[]) {
    const auto paths = listing_paths();
    const auto *path = argc == 4 ? std::find_if(paths.begin(), paths.end(),
                                                [&](const listing_path &known) {
                                                    return argv[1] == std::string_view(known.name);
                                                })
                                 : paths.end();
    if (path == paths.end()) {
        std::printf("Usage: %s PATH SOURCE LISTING, PATH one of:",
                    argc > 0 ? argv[0] : "convert_path");
        for (const listing_path &known : paths) {
            std::printf(" %s", known.name);
        }
        std::printf("\n");
        return 2;
    }
    std::FILE *source = std::fopen(argv[2], "rb");
    std::FILE *listing = std::fopen(argv[3], "wb");
    if (source == nullptr || listing == nullptr) {
        std::printf("convert_path: cannot open %s or %s\n", argv[2], argv[3]);
        return 1;
    }
    convert_stream_with(*path, source, listing);
    const bool failed = std::ferror(source) != 0 || std::ferror(listing) != 0;
    static_cast<void>(std::fclose(source));
    return std::fclose(listing) == 0 && !failed ? 0 : 1;
}
