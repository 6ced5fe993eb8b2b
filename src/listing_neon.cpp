// The NEON path, for ARM processors with Advanced SIMD: every 64-bit one, and the 32-bit ones
// from ARMv7 on that have it. Packing keeps the bytes that have a token, eight at a time, as
// they are; expanding turns sixteen of them at a time into their hex digits and writes the
// group's eighty bytes of listing with five lookups in those thirty-two digits, each of which
// leaves the fixed characters of its layout in place. AArch64 looks sixteen bytes up at once;
// AArch32 eight at a time, from which the few functions below build the same steps.
#include "vector_listing.h"

#include <arm_neon.h>

#if !defined(__aarch64__)
#include <asm/hwcap.h>
#include <sys/auxv.h>
#endif

namespace {

// Source bytes that packing classifies at a time: two registers.
constexpr std::size_t pack_width = 32;

// For each mask of eight bits, the indexes of the bytes whose bits are set, of the first eight
// bytes of a register (half 0) or of the last eight (half 1, which AArch64 alone looks up in the
// whole register), moved to the front; 0x80 yields zero.
using keep_indexes = std::array<std::array<std::uint8_t, 8>, 256>;

constexpr keep_indexes make_keep_indexes(unsigned half) {
    keep_indexes table{};
    for (unsigned mask = 0; mask < table.size(); ++mask) {
        table[mask].fill(0x80);
        for (unsigned byte = 0, kept = 0; byte < 8; ++byte) {
            if ((mask >> byte & 1U) != 0) {
                table[mask][kept++] = static_cast<std::uint8_t>(8 * half + byte);
            }
        }
    }
    return table;
}

constexpr keep_indexes keep_first_eight = make_keep_indexes(0);

#if defined(__aarch64__)

constexpr keep_indexes keep_last_eight = make_keep_indexes(1);

uint8x16_t look_up(uint8x16_t table, uint8x16_t index) { return vqtbl1q_u8(table, index); }

// The bytes of the first eight of bytes (half 0) or of the last eight that keep[mask] picks.
uint8x8_t picked(uint8x16_t bytes, std::size_t half, std::size_t mask) {
    const keep_indexes &keep = half == 0 ? keep_first_eight : keep_last_eight;
    return vqtbl1_u8(bytes, vld1_u8(keep[mask].data()));
}

// Where index is past 31, into keeps what it held.
uint8x16_t look_up_into(uint8x16_t into, uint8x16x2_t table, uint8x16_t index) {
    return vqtbx2q_u8(into, table, index);
}

// Thirty-two bits, one for each byte of first and then of second that is set, from lanes that
// are all ones or all zeros.
std::uint32_t bits_of(uint8x16_t first, uint8x16_t second) {
    const uint8x16_t bit = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201U));
    uint8x16_t bits = vpaddq_u8(vandq_u8(first, bit), vandq_u8(second, bit));
    bits = vpaddq_u8(bits, bits);
    bits = vpaddq_u8(bits, bits);
    return vgetq_lane_u32(vreinterpretq_u32_u8(bits), 0);
}

// Four bits for each of the group's sixteen bytes, the lowest set where it is a line feed.
constexpr unsigned line_feed_bits = 4;
std::uint64_t line_feeds_in(const unsigned char *group) {
    const uint8x16_t found = vceqq_u8(vld1q_u8(group), vdupq_n_u8('\n'));
    const uint8x8_t nibbles = vshrn_n_u16(vreinterpretq_u16_u8(found), 4);
    return vget_lane_u64(vreinterpret_u64_u8(nibbles), 0) & 0x1111111111111111U;
}

bool runs_here() { return true; } // every 64-bit ARM processor has Advanced SIMD

#else

uint8x8x2_t halves(uint8x16_t bytes) { return {vget_low_u8(bytes), vget_high_u8(bytes)}; }

uint8x16_t look_up(uint8x16_t table, uint8x16_t index) {
    return vcombine_u8(vtbl2_u8(halves(table), vget_low_u8(index)),
                       vtbl2_u8(halves(table), vget_high_u8(index)));
}

