// Synthetic game data for tests, demos and benchmarks: a procedural island
// world and simply drawn tiles. Nothing here comes from the game itself.
#pragma once

#include <cstdint>
#include <vector>

namespace sample {

// Terrain kinds of the island world.
enum Terrain : uint8_t {
    kDeepWater, kWater, kShallows, kBeach, kGrass, kForest, kHills, kMountains, kTown,
};

// 256 x 256 terrain kinds, row by row from the top, the same on every run.
std::vector<uint8_t> island_terrain();

// A tile number (0-255) for each terrain kind, varied a little by position so
// the map uses many shapes.
uint8_t terrain_tile(uint8_t terrain, uint32_t x, uint32_t y);

// Colour index 0-15 of pixel (x, y) of a simply drawn tile n of w x h pixels:
// a background colour from n, a border, and a figure that differs per shape.
uint8_t tile_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h);

// Stores a 256 x 256 row-major tile grid in chunks of edge x edge tiles.
std::vector<uint8_t> chunked_map(const std::vector<uint8_t>& tiles, uint32_t edge);

}  // namespace sample
