// BMP writing: header record, the 54 header bytes in the format's own order,
// the palette and the pixel rows, bottom row first.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "bitmap.h"
#include "row_sink.h"
#include "size_math.h"

namespace {

// Offsets of the header fields in the file, from the "BM" signature on.
constexpr size_t BF_Type = 0;         // (2 bytes) "BM"
constexpr size_t BF_Size = 2;         // (DWORD) file size
constexpr size_t BF_Reserved1 = 6;    // (WORD)
constexpr size_t BF_Reserved2 = 8;    // (WORD)
constexpr size_t BF_OffBits = 10;     // (DWORD) data offset
constexpr size_t BI_Size = 14;        // (DWORD) information header size
constexpr size_t BI_Width = 18;       // (DWORD)
constexpr size_t BI_Height = 22;      // (DWORD)
constexpr size_t BI_Planes = 26;      // (WORD)
constexpr size_t BI_BitCount = 28;    // (WORD)
constexpr size_t BI_Compression = 30; // (DWORD)
constexpr size_t BI_SizeImage = 34;   // (DWORD)
constexpr size_t BI_XPelsPerMeter = 38;  // (DWORD)
constexpr size_t BI_YPelsPerMeter = 42;  // (DWORD)
constexpr size_t BI_ClrUsed = 46;     // (DWORD)
constexpr size_t BI_ClrImportant = 50;  // (DWORD)

// Rows are gathered into blocks of about this size before each write.
constexpr size_t kWriteBlockBytes = size_t{1} << 20;

bool valid_bit_count(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

}  // namespace

int64_t bitmap_row_bytes(uint32_t width, uint32_t bit_count)
{
    const uint64_t w = width;
    switch (bit_count) {
        case 1: return static_cast<int64_t>(((w + 7) / 8 + 3) & ~uint64_t{3});
        case 4: return static_cast<int64_t>(((w + 1) / 2 + 3) & ~uint64_t{3});
        case 8:
        case 16:
        case 24: return static_cast<int64_t>((w * bit_count / 8 + 3) & ~uint64_t{3});
        case 32: return static_cast<int64_t>(4 * w);
        default: return -1;
    }
}

int create_bitmap_header(BmpHeader& header, uint32_t width, uint32_t height, uint16_t bit_count)
{
    if (!valid_bit_count(bit_count)) return -1;
    uint64_t image_size = 0;
    if (!size_product32(static_cast<uint64_t>(bitmap_row_bytes(width, bit_count)), height, &image_size))
        return -1;
    const uint32_t entries = bit_count <= 8 ? (1u << bit_count) : 0;
    const uint64_t data_offset = kBmpHeaderBytes + uint64_t{kPaletteEntryBytes} * entries;
    if (data_offset + image_size > 0xFFFFFFFFu) return -1;

    header = BmpHeader{};
    header.file_size = static_cast<uint32_t>(data_offset + image_size);
    header.data_offset = static_cast<uint32_t>(data_offset);
    header.info_size = kBmpInfoHeaderBytes;
    header.width = width;
    header.height = height;
    header.planes = 1;
    header.bit_count = bit_count;
    header.compression = 0;
    header.image_size = static_cast<uint32_t>(image_size);
    return 0;
}

int write_bitmap_header(FILE* fp, const BmpHeader& header)
{
    uint8_t bytes[kBmpHeaderBytes] = {};
    bytes[BF_Type] = 'B';
    bytes[BF_Type + 1] = 'M';
    put_le32(bytes + BF_Size, header.file_size);
    put_le16(bytes + BF_Reserved1, header.reserved1);
    put_le16(bytes + BF_Reserved2, header.reserved2);
    put_le32(bytes + BF_OffBits, header.data_offset);
    put_le32(bytes + BI_Size, header.info_size);
    put_le32(bytes + BI_Width, header.width);
    put_le32(bytes + BI_Height, header.height);
    put_le16(bytes + BI_Planes, header.planes);
    put_le16(bytes + BI_BitCount, header.bit_count);
    put_le32(bytes + BI_Compression, header.compression);
    put_le32(bytes + BI_SizeImage, header.image_size);
    put_le32(bytes + BI_XPelsPerMeter, header.x_resolution);
    put_le32(bytes + BI_YPelsPerMeter, header.y_resolution);
    put_le32(bytes + BI_ClrUsed, header.colors_used);
    put_le32(bytes + BI_ClrImportant, header.colors_important);
    return std::fwrite(bytes, 1, sizeof bytes, fp) == sizeof bytes ? 0 : -1;
}

int write_palette(FILE* fp, std::span<const uint8_t> palette, int count)
{
    if (count < 1 || count > 256) return -1;
    uint8_t bytes[256 * kPaletteEntryBytes] = {};
    const size_t length = static_cast<size_t>(count) * kPaletteEntryBytes;
    if (!palette.empty()) std::memcpy(bytes, palette.data(), std::min(length, palette.size()));
    return std::fwrite(bytes, 1, length, fp) == length ? 0 : -1;
}

int write_bitmap(FILE* fp, const BmpHeader& header, std::span<const uint8_t> palette,
                 std::span<const uint8_t> pixels)
{
    const uint32_t bits = header.bit_count;
    if (!valid_bit_count(bits)) return -1;

    if (write_bitmap_header(fp, header) < 0) {
        std::puts("error: write_bitmap() - can't write bitmap header");
        return -1;
    }
    if (bits <= 8 && write_palette(fp, palette, 1 << bits) < 0) {
        std::puts("error: write_bitmap() - can't write palette");
        return -1;
    }

    const uint32_t width = header.width, height = header.height;
    const size_t pixel_bytes = (bits + 7) / 8;
    const size_t row_in = static_cast<size_t>(width) * pixel_bytes;
    const size_t row_out = static_cast<size_t>(bitmap_row_bytes(width, bits));
    if (pixels.size() / (row_in ? row_in : 1) < height) {
        std::puts("error: write_bitmap() - can't write bitmap data");
        return -1;
    }

    // Rows go out bottom row first, gathered into blocks of whole rows.
    const size_t rows_per_block = std::max<size_t>(1, kWriteBlockBytes / (row_out ? row_out : 1));
    std::vector<uint8_t> block;
    try {
        block.resize(std::min<size_t>(rows_per_block, height ? height : 1) * row_out);
    } catch (const std::bad_alloc&) {
        std::puts("error: write_bitmap() - can't write bitmap data");
        return -1;
    }
    uint32_t y = height;
    while (y > 0) {
        const size_t rows = std::min<size_t>(rows_per_block, y);
        for (size_t r = 0; r < rows; ++r) {
            --y;
            uint8_t* out = block.data() + r * row_out;
            const size_t data_bytes = packed_row_bytes(width, bits);
            std::fill(out + data_bytes, out + row_out, 0);
            pack_row(out, pixels.data() + static_cast<size_t>(y) * row_in, width, bits);
        }
        if (std::fwrite(block.data(), 1, rows * row_out, fp) != rows * row_out) {
            std::puts("error: write_bitmap() - can't write bitmap data");
            return -1;
        }
    }
    if (std::fflush(fp) != 0) {
        std::puts("error: write_bitmap() - can't write bitmap data");
        return -1;
    }
    return 0;
}
