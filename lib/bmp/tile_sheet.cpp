#include "tile_sheet.h"

#include <algorithm>
#include <cstring>

#include "row_sink.h"

bool tile_sheet_packs(const ShapeSet& shapes)
{
    switch (shapes.bits_per_pixel) {
        case 1: return shapes.tile_width % 8 == 0;
        case 4: return shapes.tile_width % 2 == 0;
        default: return shapes.bits_per_pixel >= 8;
    }
}

void tile_sheet_prepare(TileSheet& sheet, const ShapeSet& shapes, const ShapeMask* mask, bool packed)
{
    const uint32_t bits = shapes.bits_per_pixel;
    const uint32_t sheet_width = 16 * shapes.tile_width;
    const size_t bytes_per_pixel = shapes.bytes_per_pixel;
    sheet.is_packed = packed && tile_sheet_packs(shapes);
    sheet.tile_bytes = sheet.is_packed ? packed_row_bytes(shapes.tile_width, bits) : shapes.tile_width * bytes_per_pixel;
    sheet.line_stride = 16 * sheet.tile_bytes;
    sheet.shape_row = sheet.line_stride * shapes.tile_height;
    sheet.lines = shapes.tile_height;
    const size_t in_stride = sheet_width * bytes_per_pixel;
    const size_t in_shape_row = in_stride * shapes.tile_height;
    const size_t sheet_rows = in_shape_row ? shapes.pixels.size() / in_shape_row : 0;
    sheet.shape_count = static_cast<uint32_t>(std::min<size_t>(sheet_rows * 16, 0xFFFFFFFFu));
    const size_t sheet_lines = sheet_rows * shapes.tile_height;

    if (sheet.is_packed) {
        sheet.packed.assign(sheet_lines * sheet.line_stride, 0);
        for (size_t y = 0; y < sheet_lines; ++y)
            pack_row(sheet.packed.data() + y * sheet.line_stride, shapes.pixels.data() + y * in_stride, sheet_width, bits);
        sheet.pixels = sheet.packed.data();
    } else {
        sheet.packed.clear();
        sheet.pixels = shapes.pixels.data();
    }

    sheet.mask.clear();
    sheet.mask_count = 0;
    if (!mask || mask->pixels.empty() || sheet_width == 0) return;
    const size_t mask_lines = std::min(mask->pixels.size() / sheet_width, sheet_lines);
    const size_t mask_rows = shapes.tile_height ? mask_lines / shapes.tile_height : 0;
    sheet.mask_count = static_cast<uint32_t>(mask_rows * 16);
    sheet.mask.assign(mask_rows * sheet.shape_row, 0);
    // Each mask byte becomes a whole pixel of set bits (or none), in the
    // layout of the sheet.
    std::vector<uint8_t> wide(in_stride);
    for (size_t y = 0; y < mask_rows * shapes.tile_height; ++y) {
        const uint8_t* in = mask->pixels.data() + y * sheet_width;
        if (bytes_per_pixel == 1) {
            for (uint32_t x = 0; x < sheet_width; ++x) wide[x] = in[x] ? 0xFF : 0;
        } else {
            for (uint32_t x = 0; x < sheet_width; ++x)
                for (size_t b = 0; b < bytes_per_pixel; ++b) wide[x * bytes_per_pixel + b] = in[x] ? 0xFF : 0;
        }
        uint8_t* out = sheet.mask.data() + y * sheet.line_stride;
        if (sheet.is_packed) pack_row(out, wide.data(), sheet_width, bits);
        else std::memcpy(out, wide.data(), in_stride);
    }
}

void tile_sheet_even_lines(TileSheet& sheet)
{
    sheet.line_stride *= 2;
    sheet.lines = (sheet.lines + 1) / 2;
}

void select_row(uint8_t* out, const uint8_t* over, const uint8_t* under, const uint8_t* mask, size_t bytes)
{
    size_t i = 0;
    for (; i + 8 <= bytes; i += 8) {
        uint64_t m, a, b;
        std::memcpy(&m, mask + i, 8);
        std::memcpy(&a, over + i, 8);
        std::memcpy(&b, under + i, 8);
        const uint64_t r = (a & ~m) | (b & m);
        std::memcpy(out + i, &r, 8);
    }
    for (; i < bytes; ++i) out[i] = static_cast<uint8_t>((over[i] & ~mask[i]) | (under[i] & mask[i]));
}
