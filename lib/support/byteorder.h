// Little-endian byte helpers shared by every reader and writer of the suite.
// Formats are never read by casting structs onto bytes: every field goes
// through these, low byte first.
#pragma once

#include <cstdint>

inline uint8_t* put_le16(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    return p + 2;
}

inline uint8_t* put_le32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
    return p + 4;
}

// Reads a value low byte first; when next is given it receives the position
// after the value.
inline uint16_t get_le16(const uint8_t* p, const uint8_t** next = nullptr)
{
    if (next) *next = p + 2;
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

inline uint32_t get_le32(const uint8_t* p, const uint8_t** next = nullptr)
{
    if (next) *next = p + 4;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
