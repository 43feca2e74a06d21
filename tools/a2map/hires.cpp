#include "hires.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "dos33.h"

const std::array<uint8_t, 64> kHiresPalette = {
    0,   0,   0,   0,  // black
    52,  7,   157, 0,  // deep red
    226, 29,  48,  0,  // dark blue
    231, 59,  178, 0,  // purple
    61,  107, 0,   0,  // dark green
    114, 114, 114, 0,  // grey
    237, 130, 37,  0,  // medium blue
    255, 143, 162, 0,  // light blue
    0,   85,  66,  0,  // brown
    0,   99,  191, 0,  // orange
    114, 114, 114, 0,  // grey
    167, 122, 255, 0,  // pink
    0,   170, 50,  0,  // green
    2,   200, 181, 0,  // yellow
    176, 222, 72,  0,  // aqua
    229, 229, 229, 0,  // white
};

namespace {

constexpr uint32_t kDerivedFirst = 68;

// Colour of a sub-pixel from the lit weights of the five columns x-2..x+2.
inline uint8_t artifact_colour(uint8_t m2, uint8_t m1, uint8_t m0, uint8_t p1, uint8_t p2,
                               bool blur)
{
    if (blur) {
        const uint8_t v = static_cast<uint8_t>(m1 | m0 | p1);
        return v != 0 ? static_cast<uint8_t>(v | m2 | p2) : 0;
    }
    if (m0 == 0) return 0;
    uint8_t v = static_cast<uint8_t>(m0 | m1 | p1);
    if (m1 != 0 && p1 != 0) v = static_cast<uint8_t>(v | m2 | p2);
    return v;
}

// Replaces the markers at byte starts by the sub-pixel to their left (the
// last one of the row for column 0).
void resolve_markers(uint8_t* row, size_t width)
{
    for (size_t x = 0; x < width; x += kHiresMarkerSpan)
        if (row[x] == kHiresMarker) row[x] = x == 0 ? row[width - 1] : row[x - 1];
}

// Lit weights of a row: 4, 8, 1, 2 by column mod 4 where a sub-pixel is on.
void set_weights(const uint8_t* __restrict row, uint8_t* __restrict weights, int64_t width)
{
    int64_t x = 0;
    for (; x + 4 <= width; x += 4) {
        weights[x] = row[x] != 0 ? 4 : 0;
        weights[x + 1] = row[x + 1] != 0 ? 8 : 0;
        weights[x + 2] = row[x + 2] != 0 ? 1 : 0;
        weights[x + 3] = row[x + 3] != 0 ? 2 : 0;
    }
    for (; x < width; ++x) weights[x] = row[x] != 0 ? hires_weight(x) : 0;
}

// All-ones when v is not 0.
inline uint8_t mask(uint8_t v)
{
    return static_cast<uint8_t>(-static_cast<int>(v != 0));
}

// The colouring rules for the columns whose neighbours need no wrapping,
// written without branches so that they run on whole vectors.
void colour_inner(const uint8_t* __restrict m, uint8_t* __restrict out, int64_t from, int64_t to)
{
    for (int64_t x = from; x < to; ++x) {
        const uint8_t wide = static_cast<uint8_t>(mask(m[x - 1]) & mask(m[x + 1]) & (m[x - 2] | m[x + 2]));
        out[x] = static_cast<uint8_t>(mask(m[x]) & (m[x] | m[x - 1] | m[x + 1] | wide));
    }
}

void colour_inner_blur(const uint8_t* __restrict m, uint8_t* __restrict out, int64_t from, int64_t to)
{
    for (int64_t x = from; x < to; ++x) {
        const uint8_t v = static_cast<uint8_t>(m[x - 1] | m[x] | m[x + 1]);
        out[x] = static_cast<uint8_t>(v | (mask(v) & (m[x - 2] | m[x + 2])));
    }
}

// Colours one scan line from its lit weights into out (width bytes).
void colour_line(const uint8_t* weights, uint8_t* out, int64_t width, bool blur)
{
    // A column off the row is read at the other end but keeps the weight of
    // its own (unwrapped) column.
    auto at = [&](int64_t x) -> uint8_t {
        if (x >= 0 && x < width) return weights[x];
        const int64_t wrapped = ((x % width) + width) % width;
        return weights[wrapped] != 0 ? hires_weight(x) : 0;
    };
    auto colour_at = [&](int64_t x) {
        return artifact_colour(at(x - 2), at(x - 1), at(x), at(x + 1), at(x + 2), blur);
    };
    const int64_t head = std::min<int64_t>(2, width);
    const int64_t tail = std::max<int64_t>(head, width - 2);
    for (int64_t x = 0; x < head; ++x) out[x] = colour_at(x);
    for (int64_t x = tail; x < width; ++x) out[x] = colour_at(x);
    if (blur) colour_inner_blur(weights, out, head, tail);
    else colour_inner(weights, out, head, tail);
}

}  // namespace

