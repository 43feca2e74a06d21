// The world map: 256 x 256 tiles stored in square chunks, moon gate and
// balloon sites, and the plain composer that copies one shape per tile.
#pragma once

#include <cstdint>
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