// Each half looked up in itself, which takes one register where the whole would take two.
uint8x8_t picked(uint8x16_t bytes, std::size_t half, std::size_t mask) {
    return vtbl1_u8(half == 0 ? vget_low_u8(bytes) : vget_high_u8(bytes),
                    vld1_u8(keep_first_eight[mask].data()));
}

uint8x16_t look_up_into(uint8x16_t into, uint8x16x2_t table, uint8x16_t index) {
    const uint8x8x4_t quarters = {vget_low_u8(table.val[0]), vget_high_u8(table.val[0]),
                                  vget_low_u8(table.val[1]), vget_high_u8(table.val[1])};
    return vcombine_u8(vtbx4_u8(vget_low_u8(into), quarters, vget_low_u8(index)),
                       vtbx4_u8(vget_high_u8(into), quarters, vget_high_u8(index)));
}

std::uint32_t bits_of(uint8x16_t first, uint8x16_t second) {
    const uint8x16_t bit = vreinterpretq_u8_u64(vdupq_n_u64(0x8040201008040201U));
    const uint8x16_t first_bits = vandq_u8(first, bit);
    const uint8x16_t second_bits = vandq_u8(second, bit);
    uint8x8_t bits = vpadd_u8(vpadd_u8(vget_low_u8(first_bits), vget_high_u8(first_bits)),
                              vpadd_u8(vget_low_u8(second_bits), vget_high_u8(second_bits)));
    bits = vpadd_u8(bits, bits);
    return vget_lane_u32(vreinterpret_u32_u8(bits), 0);
}

// A bit for each of the group's sixteen bytes that is a line feed: a 32-bit processor handles
// sixteen bits better than sixty-four.
constexpr unsigned line_feed_bits = 1;
std::uint64_t line_feeds_in(const unsigned char *group) {
    const uint8x16_t found = vceqq_u8(vld1q_u8(group), vdupq_n_u8('\n'));
    return bits_of(found, vdupq_n_u8(0)) & 0xffffU;
}

// The kernel tells whether this 32-bit ARM processor has Advanced SIMD. The check runs on every
// core, so it keeps to the registers that all of them have.
[[gnu::target("general-regs-only")]] bool runs_here() {
    return (getauxval(AT_HWCAP) & HWCAP_NEON) != 0;
}

#endif

uint8x16_t load(const void *from) { return vld1q_u8(static_cast<const std::uint8_t *>(from)); }

// How many bits each mask of eight bits sets, in words of the indexes' size, so that both are
// found with the same scaled index.
constexpr std::array<std::uint64_t, 256> make_wide_kept_counts() {
    std::array<std::uint64_t, 256> counts{};
    for (std::size_t mask = 0; mask < counts.size(); ++mask) {
        counts[mask] = static_cast<std::uint64_t>(std::popcount(mask));
    }
    return counts;
}

constexpr std::array<std::uint64_t, 256> wide_kept_counts = make_wide_kept_counts();

// Stores the bytes of half of bytes whose bits are set in mask, and returns what follows them.
unsigned char *keep_eight(uint8x16_t bytes, std::size_t half, std::size_t mask, unsigned char *to) {
    vst1_u8(to, picked(bytes, half, mask));
    to += wide_kept_counts[mask];
    return to;
}

// Bytes from a blank (0x20) to 'Z' (0x5a), and line feeds, have tokens.
uint8x16_t listed(uint8x16_t bytes) {
    return vorrq_u8(vcleq_u8(vsubq_u8(bytes, vdupq_n_u8(' ')), vdupq_n_u8('Z' - ' ')),
                    vceqq_u8(bytes, vdupq_n_u8('\n')));
}

std::size_t pack(const unsigned char *bytes, std::size_t count, unsigned char *packed) {
    unsigned char *to = packed;
    for (std::size_t i = 0; i < count; i += pack_width) {
        const uint8x16_t first = load(bytes + i);
        const uint8x16_t second = load(bytes + i + 16);
        const std::uint32_t keep = bits_of(listed(first), listed(second));
        if (keep == 0xffffffffU) { // every byte has a token, as in text in capitals
            vst1q_u8(to, first);
            vst1q_u8(to + 16, second);
            to += pack_width;
            continue;
        }
        to = keep_eight(first, 0, keep & 0xffU, to);
        to = keep_eight(first, 1, keep >> 8U & 0xffU, to);
        to = keep_eight(second, 0, keep >> 16U & 0xffU, to);
        to = keep_eight(second, 1, keep >> 24U, to);
    }
    return static_cast<std::size_t>(to - packed);
}

