// Test helpers for the BMP library: BMP files built byte for byte from their
// fields, in the order the format stores them, so that a test can state every
// header value (right or deliberately wrong) and every row byte it feeds in;
// and capture of what the library prints on standard output.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "bitmap.h"
#include "byteorder.h"

namespace bmp_test {

// Every field of a BMP file with a Windows V3 information header, in file
// order, signature included.
struct BmpFields {
    char magic[2] = {'B', 'M'};
    uint32_t file_size = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint32_t data_offset = 0;
    uint32_t info_size = 40;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t planes = 1;
    uint16_t bit_count = 0;
    uint32_t compression = 0;
    uint32_t image_size = 0;
    uint32_t x_resolution = 0;
    uint32_t y_resolution = 0;
    uint32_t colors_used = 0;
    uint32_t colors_important = 0;
};

// The 54 header bytes of the fields.
inline std::vector<uint8_t> header_bytes(const BmpFields& f)
{
    std::vector<uint8_t> b(54);
    uint8_t* p = b.data();
    *p++ = static_cast<uint8_t>(f.magic[0]);
    *p++ = static_cast<uint8_t>(f.magic[1]);
    p = put_le32(p, f.file_size);
    p = put_le16(p, f.reserved1);
    p = put_le16(p, f.reserved2);
    p = put_le32(p, f.data_offset);
    p = put_le32(p, f.info_size);
    p = put_le32(p, f.width);
    p = put_le32(p, f.height);
    p = put_le16(p, f.planes);
    p = put_le16(p, f.bit_count);
    p = put_le32(p, f.compression);
    p = put_le32(p, f.image_size);
    p = put_le32(p, f.x_resolution);
    p = put_le32(p, f.y_resolution);
    p = put_le32(p, f.colors_used);
    put_le32(p, f.colors_important);
    return b;
}

// Fields of a well-formed file: data_offset and image_size are given by the
// test (they are what is under test elsewhere), file size follows from them.
inline BmpFields v3_fields(uint32_t width, uint32_t height, uint16_t bit_count,
                           uint32_t data_offset, uint32_t image_size)
{
    BmpFields f;
    f.width = width;
    f.height = height;
    f.bit_count = bit_count;
    f.data_offset = data_offset;
    f.image_size = image_size;
    f.file_size = data_offset + image_size;
    return f;
}

// The same fields as the library's header record (without the signature).
inline BmpHeader to_header(const BmpFields& f)
{
    BmpHeader h;
    h.file_size = f.file_size;
    h.reserved1 = f.reserved1;
    h.reserved2 = f.reserved2;
    h.data_offset = f.data_offset;
    h.info_size = f.info_size;
    h.width = f.width;
    h.height = f.height;
    h.planes = f.planes;
    h.bit_count = f.bit_count;
    h.compression = f.compression;
    h.image_size = f.image_size;
    h.x_resolution = f.x_resolution;
    h.y_resolution = f.y_resolution;
    h.colors_used = f.colors_used;
    h.colors_important = f.colors_important;
    return h;
}

inline void append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes)
{
    to.insert(to.end(), bytes.begin(), bytes.end());
}

// A whole file: header, palette bytes and the rows as they lie in the file
// (bottom row of the picture first, each already padded).
inline std::vector<uint8_t> bmp_file(const BmpFields& f, const std::vector<uint8_t>& palette,
                                     const std::vector<std::vector<uint8_t>>& file_rows)
{
    std::vector<uint8_t> b = header_bytes(f);
    append(b, palette);
    for (const auto& row : file_rows) append(b, row);
    return b;
}

// A palette of n entries whose bytes count up from `first` (so every entry,
// and every byte of it, differs from its neighbours).
inline std::vector<uint8_t> counting_palette(int entries, uint8_t first = 1)
{
    std::vector<uint8_t> p(static_cast<size_t>(entries) * 4);
    for (size_t i = 0; i < p.size(); ++i) p[i] = static_cast<uint8_t>(first + i);
    return p;
}

// Runs f and returns everything it printed on standard output.
template <class F>
std::string captured_stdout(F&& f)
{
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    std::forward<F>(f)();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// The names in a directory (to prove that no temporary file is left behind).
inline std::vector<std::string> directory_names(const std::filesystem::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The number after "largest " in bmp_probe's output: the largest allocation
// the probe was asked for. SIZE_MAX when the line is missing.
inline size_t probe_largest_allocation(const std::string& out)
{
    const size_t at = out.rfind("largest ");
    if (at == std::string::npos) return SIZE_MAX;
    return static_cast<size_t>(std::stoull(out.substr(at + 8)));
}

}  // namespace bmp_test
