#include "box_reduce.h"

#include <new>

#include "byteorder.h"

namespace {

// A 5-bit channel widened to 8 bits, as the PNG form of a 16-bit picture
// shows it.
constexpr uint32_t widen5(uint32_t v) { return v << 3 | v >> 2; }

// Adds the colours of one row into the sums of its boxes.
void add_row(BoxReducer& r, const uint8_t* row)
{
    uint32_t* sums = r.sums.data();
    const uint32_t n = r.factor;
    const uint32_t width = r.width;
    if (r.bits_per_pixel == 4 && n % 2 == 0) {
        // Two pixels a byte, and both in one box.
        const uint32_t bytes_per_box = n / 2;
        for (uint32_t box = 0, x = 0; box < width / n; ++box, sums += 3) {
            uint32_t b = 0, g = 0, red = 0;
            for (uint32_t k = 0; k < bytes_per_box; ++k, ++x) {
                const auto& p = r.pairs[row[x]];
                b += p[0];
                g += p[1];
                red += p[2];
            }
            sums[0] += b;
            sums[1] += g;
            sums[2] += red;
        }
        return;
    }
    for (uint32_t x = 0; x < width; ++x) {
        uint32_t b, g, red;
        switch (r.bits_per_pixel) {
            case 1:
            case 4:
            case 8: {
                const uint32_t bits = r.bits_per_pixel;
                const size_t bit = size_t{x} * bits;
                const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                const auto& c = r.colours[index];
                b = c[0];
                g = c[1];
                red = c[2];
                break;
            }
            case 16: {
                const uint32_t v = get_le16(row + 2 * size_t{x});
                b = widen5(v & 31);
                g = widen5((v >> 5) & 31);
                red = widen5((v >> 10) & 31);
                break;
            }
            default: {
                const uint8_t* p = row + size_t{x} * (r.bits_per_pixel / 8);
                b = p[0];
                g = p[1];
                red = p[2];
                break;
            }
        }
        uint32_t* s = sums + 3 * size_t{x / n};
        s[0] += b;
        s[1] += g;
        s[2] += red;
    }
}

}  // namespace

int box_reducer_init(BoxReducer& reducer, uint32_t width, uint32_t bits_per_pixel, std::span<const uint8_t> palette,
                     uint32_t factor)
{
    reducer = BoxReducer{};
    const bool known = bits_per_pixel == 1 || bits_per_pixel == 4 || bits_per_pixel == 8 || bits_per_pixel == 16 ||
                       bits_per_pixel == 24 || bits_per_pixel == 32;
    if (factor == 0 || width % factor != 0 || !known) return -1;
    reducer.factor = factor;
    reducer.width = width;
    reducer.bits_per_pixel = bits_per_pixel;
    try {
        reducer.sums.assign(size_t{width / factor} * 3, 0);
        if (bits_per_pixel <= 8) {
            const size_t entries = size_t{1} << bits_per_pixel;
            reducer.colours.assign(entries, {0, 0, 0, 0});
            for (size_t i = 0; i < entries && (i + 1) * 4 <= palette.size(); ++i)
                reducer.colours[i] = {palette[4 * i], palette[4 * i + 1], palette[4 * i + 2], 0};
        }
        if (bits_per_pixel == 4) {
            reducer.pairs.resize(256);
            for (uint32_t v = 0; v < 256; ++v)
                for (int c = 0; c < 3; ++c)
                    reducer.pairs[v][c] =
                        static_cast<uint16_t>(reducer.colours[v >> 4][c] + reducer.colours[v & 15][c]);
        }
    } catch (const std::bad_alloc&) {
        reducer = BoxReducer{};
        return -1;
    }
    return 0;
}

bool box_reducer_add(BoxReducer& reducer, const uint8_t* row, uint8_t* out)
{
    add_row(reducer, row);
    if (++reducer.rows < reducer.factor) return false;
    reducer.rows = 0;
    const uint32_t area = reducer.factor * reducer.factor;
    for (uint32_t& s : reducer.sums) {
        *out++ = static_cast<uint8_t>((s + area / 2) / area);
        s = 0;
    }
    return true;
}
