// IBM PC sample data: SHAPES.EGA, SHAPES.CGA and WORLD.MAP.
#include "sample_paint.h"
#include "sample_ports.h"
#include "sample_world.h"

namespace sample {

namespace {

// Each ink as a pattern of 2 x 2 pixels (top left, top right, bottom left,
// bottom right) in the 16 EGA colours: 0 black, 1 blue, 2 green, 3 cyan,
// 4 red, 5 magenta, 6 brown, 7 light grey, 8 dark grey, 9-15 the bright ones.
constexpr uint8_t kEgaPatterns[kInkCount][4] = {
    {0, 0, 0, 0},      // clear
    {0, 0, 0, 0},      // black
    {1, 1, 1, 1},      // navy
    {1, 9, 9, 1},      // blue
    {9, 9, 9, 9},      // sky
    {11, 11, 11, 11},  // foam
    {15, 15, 15, 15},  // white
    {2, 0, 0, 2},      // dark green
    {2, 2, 2, 2},      // green
    {10, 10, 10, 10},  // light green
    {2, 6, 6, 2},      // olive
    {6, 6, 6, 6},      // brown
    {6, 7, 7, 6},      // tan
    {7, 7, 7, 7},      // grey
    {8, 8, 8, 8},      // dark grey
    {4, 4, 4, 4},      // red
    {4, 14, 14, 4},    // orange
    {14, 14, 14, 14},  // yellow
    {5, 5, 5, 5},      // violet
    {12, 14, 14, 12},  // skin
};

// The same in the four CGA colours: 0 black, 1 cyan, 2 magenta, 3 light grey.
constexpr uint8_t kCgaPatterns[kInkCount][4] = {
    {0, 0, 0, 0},  // clear
    {0, 0, 0, 0},  // black
    {1, 0, 0, 1},  // navy
    {1, 1, 1, 0},  // blue
    {1, 1, 1, 1},  // sky
    {3, 3, 3, 3},  // foam
    {3, 3, 3, 3},  // white
    {3, 0, 0, 3},  // dark green
    {3, 3, 3, 3},  // green
    {3, 3, 3, 3},  // light green
    {3, 2, 2, 3},  // olive
    {2, 0, 0, 2},  // brown
    {2, 3, 3, 2},  // tan
    {3, 3, 3, 0},  // grey
    {2, 0, 0, 0},  // dark grey
    {2, 2, 2, 2},  // red
    {2, 3, 3, 2},  // orange
    {3, 3, 3, 3},  // yellow
    {2, 2, 2, 2},  // violet
    {3, 2, 2, 3},  // skin
};

uint8_t pattern_colour(const uint8_t (&patterns)[kInkCount][4], uint32_t n, uint32_t x, uint32_t y)
{
    return patterns[solid_ink(n, x, y, 16, 16)][(y % 2) * 2 + x % 2];
}

}  // namespace

uint8_t tile_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    return kEgaPatterns[solid_ink(n, x, y, w, h)][(y % 2) * 2 + x % 2];
}

std::vector<uint8_t> pc_shapes_ega()
{
    std::vector<uint8_t> file(32768);
    for (uint32_t n = 0; n < 256; ++n)
        for (uint32_t y = 0; y < 16; ++y)
            for (uint32_t b = 0; b < 8; ++b)
                file[n * 128 + y * 8 + b] = static_cast<uint8_t>((pattern_colour(kEgaPatterns, n, 2 * b, y) << 4) |
                                                                 pattern_colour(kEgaPatterns, n, 2 * b + 1, y));
    return file;
}

std::vector<uint8_t> pc_shapes_cga()
{
    std::vector<uint8_t> file(16384);
    for (uint32_t n = 0; n < 256; ++n)
        for (uint32_t l = 0; l < 16; ++l) {
            const uint32_t y = l < 8 ? 2 * l : 2 * (l - 8) + 1;
            for (uint32_t b = 0; b < 4; ++b) {
                uint8_t byte = 0;
                for (uint32_t k = 0; k < 4; ++k)
                    byte = static_cast<uint8_t>((byte << 2) | pattern_colour(kCgaPatterns, n, 4 * b + k, y));
                file[n * 64 + l * 4 + b] = byte;
            }
        }
    return file;
}

std::vector<uint8_t> pc_world_map()
{
    return chunked_map(world_tiles(), 32);
}

}  // namespace sample
