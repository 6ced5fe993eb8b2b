// Times each listing path that the processor runs, in-process, on a corpus held in memory: the
// best of six rounds, taken in turn with the other paths, each listing the whole corpus in blocks
// as the conversion does; and, as the floor that no path can go below here, the same blocks copied
// five times over into the listing's room, as many bytes as a listing of capitals takes, with
// nothing converted. For builds that have no Google Benchmark, WebAssembly's among them. The paths
// that the processor cannot run are named on standard error. Usage: list_speed CORPUS
#include "convert.h"
#include "listing.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::vector<unsigned char> read_whole(std::FILE *file) {
    std::vector<unsigned char> bytes;
    std::vector<unsigned char> block(convert_block_size);
    for (std::size_t size = 1; size > 0;) {
        size = std::fread(block.data(), 1, block.size(), file);
        bytes.insert(bytes.end(), block.begin(), block.begin() + static_cast<std::ptrdiff_t>(size));
    }
    return bytes;
}

// Seconds to list the corpus once through the path; the listing's size goes to listed.
double seconds_to_list(const listing_path &path, const std::vector<unsigned char> &corpus,
                       std::vector<char> &listing, std::size_t &listed) {
    const auto started = std::chrono::steady_clock::now();
    listed = 0;
    for (std::size_t done = 0; done < corpus.size(); done += convert_block_size) {
        const std::size_t count = std::min(convert_block_size, corpus.size() - done);
        listed += static_cast<std::size_t>(path.list(corpus.data() + done, count, listing.data()) -
                                           listing.data());
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
}

// The floor: each block copied longest_token times into the listing's room, converting nothing.
char *copy_five_times(const unsigned char *bytes, std::size_t count, char *listing) {
    for (std::size_t copy = 0; copy < longest_token; ++copy) {
        std::memcpy(listing + copy * count, bytes, count);
    }
    return listing + longest_token * count;
}

} // namespace

int main(int argc, char *argv[]) {
    std::FILE *file = argc == 2 ? std::fopen(argv[1], "rb") : nullptr;
    if (file == nullptr) {
        std::printf("Usage: list_speed CORPUS\n");
        return 2;
    }
    const std::vector<unsigned char> corpus = read_whole(file);
    static_cast<void>(std::fclose(file));
    std::vector<char> listing(convert_block_size * longest_token + listing_overrun);
    // The rounds take the paths in turn, so that a machine that slows down for a while, as a
    // shared one does, slows every path alike and their ratios hold.
    constexpr int rounds = 7;
    const auto known = listing_paths();
    std::vector<listing_path> paths;
    for (const listing_path &path : known) {
        if (path.runs_here) {
            paths.push_back(path);
        } else {
            static_cast<void>(
                std::fprintf(stderr, "%s: not run here, no %s\n", path.name, path.needs));
        }
    }
    paths.push_back({"copy-x5", copy_five_times, true, "nothing"});
    std::vector<double> best(paths.size(), 1e9);
    std::vector<std::size_t> listed(paths.size());
    for (int round = 0; round < rounds; ++round) { // the first warms each path up
        for (std::size_t path = 0; path < paths.size(); ++path) {
            const double seconds = seconds_to_list(paths[path], corpus, listing, listed[path]);
            best[path] = round == 0 ? best[path] : std::min(best[path], seconds);
        }
    }
    for (std::size_t path = 0; path < paths.size(); ++path) {
        std::printf("%s %.4f s %.0f MB/s %zu bytes listed\n", paths[path].name, best[path],
                    static_cast<double>(corpus.size()) / best[path] / 1e6, listed[path]);
    }
    return 0;
}
