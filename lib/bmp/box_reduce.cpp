#include "box_reduce.h"

#include <cstring>
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
    const uint32_t boxes = r.width / n;
    if (r.bits_per_pixel == 4 && n % 2 == 0) {
        // Two pixels a byte, and both in one box.
        for (uint32_t box = 0; box < boxes; ++box, sums += 3) {
            for (uint32_t k = 0; k < n / 2; ++k, ++row) {
                const auto& p = r.pairs[*row];
                sums[0] += p[0];
                sums[1] += p[1];
                sums[2] += p[2];
            }
        }
        return;
    }
    if (r.bits_per_pixel == 24 || r.bits_per_pixel == 32) {
        const uint32_t step = r.bits_per_pixel / 8;
        for (uint32_t box = 0; box < boxes; ++box, sums += 3) {
            uint32_t b = 0, g = 0, red = 0;
            for (uint32_t k = 0; k < n; ++k, row += step) {
                b += row[0];
                g += row[1];
                red += row[2];
            }
            sums[0] += b;
            sums[1] += g;
            sums[2] += red;
        }
        return;
    }
    for (uint32_t x = 0; x < r.width; ++x) {
        uint32_t b, g, red;
        if (r.bits_per_pixel == 16) {
            const uint32_t v = get_le16(row + 2 * size_t{x});
            b = widen5(v & 31);
            g = widen5((v >> 5) & 31);
            red = widen5((v >> 10) & 31);
        } else {
            const uint32_t bits = r.bits_per_pixel;
            const size_t bit = size_t{x} * bits;
            const auto& c = r.colours[(row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1)];
            b = c[0];
            g = c[1];
            red = c[2];
        }
        uint32_t* s = sums + 3 * size_t{x / n};
        s[0] += b;
        s[1] += g;
        s[2] += red;
    }
}

// Halving, the pyramid's step: each pixel the mean of a 2 x 2 box of two
// rows, in one pass.
void halve(const BoxReducer& r, const uint8_t* top, const uint8_t* bottom, uint8_t* out)
{
    const uint32_t boxes = r.width / 2;
    if (r.bits_per_pixel == 4) {
        // The three sums of a byte's two pixels lie in 16-bit lanes of one
        // word: two bytes' words added, and the rounding, in three adds.
        constexpr uint64_t kHalf = 0x0000000200020002ull;
        for (uint32_t x = 0; x < boxes; ++x, out += 3) {
            const uint64_t sum = r.pair_words[top[x]] + r.pair_words[bottom[x]] + kHalf;
            out[0] = static_cast<uint8_t>(sum >> 2);
            out[1] = static_cast<uint8_t>(sum >> 18);
            out[2] = static_cast<uint8_t>(sum >> 34);
        }
        return;
    }
    const uint32_t step = r.bits_per_pixel / 8;
    for (uint32_t x = 0; x < boxes; ++x, out += 3, top += 2 * step, bottom += 2 * step)
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<uint8_t>((top[c] + top[step + c] + bottom[c] + bottom[step + c] + 2) >> 2);
}

bool halves(const BoxReducer& r)
{
    return r.factor == 2 && (r.bits_per_pixel == 4 || r.bits_per_pixel == 24 || r.bits_per_pixel == 32);
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
        if (halves(reducer)) reducer.held.assign(size_t{width} * bits_per_pixel / 8, 0);
        while ((1u << reducer.shift) < factor * factor) ++reducer.shift;
        if ((1u << reducer.shift) != factor * factor) reducer.shift = 0;
        if (bits_per_pixel <= 8) {
            const size_t entries = size_t{1} << bits_per_pixel;
            reducer.colours.assign(entries, {0, 0, 0, 0});
            for (size_t i = 0; i < entries && (i + 1) * 4 <= palette.size(); ++i)
                reducer.colours[i] = {palette[4 * i], palette[4 * i + 1], palette[4 * i + 2], 0};
        }
        if (bits_per_pixel == 4) {
            reducer.pairs.resize(256);
            reducer.pair_words.resize(256);
            for (uint32_t v = 0; v < 256; ++v) {
                for (int c = 0; c < 3; ++c) {
                    reducer.pairs[v][c] =
                        static_cast<uint16_t>(reducer.colours[v >> 4][c] + reducer.colours[v & 15][c]);
                    reducer.pair_words[v] |= uint64_t{reducer.pairs[v][c]} << (16 * c);
                }
            }
        }
    } catch (const std::bad_alloc&) {
        reducer = BoxReducer{};
        return -1;
    }
    return 0;
}

bool box_reducer_add(BoxReducer& reducer, const uint8_t* row, uint8_t* out)
{
    if (halves(reducer)) {
        if (++reducer.rows == 1) {
            std::memcpy(reducer.held.data(), row, reducer.held.size());
            return false;
        }
        reducer.rows = 0;
        halve(reducer, reducer.held.data(), row, out);
        return true;
    }
    add_row(reducer, row);
    if (++reducer.rows < reducer.factor) return false;
    reducer.rows = 0;
    const uint32_t area = reducer.factor * reducer.factor;
    for (uint32_t& s : reducer.sums) {
        *out++ = static_cast<uint8_t>(reducer.shift ? (s + area / 2) >> reducer.shift : (s + area / 2) / area);
        s = 0;
    }
    return true;
}
