// Synthetic game data for tests, demos and benchmarks: a procedural world of
// seas and continents and tiles drawn in code. Nothing here comes from the
// game itself.
#pragma once

#include <cstdint>
#include <vector>

#include "sample_tiles.h"

namespace sample {

constexpr uint32_t kWorldSize = 256;

// The sample world: 256 x 256 tile bytes (shape numbers, see sample_tiles.h),
// row by row from the top. Continents and islands with coasts, rivers,
// mountain ranges, forests, swamps and a little desert and lava, joined by
// roads and bridges; a castle, towns, villages, shrines and dungeons on land,
// ships at sea, and grass where the moon gates and the balloon stand. The same
// bytes on every run and platform; made once per process.
const std::vector<uint8_t>& world_tiles();

// Whether a world tile byte is open water (deep, water, shallows).
bool open_water(uint8_t t);

// Whether a world tile byte counts as land beside a shore: not water, and
// not something that floats on it (ships, bridges, piers, rocks).
bool shore_land(uint8_t t);

// Colour index 0-15, in the PC's 16-colour palette, of pixel (x, y) of
// sample tile n drawn w x h pixels large.
uint8_t tile_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h);

// Stores a 256 x 256 row-major tile grid in chunks of edge x edge tiles.
std::vector<uint8_t> chunked_map(const std::vector<uint8_t>& tiles, uint32_t edge);

}  // namespace sample
