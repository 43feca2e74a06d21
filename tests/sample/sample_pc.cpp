// IBM PC sample data: SHAPES.EGA, SHAPES.CGA and WORLD.MAP.
#include "sample_ports.h"
#include "sample_world.h"

namespace sample {

std::vector<uint8_t> pc_shapes_ega()
{
    std::vector<uint8_t> file(32768);
    for (uint32_t n = 0; n < 256; ++n)
        for (uint32_t y = 0; y < 16; ++y)
            for (uint32_t b = 0; b < 8; ++b)
                file[n * 128 + y * 8 + b] = static_cast<uint8_t>((tile_pixel(n, 2 * b, y, 16, 16) << 4) |
                                                                 tile_pixel(n, 2 * b + 1, y, 16, 16));
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
                    byte = static_cast<uint8_t>((byte << 2) | (tile_pixel(n, 4 * b + k, y, 16, 16) & 3));
                file[n * 64 + l * 4 + b] = byte;
            }
        }
    return file;
}

std::vector<uint8_t> pc_world_map()
{
    const std::vector<uint8_t> terrain = island_terrain();
    std::vector<uint8_t> tiles(65536);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) tiles[y * 256 + x] = terrain_tile(terrain[y * 256 + x], x, y);
    return chunked_map(tiles, 32);
}

}  // namespace sample
