#include "png_image.h"

#include <zlib.h>

#include <cstring>
#include <new>

#include "byteorder.h"

struct PngDeflater {
    z_stream z{};
};

namespace {

constexpr uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr uint8_t kIndexedColour = 3;
constexpr uint8_t kTrueColour = 2;
constexpr size_t kColourSlots = 1024;  // hash slots for up to 256 colours

void free_deflater(PngDeflater* d)
{
    deflateEnd(&d->z);
    delete d;
}

void put_be32(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Appends a chunk of `length` data bytes that the caller writes at the
// returned offset, then seals it with finish_chunk.
size_t begin_chunk(std::vector<uint8_t>& out, const char* type, size_t length)
{
    const size_t at = out.size();
    out.resize(at + 12 + length);
    put_be32(out.data() + at, static_cast<uint32_t>(length));
    std::memcpy(out.data() + at + 4, type, 4);
    return at + 8;
}

void finish_chunk(std::vector<uint8_t>& out, size_t data, size_t length)
{
    const uLong crc = crc32(0L, out.data() + data - 4, static_cast<uInt>(length + 4));
    put_be32(out.data() + data + length, static_cast<uint32_t>(crc));
}

void put_chunk(std::vector<uint8_t>& out, const char* type, const uint8_t* bytes, size_t length)
{
    const size_t at = begin_chunk(out, type, length);
    if (length) std::memcpy(out.data() + at, bytes, length);
    finish_chunk(out, at, length);
}

void put_header(std::vector<uint8_t>& out, uint32_t width, uint32_t height, uint8_t depth, uint8_t colour_type)
{
    out.assign(kSignature, kSignature + sizeof kSignature);
    uint8_t ihdr[13] = {};
    put_be32(ihdr, width);
    put_be32(ihdr + 4, height);
    ihdr[8] = depth;
    ihdr[9] = colour_type;
    put_chunk(out, "IHDR", ihdr, sizeof ihdr);
}

// PLTE from 4-byte entries (blue, green, red, unused).
void put_palette(std::vector<uint8_t>& out, std::span<const uint8_t> palette, size_t entries)
{
    const size_t at = begin_chunk(out, "PLTE", entries * 3);
    uint8_t* p = out.data() + at;
    for (size_t i = 0; i < entries; ++i, p += 3) {
        const bool have = (i + 1) * 4 <= palette.size();
        p[0] = have ? palette[4 * i + 2] : 0;
        p[1] = have ? palette[4 * i + 1] : 0;
        p[2] = have ? palette[4 * i] : 0;
    }
    finish_chunk(out, at, entries * 3);
}

// Deflates encoder.raw into one IDAT chunk and ends the file.
int put_data(PngImageEncoder& encoder)
{
    z_stream& z = encoder.deflater->z;
    if (deflateReset(&z) != Z_OK) return -1;
    // The deflated bytes go into a buffer that only ever grows, then into
    // the chunk.
    const uLong bound = deflateBound(&z, static_cast<uLong>(encoder.raw.size()));
    if (encoder.deflated.size() < bound) encoder.deflated.resize(bound);
    z.next_in = encoder.raw.data();
    z.avail_in = static_cast<uInt>(encoder.raw.size());
    z.next_out = encoder.deflated.data();
    z.avail_out = static_cast<uInt>(bound);
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) return -1;
    put_chunk(encoder.out, "IDAT", encoder.deflated.data(), z.total_out);
    put_chunk(encoder.out, "IEND", nullptr, 0);
    return 0;
}

// Filter byte None before each row of bytes.
void put_rows(PngImageEncoder& encoder, const uint8_t* rows, size_t stride, size_t bytes, uint32_t height)
{
    encoder.raw.resize((bytes + 1) * height);
    uint8_t* p = encoder.raw.data();
    for (uint32_t y = 0; y < height; ++y, rows += stride, p += bytes + 1) {
        p[0] = 0;
        std::memcpy(p + 1, rows, bytes);
    }
}

// 8-bit red, green, blue rows from 16, 24 or 32-bit packed rows.
void put_colour_rows(PngImageEncoder& encoder, const uint8_t* rows, size_t stride, uint32_t width, uint32_t height,
                     uint32_t bits)
{
    const size_t bytes = size_t{width} * 3;
    encoder.raw.resize((bytes + 1) * height);
    uint8_t* p = encoder.raw.data();
    for (uint32_t y = 0; y < height; ++y, rows += stride) {
        *p++ = 0;
        for (uint32_t x = 0; x < width; ++x, p += 3) {
            if (bits == 16) {
                const unsigned v = get_le16(rows + 2 * size_t{x});
                const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
                p[0] = static_cast<uint8_t>(r << 3 | r >> 2);
                p[1] = static_cast<uint8_t>(g << 3 | g >> 2);
                p[2] = static_cast<uint8_t>(b << 3 | b >> 2);
            } else {
                const uint8_t* q = rows + size_t{x} * (bits / 8);
                p[0] = q[2];
                p[1] = q[1];
                p[2] = q[0];
            }
        }
    }
}

// Indexes the colours of 24-bit rows, in the order they first appear. False
// when there are more than 256.
bool index_colours(PngImageEncoder& encoder, const uint8_t* rows, size_t stride, uint32_t width, uint32_t height)
{
    encoder.keys.assign(kColourSlots, 0);
    encoder.indices.assign(kColourSlots, 0);
    encoder.palette.clear();
    encoder.index_rows.resize(size_t{width} * height);
    uint8_t* out = encoder.index_rows.data();
    uint32_t last_key = 0;
    uint8_t last_index = 0;
    for (uint32_t y = 0; y < height; ++y, rows += stride) {
        const uint8_t* p = rows;
        for (uint32_t x = 0; x < width; ++x, p += 3) {
            const uint32_t key = (uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16) + 1;
            if (key != last_key) {
                size_t slot = (key * 2654435761u) >> 22;  // top 10 bits
                while (encoder.keys[slot] != 0 && encoder.keys[slot] != key) slot = (slot + 1) % kColourSlots;
                if (encoder.keys[slot] == 0) {
                    const size_t count = encoder.palette.size() / 4;
                    if (count == 256) return false;
                    encoder.keys[slot] = key;
                    encoder.indices[slot] = static_cast<uint8_t>(count);
                    encoder.palette.insert(encoder.palette.end(), {p[0], p[1], p[2], 0});
                }
                last_key = key;
                last_index = encoder.indices[slot];
            }
            *out++ = last_index;
        }
    }
    return true;
}

// Packs rows of one index a byte at the depth (1, 2, 4 or 8), high bits first.
void put_index_rows(PngImageEncoder& encoder, uint32_t width, uint32_t height, uint32_t depth)
{
    const size_t bytes = (size_t{width} * depth + 7) / 8;
    encoder.raw.resize((bytes + 1) * height);
    const uint8_t* in = encoder.index_rows.data();
    uint8_t* p = encoder.raw.data();
    for (uint32_t y = 0; y < height; ++y, p += bytes + 1, in += width) {
        p[0] = 0;
        uint8_t* row = p + 1;
        if (depth == 8) {
            std::memcpy(row, in, width);
            continue;
        }
        std::memset(row, 0, bytes);
        for (uint32_t x = 0; x < width; ++x) {
            const size_t bit = size_t{x} * depth;
            row[bit / 8] = static_cast<uint8_t>(row[bit / 8] | in[x] << (8 - depth - bit % 8));
        }
    }
}

}  // namespace

