// Writes a deterministic text corpus for the benchmarks.
// Usage: make_corpus prose|upper MEGABYTES PATH
//   prose: mixed-case sentences with punctuation, digits and line feeds (about half lower case)
//   upper: the same text in capitals, so nearly every byte becomes a word
#include <array>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

constexpr std::array<std::string_view, 24> words = {
    "The",    "ROM",  "image", "holds",  "BOOT",   "code,", "and",     "DATA",
    "words;", "each", "ADDR",  "0x1F",   "points", "to",    "MEMORY.", "Load",
    "it",     "at",   "$C000", "(fast)", "or",     "42%",   "SLOW!",   "\"quoted\""};

// xorshift64: the same corpus on every machine, from a fixed seed.
std::uint64_t next_random(std::uint64_t &state) {
    state ^= state << 13U;
    state ^= state >> 7U;
    state ^= state << 17U;
    return state;
}

} // namespace

int main(int argc, char *argv[]) {
    if (argc != 4) {
        std::printf("Usage: %s prose|upper MEGABYTES PATH\n", argc > 0 ? argv[0] : "make_corpus");
        return 2;
    }
    const std::string_view kind = argv[1];
    const long long size = std::strtoll(argv[2], nullptr, 10) * 1000 * 1000;
    std::FILE *corpus = std::fopen(argv[3], "w");
    if (corpus == nullptr || (kind != "prose" && kind != "upper") || size <= 0) {
        std::printf("make_corpus: bad arguments\n");
        return 1;
    }
    std::uint64_t state = 0x9e3779b97f4a7c15U;
    std::string line;
    for (long long written = 0; written < size; written += std::ssize(line)) {
        line.clear();
        while (line.size() < 64) {
            line += words[static_cast<std::size_t>(next_random(state) % words.size())];
            line += ' ';
        }
        line.back() = '\n';
        if (kind == "upper") {
            for (char &character : line) {
                character = static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
            }
        }
        if (std::fwrite(line.data(), 1, line.size(), corpus) != line.size()) {
            break;
        }
    }
    const bool write_failed = std::ferror(corpus) != 0;
    return std::fclose(corpus) == 0 && !write_failed ? 0 : 1;
}