void hires_decode_byte(uint8_t byte, std::span<uint8_t, 14> out)
{
    if ((byte & 0x80) == 0) {
        for (uint32_t k = 0; k < 7; ++k) out[2 * k] = out[2 * k + 1] = (byte >> k) & 1;
        return;
    }
    // Shifted by half a dot: the marker stands for the sub-pixel to the left
    // and the seventh dot is half cut off at the right edge.
    out[0] = kHiresMarker;
    for (uint32_t k = 0; k < 6; ++k) out[2 * k + 1] = out[2 * k + 2] = (byte >> k) & 1;
    out[13] = (byte >> 6) & 1;
}

void hires_derive_shapes(std::span<uint8_t> left, std::span<uint8_t> right)
{
    for (uint32_t r = 0; r < kHiresScanLines; ++r) {
        const size_t at = static_cast<size_t>(r) * kHiresShapes + kDerivedFirst;
        const uint8_t a = left[at];
        const uint8_t b = right[at];
        left[at] = a & 0x7F;
        right[at] = b & 0x7F;
        left[at + 1] = b | 0x80;
        right[at + 1] = a | 0x80;
        left[at + 2] = a | 0x80;
        right[at + 2] = b | 0x80;
        left[at + 3] = b & 0x7F;
        right[at + 3] = a & 0x7F;
    }
}

void hires_decode_sheet(std::span<const uint8_t> left, std::span<const uint8_t> right,
                        std::span<uint8_t> sheet)
{
    for (uint32_t n = 0; n < kHiresShapes; ++n) {
        for (uint32_t r = 0; r < kHiresScanLines; ++r) {
            const size_t row = static_cast<size_t>(n / 16) * kHiresTileHeight + 2 * r;
            uint8_t* out = sheet.data() + row * kHiresSheetWidth + (n % 16) * kHiresTileWidth;
            const size_t at = static_cast<size_t>(r) * kHiresShapes + n;
            hires_decode_byte(left[at], std::span<uint8_t, 14>(out, 14));
            hires_decode_byte(right[at], std::span<uint8_t, 14>(out + 14, 14));
        }
    }
}

int load_hires_shapes(const char* path, int order, ShapeSet& shapes)
{
    shapes.tile_width = kHiresTileWidth;
    shapes.tile_height = kHiresTileHeight;
    shapes.bits_per_pixel = 4;
    shapes.bytes_per_pixel = 1;
    try {
        shapes.pixels.assign(static_cast<size_t>(kHiresSheetWidth) * kHiresSheetHeight, 0);
        shapes.palette.assign(kHiresPalette.begin(), kHiresPalette.end());
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        return -1;
    }

    int result = -1;
    Dos33Disk disk;
    if (dos33_open(disk, path, order) < 0) {
        std::printf("error: read disk image '%s'\n", path);
    } else {
        std::array<uint8_t, 2 * kHiresFileBytes> files{};
        const std::span<uint8_t> left(files.data(), kHiresFileBytes);
        const std::span<uint8_t> right(files.data() + kHiresFileBytes, kHiresFileBytes);
        bool ok = true;
        for (const auto& [name, buffer] : {std::pair{kHiresLeftFile, left}, std::pair{kHiresRightFile, right}}) {
            const int got = dos33_read_file(disk, name, buffer);
            if (got < 0) {
                std::printf("error: can't get file '%s/%s'\n", path, name);
                ok = false;
                break;
            }
            if (got != static_cast<int>(kHiresFileBytes)) {
                std::printf("error: read file '%s/%s'\n", path, name);
                ok = false;
                break;
            }
        }
        if (ok) {
            hires_derive_shapes(left, right);
            hires_decode_sheet(left, right, shapes.pixels);
            result = 0;
        }
    }
    dos33_close(disk);
    return result;
}

void hires_colour_rows(uint8_t* lines, size_t line_stride, uint32_t first, uint32_t count, uint32_t width,
                       int blur, uint8_t* top, ptrdiff_t stride, HiresWork& work)
{
    if (width == 0) return;
    if (work.weights.size() < width) work.weights.resize(width);
    const uint8_t* coloured = nullptr;
    uint8_t* out = top;
    for (uint32_t y = first; y < first + count; ++y, out += stride) {
        if (coloured && (y & 1)) {  // an odd row repeats the row above
            std::memcpy(out, coloured, width);
            continue;
        }
        uint8_t* line = lines + (y / 2 - first / 2) * line_stride;
        resolve_markers(line, width);
        set_weights(line, work.weights.data(), width);
        colour_line(work.weights.data(), out, width, blur != 0);
        coloured = out;
    }
}

void colorize_bitmap(Bitmap& bitmap, int blur)
{
    const size_t width = bitmap.width;
    const size_t height = bitmap.height;
    if (width == 0 || height == 0) return;
    if (height > bitmap.pixels.size() / width) return;  // not a picture of one byte per pixel
    HiresWork work;
    try {
        hires_colour_rows(bitmap.pixels.data(), 2 * width, 0, bitmap.height, bitmap.width, blur,
                          bitmap.pixels.data(), static_cast<ptrdiff_t>(width), work);
    } catch (const std::bad_alloc&) {
    }
}