int png_image_init(PngImageEncoder& encoder, int level)
{
    encoder.level = level;
    auto* d = new (std::nothrow) PngDeflater;
    if (!d) return -1;
    if (deflateInit(&d->z, level) != Z_OK) {
        delete d;
        return -1;
    }
    encoder.deflater = {d, free_deflater};
    return 0;
}

int png_image_encode(PngImageEncoder& encoder, const uint8_t* rows, size_t stride, uint32_t width, uint32_t height,
                     uint32_t bits_per_pixel, std::span<const uint8_t> palette, bool fewer_colours)
{
    if (!encoder.deflater) return -1;
    try {
        if (bits_per_pixel <= 8) {
            put_header(encoder.out, width, height, static_cast<uint8_t>(bits_per_pixel), kIndexedColour);
            put_palette(encoder.out, palette, size_t{1} << bits_per_pixel);
            put_rows(encoder, rows, stride, (size_t{width} * bits_per_pixel + 7) / 8, height);
        } else if (fewer_colours && bits_per_pixel == 24 && index_colours(encoder, rows, stride, width, height)) {
            const size_t count = encoder.palette.size() / 4;
            const uint32_t depth = count <= 2 ? 1 : count <= 4 ? 2 : count <= 16 ? 4 : 8;
            put_header(encoder.out, width, height, static_cast<uint8_t>(depth), kIndexedColour);
            put_palette(encoder.out, encoder.palette, count);
            put_index_rows(encoder, width, height, depth);
        } else {
            put_header(encoder.out, width, height, 8, kTrueColour);
            put_colour_rows(encoder, rows, stride, width, height, bits_per_pixel);
        }
        return put_data(encoder);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}
