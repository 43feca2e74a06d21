#include "worldmap.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t kBandBytes = size_t{1} << 20;

}  // namespace

void world_map_draw_rows(const TileSheet& sheet, std::span<const uint8_t> map, uint32_t gates, int balloon,
                         uint32_t chunk_edge, uint32_t first, uint32_t count, uint8_t* top, ptrdiff_t stride)
{
    // Each tile shows the shape its map byte (or a gate or the balloon)
    // names; its rows are copied picture row by picture row.
    const uint8_t* sources[kWorldTiles];
    uint8_t* out = top;
    for (uint32_t y = first; y < first + count; ++y) {
        for (uint32_t x = 0; x < kWorldTiles; ++x) {
            uint32_t shape = map[world_map_index(x, y, chunk_edge)];
            if (world_gate_at(gates, x, y)) shape = kMoonGateShape;
            if (balloon && x == kBalloonSite.x && y == kBalloonSite.y) shape = kBalloonShape;
            sources[x] = sheet.pixels + tile_sheet_offset(sheet, shape, 0);
        }
        for (uint32_t l = 0; l < sheet.lines; ++l, out += stride)
            copy_tile_rows(out, sources, kWorldTiles, l * sheet.line_stride, sheet.tile_bytes);
    }
}

uint32_t world_band_tiles(size_t row_bytes, uint32_t lines)
{
    const size_t tile_row = std::max<size_t>(row_bytes * lines, 1);
    return static_cast<uint32_t>(std::clamp<size_t>(kBandBytes / tile_row, 1, kWorldTiles));
}

int world_map_write(RowSink& sink, const TileSheet& sheet, std::span<const uint8_t> map, uint32_t gates,
                    int balloon, uint32_t chunk_edge)
{
    return world_bands_write(sink, sheet, [&](uint32_t first, uint32_t count, uint8_t* top, ptrdiff_t stride) {
        world_map_draw_rows(sheet, map, gates, balloon, chunk_edge, first, count, top, stride);
    });
}

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
    TileSheet sheet;
    tile_sheet_prepare(sheet, shapes, nullptr, false);
    world_map_draw_rows(sheet, map, gates, balloon, chunk_edge, 0, kWorldTiles, bitmap.pixels.data(),
                        static_cast<ptrdiff_t>(picture_stride));
}
