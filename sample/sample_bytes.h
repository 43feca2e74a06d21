// Little-endian fields and the CRC-32 of the files that the sample generator
// writes. The generator keeps its own, apart from the readers it feeds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sample {

inline void put16(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

// CRC-32 as zlib, PNG and WOZ files compute it (reflected polynomial
// 0xEDB88320), bit by bit.
inline uint32_t crc32(std::span<const uint8_t> bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const uint8_t b : bytes) {
        crc ^= b;
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace sample
