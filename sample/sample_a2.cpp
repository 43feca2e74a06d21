// Apple II sample data.
#include "sample_a2.h"

#include <algorithm>

#include "sample_paint.h"
#include "sample_world.h"

namespace sample {

namespace {

constexpr uint32_t kSector = 256;
constexpr uint32_t kTrackBytes = 16 * kSector;
constexpr uint32_t kPairs = 122;
constexpr uint8_t kProdos[16] = {0, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 15};

struct Writer {
    std::vector<uint8_t>& image;
    uint32_t tracks;
    uint32_t next_track = 18;
    uint32_t next_sector = 0;
    bool downward = false;

    uint8_t* at(uint32_t t, uint32_t s) { return image.data() + (t * 16 + s) * kSector; }

    // Next free sector: tracks 18 up, then 16 down to 1.
    bool take(uint32_t& t, uint32_t& s)
    {
        if (!downward && next_track >= tracks) {
            downward = true;
            next_track = 16;
            next_sector = 0;
        }
        if (downward && next_track == 0) return false;
        t = next_track;
        s = next_sector;
        if (++next_sector == 16) {
            next_sector = 0;
            next_track = downward ? next_track - 1 : next_track + 1;
        }
        return true;
    }
};

// Hi-res dots. A lit dot at an even place of a scan line shows green, at an
// odd place violet; with the byte's palette bit set, orange and blue. Lit
// dots side by side show white. A tile starts at an even place, so dot d of a
// tile row (0-13) is even when d is.
enum DotGroup : uint8_t { kAnyBit, kBitClear, kBitSet };

struct DotRule {
    DotGroup group;
    uint8_t mask;  // bit 0: lit at even places, bit 1: at odd places
    uint8_t sparse;  // 1: every other lit dot left dark, 2: on every other row only
};

// Each ink as dots: its palette bit, which places are lit, and how sparsely.
constexpr DotRule kDotRules[kInkCount] = {
    {kAnyBit, 0, 0},    // clear
    {kAnyBit, 0, 0},    // black
    {kBitSet, 2, 1},    // navy: dark blue
    {kBitSet, 2, 0},    // blue
    {kBitSet, 2, 3},    // sky: blue with white
    {kAnyBit, 3, 0},    // foam: white
    {kAnyBit, 3, 0},    // white
    {kBitClear, 1, 1},  // dark green
    {kBitClear, 1, 0},  // green
    {kBitClear, 1, 3},  // light green: green with white
    {kBitClear, 3, 4},  // olive: green and violet rows
    {kBitSet, 1, 1},    // brown: dark orange
    {kBitSet, 1, 0},    // tan: orange
    {kAnyBit, 3, 2},    // grey: white rows
    {kAnyBit, 3, 5},    // dark grey: white dots
    {kBitSet, 1, 0},    // red: orange
    {kBitSet, 1, 0},    // orange
    {kBitSet, 1, 3},    // yellow: orange with white
    {kBitClear, 2, 0},  // violet
    {kBitSet, 1, 0},    // skin: orange
};

bool dot_lit(const DotRule& rule, uint32_t d, uint32_t r)
{
    const bool even = d % 2 == 0;
    const bool place = (rule.mask & (even ? 1 : 2)) != 0;
    switch (rule.sparse) {
        case 1: return place && (d / 2 + r) % 2 == 0;
        case 2: return r % 2 == 0;
        case 3: return place || (d % 4 == 1 && r % 2 == 0);
        case 4: return (r % 2 == 0) ? even : !even;
        case 5: return (d + 2 * r) % 4 == 0;
        default: return place;
    }
}

// One byte of scan line r of tile n: the left (half 0) or right seven dots.
uint8_t hires_byte(uint32_t n, uint32_t half, uint32_t r)
{
    DotRule rules[7];
    int votes = 0;
    for (uint32_t k = 0; k < 7; ++k) {
        rules[k] = kDotRules[solid_ink(n, half * 7 + k, r, 14, 16)];
        votes += rules[k].group == kBitSet ? 1 : rules[k].group == kBitClear ? -1 : 0;
    }
    const bool set = votes > 0;
    uint8_t byte = set ? 0x80 : 0x00;
    for (uint32_t k = 0; k < 7; ++k) {
        DotRule rule = rules[k];
        if (rule.group == (set ? kBitClear : kBitSet)) {
            // A colour of the other palette: blue and violet stand for each
            // other, greens turn brown, oranges white or dark.
            if (rule.mask == 2 && rule.sparse != 4) rule = {kAnyBit, 2, rule.sparse};
            else if (set) rule = {kAnyBit, 1, 1};
            else rule = rule.sparse == 1 ? DotRule{kAnyBit, 1, 1} : DotRule{kAnyBit, 3, 2};
        }
        if (dot_lit(rule, half * 7 + k, r)) byte = static_cast<uint8_t>(byte | (1U << k));
    }
    return byte;
}

}  // namespace

std::vector<uint8_t> a2_binary_contents(uint16_t address, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> out(4 + data.size());
    out[0] = static_cast<uint8_t>(address);
    out[1] = static_cast<uint8_t>(address >> 8);
    out[2] = static_cast<uint8_t>(data.size());
    out[3] = static_cast<uint8_t>(data.size() >> 8);
    std::copy(data.begin(), data.end(), out.begin() + 4);
    return out;
}

std::vector<uint8_t> a2_dos33_image(const std::vector<A2File>& files, uint32_t tracks)
{
    std::vector<uint8_t> image(static_cast<size_t>(tracks) * kTrackBytes);
    if (tracks < 18) return image;
    Writer w{image, tracks};

    // Volume table of contents.
    uint8_t* vtoc = w.at(17, 0);
    vtoc[1] = 17;
    vtoc[2] = 15;
    vtoc[3] = 3;
    vtoc[6] = 254;
    vtoc[0x27] = kPairs;
    vtoc[0x34] = static_cast<uint8_t>(tracks);
    vtoc[0x35] = 16;
    vtoc[0x37] = 1;
    // Catalog chain 17/15 -> 17/14 -> ... -> 17/1.
    for (uint32_t s = 15; s >= 2; --s) {
        w.at(17, s)[1] = 17;
        w.at(17, s)[2] = static_cast<uint8_t>(s - 1);
    }

    for (size_t f = 0; f < files.size() && f < 15 * 7; ++f) {
        const A2File& file = files[f];
        const uint32_t data_sectors =
            std::max<uint32_t>(1, static_cast<uint32_t>((file.contents.size() + kSector - 1) / kSector));
        const uint32_t lists = (data_sectors + kPairs - 1) / kPairs;
        uint8_t* entry = w.at(17, static_cast<uint32_t>(15 - f / 7)) + 11 + (f % 7) * 35;
        entry[2] = file.type;
        for (uint32_t i = 0; i < 30; ++i)
            entry[3 + i] = i < file.name.size() ? static_cast<uint8_t>(file.name[i] | 0x80) : 0xA0;
        entry[33] = static_cast<uint8_t>(data_sectors + lists);
        entry[34] = static_cast<uint8_t>((data_sectors + lists) >> 8);

        uint8_t* list = nullptr;
        for (uint32_t d = 0; d < data_sectors; ++d) {
            uint32_t t = 0, s = 0;
            if (d % kPairs == 0) {
                if (!w.take(t, s)) return image;
                if (list) {
                    list[1] = static_cast<uint8_t>(t);
                    list[2] = static_cast<uint8_t>(s);
                } else {
                    entry[0] = static_cast<uint8_t>(t);
                    entry[1] = static_cast<uint8_t>(s);
                }
                list = w.at(t, s);
                list[5] = static_cast<uint8_t>(d);
                list[6] = static_cast<uint8_t>(d >> 8);
            }
            if (!w.take(t, s)) return image;
            list[12 + 2 * (d % kPairs)] = static_cast<uint8_t>(t);
            list[13 + 2 * (d % kPairs)] = static_cast<uint8_t>(s);
            const size_t from = static_cast<size_t>(d) * kSector;
            const size_t n = std::min<size_t>(kSector, file.contents.size() - std::min(from, file.contents.size()));
            uint8_t* to = w.at(t, s);
            for (size_t i = 0; i < n; ++i) to[i] = file.contents[from + i];
        }
    }
    return image;
}

std::vector<uint8_t> a2_prodos_order(const std::vector<uint8_t>& dos_order)
{
    std::vector<uint8_t> out(dos_order.size());
    const size_t sectors = dos_order.size() / kSector;
    for (size_t i = 0; i < sectors; ++i) {
        const size_t to = (i / 16 * 16 + kProdos[i % 16]) * kSector;
        if (to + kSector <= out.size())
            std::copy_n(dos_order.begin() + static_cast<std::ptrdiff_t>(i * kSector), kSector,
                        out.begin() + static_cast<std::ptrdiff_t>(to));
    }
    return out;
}

std::vector<uint8_t> a2_hires_shapes(int half)
{
    std::vector<uint8_t> file(4096);
    for (uint32_t n = 0; n < 256; ++n)
        for (uint32_t r = 0; r < 16; ++r) file[r * 256 + n] = hires_byte(n, static_cast<uint32_t>(half), r);
    return file;
}

std::vector<uint8_t> a2_program_disk(bool prodos_order)
{
    const std::vector<A2File> files = {
        {"HELLO", 0x02, {0x10, 0x00, 0x0A, 0x00}},
        {"S\x01HP0", 0x04, a2_binary_contents(0x6000, a2_hires_shapes(0))},
        {"S\x01HP1", 0x04, a2_binary_contents(0x7000, a2_hires_shapes(1))},
    };
    std::vector<uint8_t> image = a2_dos33_image(files);
    return prodos_order ? a2_prodos_order(image) : image;
}

std::vector<uint8_t> a2_morvane_disk(bool prodos_order)
{
    std::vector<uint8_t> image(kA2ImageBytes);
    const std::vector<uint8_t> map = chunked_map(world_tiles(), 16);
    std::copy(map.begin(), map.end(), image.begin());
    return prodos_order ? a2_prodos_order(image) : image;
}

}  // namespace sample
