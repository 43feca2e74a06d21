// Conversion of pixel data between bit counts by nearest palette colour.
#include <algorithm>
#include <array>
#include <cstdio>
#include <new>
#include <vector>

#include "bitmap.h"
#include "size_math.h"

const uint8_t kBlackWhitePalette[8] = {0, 0, 0, 0, 255, 255, 255, 0};

namespace {

bool valid_bit_count(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The palette a side of the conversion uses: its own, the black and white
// default for 1 bit, or none (an empty span) when an indexed side lacks one.
std::span<const uint8_t> side_palette(uint32_t bits, std::span<const uint8_t> palette)
{
    if (bits > 8) return {};
    const size_t needed = size_t{kPaletteEntryBytes} << bits;
    if (palette.empty() && bits == 1) return std::span<const uint8_t>(kBlackWhitePalette);
    if (palette.size() < needed) return {};
    return palette.first(needed);
}


// Stores one colour in the target form at p: the nearest entry of an indexed
// target, or the colour itself in 16, 24 or 32 bits.
void encode_colour(uint8_t* p, uint32_t bits, std::span<const uint8_t> palette, int entries, int red,
                   int green, int blue)
{
    switch (bits) {
        case 16:
            put_le16(p, static_cast<uint16_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3)));
            break;
        case 24:
        case 32:
            p[0] = static_cast<uint8_t>(blue);
            p[1] = static_cast<uint8_t>(green);
            p[2] = static_cast<uint8_t>(red);
            break;
        default:
            *p = static_cast<uint8_t>(nearest_palette_entry(red, green, blue, palette, entries));
            break;
    }
}

}  // namespace

int nearest_palette_entry(int red, int green, int blue, std::span<const uint8_t> palette, int count)
{
    if (count <= 0) return 0;
    const size_t available = palette.size() / kPaletteEntryBytes;
    if (static_cast<size_t>(count) > available) count = static_cast<int>(available);
    int best = 0;
    int best_distance = 196608;
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = palette.data() + static_cast<size_t>(i) * kPaletteEntryBytes;
        const int db = e[0] - blue, dg = e[1] - green, dr = e[2] - red;
        const int distance = db * db + dg * dg + dr * dr;
        if (distance == 0) return i;
        if (distance < best_distance) {
            best_distance = distance;
            best = i;
        }
    }
    return best;
}

int convert_bit_count(uint32_t width, uint32_t height, uint32_t source_bits,
                      std::span<const uint8_t> source_palette, std::span<const uint8_t> source_pixels,
                      uint32_t target_bits, std::span<const uint8_t> target_palette,
                      std::vector<uint8_t>* target_pixels)
{
    if (source_pixels.data() == nullptr || target_pixels == nullptr) return -1;
    const uint64_t count = uint64_t{width} * height;
    uint64_t target_size = 0;
    if (!size_product32((target_bits + 7) / 8, width, height, &target_size)) {
        std::puts("error: memory exhaust!");
        return -2;
    }
    if (target_pixels->empty()) {
        try {
            target_pixels->resize(static_cast<size_t>(target_size));
        } catch (const std::bad_alloc&) {
            std::puts("error: memory exhaust!");
            return -2;
        }
    } else if (target_pixels->size() < target_size) {
        return -1;
    }
    std::fill(target_pixels->begin(), target_pixels->begin() + static_cast<std::ptrdiff_t>(target_size), 0);

    if (!valid_bit_count(source_bits) || !valid_bit_count(target_bits)) return -1;
    const std::span<const uint8_t> from = side_palette(source_bits, source_palette);
    const std::span<const uint8_t> to = side_palette(target_bits, target_palette);
    if ((source_bits <= 8 && from.empty()) || (target_bits <= 8 && to.empty())) return -1;
    const uint32_t source_step = source_bits <= 8 ? 1 : source_bits / 8;
    if (source_pixels.size() / source_step < count) return -1;

    const int target_entries = target_bits <= 8 ? 1 << target_bits : 0;
    uint8_t* out = target_pixels->data();
    const uint8_t* in = source_pixels.data();
    const uint32_t target_step = target_bits <= 8 ? 1 : target_bits / 8;

    auto store = [&](uint64_t i, int red, int green, int blue) {
        encode_colour(out + i * target_step, target_bits, to, target_entries, red, green, blue);
    };

    if (source_bits <= 8) {
        // Indexed source: each of the 256 possible byte values is looked up
        // once; values past the palette wrap onto its entries.
        const uint32_t entries = 1u << source_bits;
        std::array<std::array<uint8_t, 4>, 256> table{};
        for (uint32_t v = 0; v < 256; ++v) {
            const uint8_t* e = from.data() + (v % entries) * kPaletteEntryBytes;
            encode_colour(table[v].data(), target_bits, to, target_entries, e[2], e[1], e[0]);
        }
        if (target_step == 1) {
            for (uint64_t i = 0; i < count; ++i) out[i] = table[in[i]][0];
            return 0;
        }
        for (uint64_t i = 0; i < count; ++i) {
            const auto& t = table[in[i]];
            std::copy(t.begin(), t.begin() + target_step, out + i * target_step);
        }
        return 0;
    }
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* p = in + i * source_step;
        if (source_bits == 16) {
            const uint16_t v = get_le16(p);
            const int b5 = v & 0x1F, g5 = (v >> 5) & 0x1F, r5 = (v >> 10) & 0x1F;
            store(i, r5 * 8 + r5 / 4, g5 * 8 + g5 / 4, b5 * 8 + b5 / 4);
        } else {
            store(i, p[2], p[1], p[0]);
        }
    }
    return 0;
}
