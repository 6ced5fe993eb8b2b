// convert_stream in-process, in bytes of source per second, on a text held in memory.
#include "convert.h"

#include <benchmark/benchmark.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>

namespace {

std::string corpus(bool upper_case) {
    const std::string paragraph = "The ROM image holds BOOT code, and DATA words; each ADDR 0x1F\n"
                                  "points to MEMORY. Load it at $C000 (fast) or 42% SLOW!\n";
    std::string text;
    while (text.size() < std::size_t{8} << 20) {
        text += paragraph;
    }
    if (upper_case) {
        for (char &character : text) {
            character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
        }
    }
    return text;
}

void convert_corpus(benchmark::State &state, bool upper_case) {
    std::string text = corpus(upper_case);
    std::FILE *source = fmemopen(text.data(), text.size(), "r");
    std::FILE *destination = std::fopen("/dev/null", "w");
    for (auto _ : state) { // NOLINT(clang-analyzer-deadcode.DeadStores): the library's idiom
        std::rewind(source);
        convert_stream(source, destination);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
    static_cast<void>(std::fclose(source));
    static_cast<void>(std::fclose(destination));
}

void BM_ConvertMixedCase(benchmark::State &state) { convert_corpus(state, false); }
void BM_ConvertUpperCase(benchmark::State &state) { convert_corpus(state, true); }

} // namespace

BENCHMARK(BM_ConvertMixedCase);
BENCHMARK(BM_ConvertUpperCase);
