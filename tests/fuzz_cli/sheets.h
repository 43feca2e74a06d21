// Small shape sheets for the tests, written by the suite's own BMP writer.
#pragma once

#include <cstdint>
#include <vector>

namespace sheets {

// A BMP of columns x rows tiles of tile_width x tile_height pixels at the
// given bit count; every pixel of tile n holds a colour made from n.
std::vector<uint8_t> tile_sheet(uint32_t columns, uint32_t rows, uint32_t tile_width, uint32_t tile_height,
                                uint32_t bits);

// The same, with pixels that differ within a tile: pixel (x, y) of tile n
// holds a value made from n, x and y (for 1 bit a checkerboard that shifts
// with n), so that a pixel out of place shows.
std::vector<uint8_t> pattern_sheet(uint32_t columns, uint32_t rows, uint32_t tile_width, uint32_t tile_height,
                                   uint32_t bits);

}  // namespace sheets
