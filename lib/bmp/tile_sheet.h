// A shape sheet made ready for composing pictures a band of rows at a time:
// its rows in the form the picture is built in, either packed (the row
// sink's form, where a tile row packs on whole bytes) or one byte per pixel
// as in a Bitmap, with the mask widened to the same layout (every bit of a
// pixel set where the layer beneath shows through). A masked tile row is
// then one bitwise select of two rows, whatever the bit count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bitmap.h"

struct TileSheet {
    const uint8_t* pixels = nullptr;  // the shape set's own pixels, or packed.data()
    std::vector<uint8_t> packed;      // the packed sheet, when packed
    std::vector<uint8_t> mask;        // the widened mask; empty: none
    bool is_packed = false;
    size_t tile_bytes = 0;      // one row of one tile
    size_t shape_row = 0;       // one row of 16 shapes, all their lines
    size_t line_stride = 0;     // from one drawn line of a tile to the next
    uint32_t lines = 0;         // lines drawn per tile
    uint32_t shape_count = 0;   // shapes wholly inside the sheet
    uint32_t mask_count = 0;    // shapes wholly inside the mask
};

// True when a row of one tile packs on whole bytes (8 bits or more; 4 bits
// with an even tile width; 1 bit with a tile width that is a multiple of 8).
[[nodiscard]] bool tile_sheet_packs(const ShapeSet& shapes);

// Prepares the sheet of the shapes, packed when asked (and tile_sheet_packs),
// with the mask when one is given: a mask of one byte per pixel of the shapes'
// tile size. The shape set must outlive the sheet. Throws std::bad_alloc when
// memory runs out.
void tile_sheet_prepare(TileSheet& sheet, const ShapeSet& shapes, const ShapeMask* mask, bool packed);

// Keeps only the even lines of every tile (0, 2, 4, ...).
void tile_sheet_even_lines(TileSheet& sheet);

inline size_t tile_sheet_offset(const TileSheet& sheet, uint32_t shape, uint32_t line)
{
    return (shape / 16) * sheet.shape_row + line * sheet.line_stride + (shape % 16) * sheet.tile_bytes;
}

// out = the bits of under where mask is set, else those of over.
void select_row(uint8_t* out, const uint8_t* over, const uint8_t* under, const uint8_t* mask, size_t bytes);

// Copies a short row of bytes (a tile row: a few dozen bytes).
inline void copy_tile_row(uint8_t* out, const uint8_t* in, size_t bytes)
{
    while (bytes >= 16) {
        std::memcpy(out, in, 16);
        out += 16;
        in += 16;
        bytes -= 16;
    }
    if (bytes >= 8) {
        std::memcpy(out, in, 8);
        out += 8;
        in += 8;
        bytes -= 8;
    }
    if (bytes >= 4) {
        std::memcpy(out, in, 4);
        out += 4;
        in += 4;
        bytes -= 4;
    }
    while (bytes-- > 0) *out++ = *in++;
}

template <size_t Bytes>
inline void copy_tile_rows_fixed(uint8_t* out, const uint8_t* const* sources, size_t count, size_t offset)
{
    for (size_t x = 0; x < count; ++x, out += Bytes) std::memcpy(out, sources[x] + offset, Bytes);
}

// Writes one picture row of a row of count tiles: for each tile, the bytes
// of its row that starts offset bytes after sources[x]. Common tile row
// lengths get a copy of fixed size.
inline void copy_tile_rows(uint8_t* out, const uint8_t* const* sources, size_t count, size_t offset, size_t bytes)
{
    switch (bytes) {
        case 8: copy_tile_rows_fixed<8>(out, sources, count, offset); return;
        case 14: copy_tile_rows_fixed<14>(out, sources, count, offset); return;
        case 16: copy_tile_rows_fixed<16>(out, sources, count, offset); return;
        case 18: copy_tile_rows_fixed<18>(out, sources, count, offset); return;
        case 28: copy_tile_rows_fixed<28>(out, sources, count, offset); return;
        case 32: copy_tile_rows_fixed<32>(out, sources, count, offset); return;
        case 36: copy_tile_rows_fixed<36>(out, sources, count, offset); return;
        default:
            for (size_t x = 0; x < count; ++x, out += bytes) copy_tile_row(out, sources[x] + offset, bytes);
    }
}
