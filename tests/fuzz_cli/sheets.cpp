#include "sheets.h"

#include <cstdio>

#include "bitmap.h"

namespace sheets {

namespace {

std::vector<uint8_t> make_sheet(uint32_t columns, uint32_t rows, uint32_t tile_width, uint32_t tile_height,
                                uint32_t bits, bool pattern)
{
    const uint32_t width = columns * tile_width, height = rows * tile_height, bpp = (bits + 7) / 8;
    std::vector<uint8_t> pixels(size_t{width} * height * bpp);
    std::vector<uint8_t> palette;
    if (bits <= 8)
        for (uint32_t i = 0; i < (1u << bits); ++i)
            palette.insert(palette.end(), {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 0, 0});
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t n = (y / tile_height) * columns + x / tile_width;
            if (pattern) n = bits == 1 ? n + x + y : n * 7 + (x % tile_width) * 3 + (y % tile_height) * 5;
            for (uint32_t b = 0; b < bpp; ++b)
                pixels[(size_t{y} * width + x) * bpp + b] = static_cast<uint8_t>((n + b) & ((1u << (bits < 8 ? bits : 8)) - 1));
        }
    BmpHeader header;
    std::vector<uint8_t> out;
    if (create_bitmap_header(header, width, height, static_cast<uint16_t>(bits)) < 0) return out;
    FILE* fp = std::tmpfile();
    if (!fp) return out;
    if (write_bitmap(fp, header, palette, pixels) == 0) {
        out.resize(static_cast<size_t>(std::ftell(fp)));
        std::rewind(fp);
        if (std::fread(out.data(), 1, out.size(), fp) != out.size()) out.clear();
    }
    std::fclose(fp);
    return out;
}

}  // namespace

std::vector<uint8_t> tile_sheet(uint32_t columns, uint32_t rows, uint32_t tile_width, uint32_t tile_height,
                                uint32_t bits)
{
    return make_sheet(columns, rows, tile_width, tile_height, bits, false);
}

std::vector<uint8_t> pattern_sheet(uint32_t columns, uint32_t rows, uint32_t tile_width, uint32_t tile_height,
                                   uint32_t bits)
{
    return make_sheet(columns, rows, tile_width, tile_height, bits, true);
}

}  // namespace sheets
