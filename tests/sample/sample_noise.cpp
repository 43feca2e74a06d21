#include "sample_noise.h"

namespace sample {

uint32_t hash32(uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

uint32_t hash_at(uint32_t x, uint32_t y, uint32_t salt)
{
    return hash32(x * 0x9E3779B1U ^ hash32(y * 0x85EBCA77U + salt));
}

namespace {

// 0..256 for t in 0..256, flat at both ends.
uint32_t smooth(uint32_t t)
{
    return t * t * (768 - 2 * t) / 65536;
}

}  // namespace

uint32_t value_noise(uint32_t x, uint32_t y, uint32_t cell, uint32_t seed)
{
    const uint32_t gx = x / cell, gy = y / cell;
    const uint32_t sx = smooth((x % cell) * 256 / cell), sy = smooth((y % cell) * 256 / cell);
    auto corner = [&](uint32_t cx, uint32_t cy) { return hash_at(cx, cy, seed) & 0xFFFF; };
    const uint32_t top = (corner(gx, gy) * (256 - sx) + corner(gx + 1, gy) * sx) >> 8;
    const uint32_t bottom = (corner(gx, gy + 1) * (256 - sx) + corner(gx + 1, gy + 1) * sx) >> 8;
    return (top * (256 - sy) + bottom * sy) >> 8;
}

uint32_t fractal_noise(uint32_t x, uint32_t y, uint32_t cell, uint32_t seed)
{
    uint32_t sum = 0, total = 0, weight = 256;
    for (uint32_t c = cell; c >= 4 && weight > 0; c /= 2, weight /= 2, ++seed) {
        sum += value_noise(x, y, c, seed) * weight;
        total += weight;
    }
    return total ? sum / total : 0;
}

}  // namespace sample