// The digits of a byte by its high four bits, where a line feed (0x0a) gives itself and a blank,
// taken as 0x60, gives '0'; its low four bits give the second digit.
constexpr std::array<char, 16> high_digits = {'\n', '?', '2', '3', '4', '5', '0'};

// The layouts of a group for every place of its line feed, and for none, as lookups in its
// digits: the sixteen first digits, then the sixteen second ones. A byte that is a digit holds
// its index there; a fixed character of a word ("00 ") holds that character itself, whose code
// is past 31, so that the lookup leaves it; and a line feed is the first digit of its byte.
// Each layout takes 128 bytes, and its last byte says how far its listing goes.
struct table_layout {
    std::array<std::array<std::uint8_t, sixteen_byte_store>, 5> stores;
    std::array<std::uint8_t, 47> unused;
    std::uint8_t size;
};
static_assert(sizeof(table_layout) == 128);

constexpr std::array<table_layout, group_pairs + 1> make_table_layouts() {
    constexpr std::size_t stores = group_listing_size / sixteen_byte_store;
    constexpr auto layouts = make_group_layouts<stores, sixteen_byte_store, group_bytes>(
        std::array<std::size_t, stores>{});
    std::array<table_layout, group_pairs + 1> made{};
    for (std::size_t line_feed = 0; line_feed <= no_line_feed; ++line_feed) {
        for (std::size_t store = 0; store < stores; ++store) {
            for (std::size_t byte = 0; byte < sixteen_byte_store; ++byte) {
                const char fixed = layouts[line_feed].fixed[store][byte];
                const std::size_t pair_byte = layouts[line_feed].index[store][byte];
                const std::size_t digit =
                    pair_byte % pair_size * group_pairs + pair_byte / pair_size;
                made[line_feed].stores[store][byte] =
                    fixed == '\n'                        ? static_cast<std::uint8_t>(line_feed)
                    : fixed != '\0' || pair_byte >= 0x80 ? static_cast<std::uint8_t>(fixed)
                                                         : static_cast<std::uint8_t>(digit);
            }
        }
        made[line_feed].size = static_cast<std::uint8_t>(group_listing(line_feed));
    }
    return made;
}

constexpr auto table_layouts = make_table_layouts();

// Writes the listing of the sixteen bytes at group, a line feed at line_feed of them, in that
// place's layout; the stores reach 80 bytes past listing. Returns where the listing ends.
char *write_group(const unsigned char *group, std::size_t line_feed, char *listing) {
    const uint8x16_t kept = load(group);
    const uint8x16_t value = vbslq_u8(vceqq_u8(kept, vdupq_n_u8(' ')), vdupq_n_u8(0x60), kept);
    const uint8x16_t high = look_up(load(high_digits.data()), vshrq_n_u8(value, 4));
    const uint8x16_t low = look_up(load("0123456789abcdef"), vandq_u8(value, vdupq_n_u8(0x0f)));
    const uint8x16x2_t digits = {high, low};
    const table_layout &layout = table_layouts[line_feed];
    auto *to = reinterpret_cast<std::uint8_t *>(listing);
    for (std::size_t store = 0; store < layout.stores.size(); ++store) {
        const uint8x16_t fixed = load(layout.stores[store].data());
        vst1q_u8(to + store * sixteen_byte_store, look_up_into(fixed, digits, fixed));
    }
    return listing + layout.size;
}

[[gnu::flatten]] char *expand(const unsigned char *packed, std::size_t kept, char *listing) {
    return expand_groups<line_feeds_in, write_group, line_feed_bits, 1>(packed, kept, listing);
}

char *list_neon(const unsigned char *bytes, std::size_t count, char *listing) {
    return list_in_chunks(bytes, count, listing, pack_width, pack, expand, 1);
}

} // namespace

listing_path neon_path() { return {"neon", list_neon, runs_here(), "NEON (Advanced SIMD)"}; }
