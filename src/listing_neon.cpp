// The NEON path, for 64-bit ARM processors, which all have Advanced SIMD: packs sixteen bytes
// at a time and writes each group's eighty bytes of listing with five table lookups that see
// all thirty-two bytes of its pairs.
#include "vector_listing.h"

#include <arm_neon.h>

namespace {

// Source bytes that packing classifies at a time.
constexpr std::size_t pack_width = 16;

// Each 16-byte store of a group's listing is a table lookup in all thirty-two bytes of the
// group's pairs.
constexpr std::size_t store_size = 16;
constexpr std::size_t stores = group_listing_size / store_size;
constexpr auto layouts = make_group_layouts<stores, store_size, group_bytes>({});
using layout = decltype(layouts)::value_type;

uint8x16_t load(const void *from) { return vld1q_u8(static_cast<const std::uint8_t *>(from)); }

// Stores the pairs whose bits are set in mask, of the eight in pairs, and returns what follows.
unsigned char *pack_eight(uint8x16_t pairs, unsigned mask, unsigned char *to) {
    vst1q_u8(to, vqtbl1q_u8(pairs, load(pack_indexes[mask].data())));
    to += packed_sizes[mask];
    return to;
}

std::size_t pack(const unsigned char *bytes, std::size_t count, unsigned char *pairs) {
    const uint8x16_t digits = load("0123456789abcdef");
    // Each byte's bit in an eight-bit mask, for both halves.
    const uint8x16_t bit = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201U));
    unsigned char *packed = pairs;
    for (std::size_t i = 0; i < count; i += pack_width) {
        const uint8x16_t group = load(bytes + i);
        const uint8x16_t mapped = vcleq_u8(vsubq_u8(group, vdupq_n_u8('!')), vdupq_n_u8('Z' - '!'));
        const uint8x16_t blank = vceqq_u8(group, vdupq_n_u8(' '));
        const uint8x16_t line_feed = vceqq_u8(group, vdupq_n_u8('\n'));
        const uint8x16_t listed = vorrq_u8(vorrq_u8(mapped, blank), line_feed);
        // Three pairwise additions gather each half's bits into bytes 0 and 1.
        uint8x16_t keep = vandq_u8(listed, bit);
        keep = vpaddq_u8(keep, keep);
        keep = vpaddq_u8(keep, keep);
        keep = vpaddq_u8(keep, keep);
        const unsigned masks = vgetq_lane_u16(vreinterpretq_u16_u8(keep), 0);
        const uint8x16_t value = vbicq_u8(group, blank);
        const uint8x16_t high = vorrq_u8(vshrq_n_u8(value, 4), vdupq_n_u8('0'));
        const uint8x16_t low = vqtbl1q_u8(digits, vandq_u8(value, vdupq_n_u8(0x0f)));
        if (masks == 0xffffU) { // every byte has a word, as in text in capitals
            const uint8x16x2_t pairs_in_order = {vzip1q_u8(high, low), vzip2q_u8(high, low)};
            vst1q_u8_x2(packed, pairs_in_order);
            packed += pack_width * pair_size;
            continue;
        }
        packed = pack_eight(vzip1q_u8(high, low), masks & 0xffU, packed);
        packed = pack_eight(vzip2q_u8(high, low), masks >> 8U, packed);
    }
    return static_cast<std::size_t>(packed - pairs);
}

// Writes a group's listing in the layout for that place of its line feed; the stores reach 80 bytes
// past listing.
void write_group(const unsigned char *group, std::size_t line_feed, char *listing) {
    const layout &chosen = layouts[line_feed];
    const uint8x16x2_t pairs = vld1q_u8_x2(group);
    uint8x16x4_t words{};
    for (std::size_t store = 0; store < 4; ++store) {
        words.val[store] = vorrq_u8(vqtbl2q_u8(pairs, load(chosen.index[store].data())),
                                    load(chosen.fixed[store].data()));
    }
    auto *to = reinterpret_cast<std::uint8_t *>(listing);
    vst1q_u8_x4(to, words);
    vst1q_u8(to + 4 * store_size, vorrq_u8(vqtbl2q_u8(pairs, load(chosen.index[4].data())),
                                           load(chosen.fixed[4].data())));
}

// Four bits for each pair of the group, the lowest set where the pair is a line feed.
std::uint64_t line_feeds_in(const unsigned char *group) {
    const uint16x8_t line_feed = vdupq_n_u16(line_feed_pair);
    const uint8x16x2_t pairs = vld1q_u8_x2(group);
    // Narrowed to a byte for each pair, then to four bits.
    const uint8x16_t found =
        vuzp1q_u8(vreinterpretq_u8_u16(vceqq_u16(vreinterpretq_u16_u8(pairs.val[0]), line_feed)),
                  vreinterpretq_u8_u16(vceqq_u16(vreinterpretq_u16_u8(pairs.val[1]), line_feed)));
    const uint8x8_t nibbles = vshrn_n_u16(vreinterpretq_u16_u8(found), 4);
    return vget_lane_u64(vreinterpret_u64_u8(nibbles), 0) & 0x1111111111111111U;
}

[[gnu::flatten]] char *expand(const unsigned char *pairs, std::size_t pair_count, char *listing) {
    return expand_groups<line_feeds_in, write_group, 4>(pairs, pair_count, listing);
}

char *list_neon(const unsigned char *bytes, std::size_t count, char *listing) {
    return list_in_chunks(bytes, count, listing, pack_width, pack, expand);
}

} // namespace

listing_path neon_path() { return {"neon", list_neon, true}; }
