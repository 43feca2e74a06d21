#include "worldmap.h"

#include <cstring>

namespace {

template <size_t Bytes>
void copy_rows(uint8_t* to, size_t to_stride, const uint8_t* from, size_t from_stride, uint32_t rows)
{
    for (uint32_t l = 0; l < rows; ++l, to += to_stride, from += from_stride) std::memcpy(to, from, Bytes);
}

// Copies one tile, row by row; the common tile widths get a copy of fixed size.
void copy_tile(uint8_t* to, size_t to_stride, const uint8_t* from, size_t from_stride, size_t row_bytes,
               uint32_t rows)
{
    switch (row_bytes) {
        case 16: copy_rows<16>(to, to_stride, from, from_stride, rows); return;
        case 28: copy_rows<28>(to, to_stride, from, from_stride, rows); return;
        case 32: copy_rows<32>(to, to_stride, from, from_stride, rows); return;
        default:
            for (uint32_t l = 0; l < rows; ++l, to += to_stride, from += from_stride)
                std::memcpy(to, from, row_bytes);
    }
}

}  // namespace

void draw_world_map(Bitmap& bitmap, const ShapeSet& shapes, std::span<const uint8_t> map, uint32_t gates,
                    int balloon, uint32_t chunk_edge)
{
    if (chunk_edge == 0 || kWorldTiles % chunk_edge != 0 || map.size() < kWorldMapBytes) return;
    const size_t tile_row_bytes = size_t{shapes.tile_width} * shapes.bytes_per_pixel;
    const size_t sheet_stride = 16 * tile_row_bytes;
    const size_t picture_stride = kWorldTiles * tile_row_bytes;
    // The sheet must hold 16 rows of 16 shapes and the picture 256 x 256 tiles.
    if (shapes.pixels.size() / 16 < sheet_stride * shapes.tile_height ||
        bitmap.pixels.size() / kWorldTiles < picture_stride * shapes.tile_height)
        return;

    const uint32_t chunks = kWorldTiles / chunk_edge;
    const uint8_t* tiles = map.data();
    for (uint32_t cy = 0; cy < chunks; ++cy) {
        for (uint32_t cx = 0; cx < chunks; ++cx) {
            for (uint32_t i = 0; i < chunk_edge; ++i) {
                for (uint32_t j = 0; j < chunk_edge; ++j) {
                    const uint32_t x = cx * chunk_edge + j, y = cy * chunk_edge + i;
                    uint32_t shape = *tiles++;
                    if (world_gate_at(gates, x, y)) shape = kMoonGateShape;
                    if (balloon && x == kBalloonSite.x && y == kBalloonSite.y) shape = kBalloonShape;
                    const uint8_t* from = shapes.pixels.data() + shape_row_offset(shapes, shape, 0);
                    uint8_t* to = bitmap.pixels.data() + size_t{y} * shapes.tile_height * picture_stride +
                                  size_t{x} * tile_row_bytes;
                    copy_tile(to, picture_stride, from, sheet_stride, tile_row_bytes, shapes.tile_height);
                }
            }
        }
    }
}
