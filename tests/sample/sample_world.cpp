#include "sample_world.h"

#include <cmath>

namespace sample {

namespace {

uint32_t hash32(uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

// Smooth value noise on a grid of the given cell size, 0..1.
double value_noise(uint32_t x, uint32_t y, uint32_t cell, uint32_t seed)
{
    const uint32_t gx = x / cell, gy = y / cell;
    const double fx = static_cast<double>(x % cell) / cell, fy = static_cast<double>(y % cell) / cell;
    auto corner = [&](uint32_t cx, uint32_t cy) {
        return (hash32(cx * 7919U + cy * 104729U + seed) & 0xFFFF) / 65535.0;
    };
    const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    const double top = corner(gx, gy) * (1 - sx) + corner(gx + 1, gy) * sx;
    const double bottom = corner(gx, gy + 1) * (1 - sx) + corner(gx + 1, gy + 1) * sx;
    return top * (1 - sy) + bottom * sy;
}

}  // namespace

std::vector<uint8_t> island_terrain()
{
    std::vector<uint8_t> terrain(256 * 256);
    for (uint32_t y = 0; y < 256; ++y) {
        for (uint32_t x = 0; x < 256; ++x) {
            const double dx = (static_cast<double>(x) - 128) / 128, dy = (static_cast<double>(y) - 128) / 128;
            const double falloff = 1.0 - std::sqrt(dx * dx + dy * dy);
            const double h = 0.55 * value_noise(x, y, 32, 1) + 0.3 * value_noise(x, y, 16, 2) +
                             0.15 * value_noise(x, y, 8, 3) + 0.6 * falloff - 0.45;
            uint8_t t;
            if (h < 0.0) t = kDeepWater;
            else if (h < 0.08) t = kWater;
            else if (h < 0.12) t = kShallows;
            else if (h < 0.15) t = kBeach;
            else if (h < 0.30) t = kGrass;
            else if (h < 0.42) t = kForest;
            else if (h < 0.52) t = kHills;
            else t = kMountains;
            if (t == kGrass && (hash32(x * 977U + y * 131U) % 211) == 0) t = kTown;
            terrain[y * 256 + x] = t;
        }
    }
    return terrain;
}

uint8_t terrain_tile(uint8_t terrain, uint32_t x, uint32_t y)
{
    static constexpr uint8_t base[] = {0, 1, 2, 3, 4, 6, 8, 10, 12};
    const uint8_t b = base[terrain <= kTown ? terrain : 0];
    const uint32_t variant = hash32(x * 31U + y * 17U) % 5;
    // Mostly the base shape, sometimes a decoration from the upper range.
    if (variant == 0 && terrain >= kGrass && terrain <= kHills) return static_cast<uint8_t>(96 + (x + y) % 32);
    return b;
}

uint8_t tile_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    const uint8_t background = static_cast<uint8_t>(n % 8);
    const uint8_t figure = static_cast<uint8_t>(8 + (n / 8) % 8);
    if (x == 0 || y == 0) return static_cast<uint8_t>((background + 1) % 16);
    const uint32_t cx = w / 2, cy = h / 2;
    const uint32_t dx = x > cx ? x - cx : cx - x, dy = y > cy ? y - cy : cy - y;
    switch ((n / 4) % 4) {
        case 0: if (dx + dy < w / 4 + (n % 4)) return figure; break;
        case 1: if (dx < w / 5 || dy < h / 5) return figure; break;
        case 2: if ((x + y + n) % 4 == 0) return figure; break;
        default: if (dx * dx + dy * dy < (w / 3) * (h / 3)) return figure; break;
    }
    return background;
}

std::vector<uint8_t> chunked_map(const std::vector<uint8_t>& tiles, uint32_t edge)
{
    std::vector<uint8_t> map(65536);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x)
            map[((y / edge) * (256 / edge) + x / edge) * edge * edge + (y % edge) * edge + x % edge] =
                tiles[y * 256 + x];
    return map;
}

}  // namespace sample
