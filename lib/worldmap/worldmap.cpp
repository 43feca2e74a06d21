#include "worldmap.h"

#include <cstring>

namespace {

template <size_t Bytes>
void copy_row_fixed(uint8_t* out, const uint8_t* const* sources, size_t offset)
{
    for (uint32_t x = 0; x < kWorldTiles; ++x, out += Bytes) std::memcpy(out, sources[x] + offset, Bytes);
}

// Writes one pixel row of a row of tiles: for each tile, the row of its shape
// that starts offset bytes into the shape. Common tile widths get a copy of
// fixed size.
void copy_row(uint8_t* out, const uint8_t* const* sources, size_t offset, size_t row_bytes)
{
    switch (row_bytes) {
        case 16: copy_row_fixed<16>(out, sources, offset); return;
        case 28: copy_row_fixed<28>(out, sources, offset); return;
        case 32: copy_row_fixed<32>(out, sources, offset); return;
        default:
            for (uint32_t x = 0; x < kWorldTiles; ++x, out += row_bytes)
                std::memcpy(out, sources[x] + offset, row_bytes);
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

    // The picture is built one row of tiles at a time, pixel row by pixel
    // row, so that it is written front to back; each tile still shows the
    // shape its map byte (or a gate or the balloon) names.
    const uint8_t* sheet = shapes.pixels.data();
    uint8_t* out = bitmap.pixels.data();
    const uint8_t* sources[kWorldTiles];
    for (uint32_t y = 0; y < kWorldTiles; ++y) {
        for (uint32_t x = 0; x < kWorldTiles; ++x) {
            uint32_t shape = map[world_map_index(x, y, chunk_edge)];
            if (world_gate_at(gates, x, y)) shape = kMoonGateShape;
            if (balloon && x == kBalloonSite.x && y == kBalloonSite.y) shape = kBalloonShape;
            sources[x] = sheet + shape_row_offset(shapes, shape, 0);
        }
        for (uint32_t l = 0; l < shapes.tile_height; ++l) {
            copy_row(out, sources, size_t{l} * sheet_stride, tile_row_bytes);
            out += picture_stride;
        }
    }
}
