// The world map: 256 x 256 tiles stored in square chunks, moon gate and
// balloon sites, and the plain composer that copies one shape per tile.
#pragma once

#include <cstdint>
#include <new>
#include <span>

#include "bitmap.h"
#include "row_sink.h"
#include "tile_sheet.h"

constexpr uint32_t kWorldTiles = 256;       // tiles across and down
constexpr uint32_t kWorldMapBytes = 65536;  // one byte per tile

struct WorldSite {
    uint32_t x;
    uint32_t y;
};

// Gate site of moon phase k + 1 at index k; bit k of a gate set selects it.
constexpr WorldSite kMoonGateSites[8] = {
    {224, 133}, {96, 102}, {38, 224}, {50, 37}, {166, 19}, {104, 194}, {23, 126}, {187, 167},
};
constexpr uint32_t kMoonGateShape = 67;
constexpr WorldSite kBalloonSite = {233, 242};
constexpr uint32_t kBalloonShape = 24;

// Byte of the tile at column x, row y in a map of edge x edge chunks.
constexpr uint32_t world_map_index(uint32_t x, uint32_t y, uint32_t edge)
{
    return ((y / edge) * (kWorldTiles / edge) + (x / edge)) * edge * edge + (y % edge) * edge +
           (x % edge);
}

// True when (x, y) is the site of a moon phase selected by the gate set.
constexpr bool world_gate_at(uint32_t gates, uint32_t x, uint32_t y)
{
    if (gates == 0) return false;
    for (uint32_t k = 0; k < 8; ++k)
        if (((gates >> k) & 1) && kMoonGateSites[k].x == x && kMoonGateSites[k].y == y)
            return true;
    return false;
}

// Copies the shape of every tile of the map into the picture, the gates of
// the chosen phases and the balloon replacing their tiles. The picture holds
// (256 x tile width) x (256 x tile height) pixels at the shapes' bytes per
// pixel; map holds 65,536 bytes in chunks of edge x edge (32 or 16).
void draw_world_map(Bitmap& bitmap, const ShapeSet& shapes, std::span<const uint8_t> map,
                    uint32_t gates, int balloon, uint32_t chunk_edge);

// Composes tile rows [first, first + count) of the world into rows of the
// sheet's form: the picture's row first x sheet.lines goes to top, each next
// row stride bytes on. The sheet must hold 256 shapes.
void world_map_draw_rows(const TileSheet& sheet, std::span<const uint8_t> map, uint32_t gates,
                         int balloon, uint32_t chunk_edge, uint32_t first, uint32_t count,
                         uint8_t* top, ptrdiff_t stride);

// Writes the whole world into an open sink, a band of tile rows at a time,
// composing packed rows where the sheet is packed. 0, or -1 after the
// sink's messages. Throws std::bad_alloc when memory runs out.
[[nodiscard]] int world_map_write(RowSink& sink, const TileSheet& sheet, std::span<const uint8_t> map,
                                  uint32_t gates, int balloon, uint32_t chunk_edge);

// Tile rows per band: about a megabyte of rows of the given length.
[[nodiscard]] uint32_t world_band_tiles(size_t row_bytes, uint32_t lines);

// Writes the world's tile rows into an open sink a band at a time, in the
// order the sink takes them: draw(first, count, top, stride) composes tile
// rows first to first + count - 1 with the sheet's lines each. 0, or -1
// after the sink's messages. Throws std::bad_alloc when memory runs out.
template <class DrawRows>
[[nodiscard]] int world_bands_write(RowSink& sink, const TileSheet& sheet, DrawRows draw)
{
    const uint32_t per_band = world_band_tiles(sink.row_stride, sheet.lines);
    BandBuffer band;
    if (band_buffer_init(band, sink, per_band * sheet.lines, sheet.is_packed) < 0) throw std::bad_alloc();
    for (uint32_t i = 0;; ++i) {
        const RowBand tiles = row_sink_band(sink, i, per_band, kWorldTiles);
        if (tiles.count == 0) return 0;
        const uint32_t rows = tiles.count * sheet.lines;
        ptrdiff_t stride = 0;
        uint8_t* top = band_buffer_target(band, sink, rows, &stride);
        draw(tiles.first, tiles.count, top, stride);
        if (band_buffer_write(band, sink, rows) < 0) return -1;
    }
}
