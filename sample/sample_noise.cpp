#include "sample_noise.h"

namespace sample {

namespace {

constexpr uint32_t kSize = 256;

// 0..256 for t in 0..256, flat at both ends.
uint32_t smooth(uint32_t t)
{
    return t * t * (768 - 2 * t) / 65536;
}

}  // namespace

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

std::vector<uint32_t> noise_field(uint32_t cell, uint32_t seed)
{
    const uint32_t corners = kSize / cell + 2;
    std::vector<uint32_t> grid(corners * corners);
    for (uint32_t gy = 0; gy < corners; ++gy)
        for (uint32_t gx = 0; gx < corners; ++gx) grid[gy * corners + gx] = hash_at(gx, gy, seed) & 0xFFFF;
    std::vector<uint32_t> field(kSize * kSize);
    for (uint32_t y = 0; y < kSize; ++y)
        for (uint32_t x = 0; x < kSize; ++x) {
            const uint32_t* c = &grid[(y / cell) * corners + x / cell];
            const uint32_t sx = smooth((x % cell) * 256 / cell), sy = smooth((y % cell) * 256 / cell);
            const uint32_t top = (c[0] * (256 - sx) + c[1] * sx) >> 8;
            const uint32_t bottom = (c[corners] * (256 - sx) + c[corners + 1] * sx) >> 8;
            field[y * kSize + x] = (top * (256 - sy) + bottom * sy) >> 8;
        }
    return field;
}

std::vector<uint32_t> fractal_field(uint32_t cell, uint32_t seed)
{
    std::vector<uint32_t> sum(kSize * kSize, 0);
    uint32_t total = 0, weight = 256;
    for (uint32_t c = cell; c >= 4 && weight > 0; c /= 2, weight /= 2, ++seed) {
        const std::vector<uint32_t> octave = noise_field(c, seed);
        for (uint32_t i = 0; i < sum.size(); ++i) sum[i] += octave[i] * weight;
        total += weight;
    }
    for (uint32_t& v : sum) v = total ? v / total : 0;
    return sum;
}

}  // namespace sample
