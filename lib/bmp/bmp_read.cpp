// BMP reading: the header tests, the palette and the pixel rows unpacked into
// the one-byte-per-pixel layout.
#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "bitmap.h"
#include "size_math.h"
#include "stdio_file.h"

namespace {

uint32_t palette_bytes_for(uint32_t bits)
{
    return bits <= 8 ? kPaletteEntryBytes << bits : 0;
}

bool valid_bit_count(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Unpacks one padded file row into width pixels of the picture.
void unpack_row(uint8_t* out, const uint8_t* row, uint32_t width, uint32_t bits)
{
    switch (bits) {
        case 1:
            for (uint32_t x = 0; x < width; ++x) out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
            break;
        case 4:
            for (uint32_t x = 0; x < width; ++x)
                out[x] = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
            break;
        default:
            std::copy(row, row + static_cast<size_t>(width) * (bits / 8), out);
            break;
    }
}

// Discards count bytes of the stream: a seek where it can, a read where not.
bool skip_bytes(FILE* fp, uint32_t count)
{
    if (file_seek64(fp, count, SEEK_CUR) == 0) return true;
    uint8_t scrap[256];
    while (count > 0) {
        const size_t n = count < sizeof scrap ? count : sizeof scrap;
        if (std::fread(scrap, 1, n, fp) != n) return false;
        count -= static_cast<uint32_t>(n);
    }
    return true;
}

}  // namespace

int read_bitmap_header(FILE* fp, BmpHeader& header)
{
    uint8_t bytes[kBmpHeaderBytes];
    if (std::fread(bytes, 1, sizeof bytes, fp) != sizeof bytes) return -1;
    if (bytes[0] != 'B' || bytes[1] != 'M') return -1;
    const uint8_t* p = bytes + 2;
    header.file_size = get_le32(p, &p);
    header.reserved1 = get_le16(p, &p);
    header.reserved2 = get_le16(p, &p);
    header.data_offset = get_le32(p, &p);
    header.info_size = get_le32(p, &p);
    header.width = get_le32(p, &p);
    header.height = get_le32(p, &p);
    header.planes = get_le16(p, &p);
    header.bit_count = get_le16(p, &p);
    header.compression = get_le32(p, &p);
    header.image_size = get_le32(p, &p);
    header.x_resolution = get_le32(p, &p);
    header.y_resolution = get_le32(p, &p);
    header.colors_used = get_le32(p, &p);
    header.colors_important = get_le32(p, &p);
    return check_bitmap_header(header);
}

int check_bitmap_header(BmpHeader& header)
{
    if (header.info_size != kBmpInfoHeaderBytes) {
        std::puts("error: check_bitmap_header() - not supported header type - support only Windows V3");
        return -1;
    }
    if (header.planes != 1) return -1;
    if (header.compression != 0) {
        std::puts("error: check_bitmap_header() - not support compression");
        return -1;
    }
    if (!valid_bit_count(header.bit_count)) {
        std::puts("error: check_bitmap_header() - unknown bit count");
        return -1;
    }

    const uint32_t offset = kBmpHeaderBytes + palette_bytes_for(header.bit_count);
    uint64_t length = 0;
    const bool fits = size_product32(static_cast<uint64_t>(bitmap_row_bytes(header.width, header.bit_count)),
                                     header.height, &length);
    if (header.data_offset != offset) {
        std::printf("error: check_bitmap_header() - offset size 0x%X != 0x%X\n", header.data_offset,
                    offset);
        return -1;
    }
    // Sizes that do not fit the 32-bit fields (a top-down file's negative
    // height read as unsigned, a huge width) are refused before anything is
    // allocated for them.
    if (!fits || offset + length > 0xFFFFFFFFu) {
        std::printf("error: check_bitmap_header() - bitmap size %ux%u at %u bits is too large\n",
                    header.width, header.height, header.bit_count);
        return -1;
    }

    int warnings = 0;
    if (header.image_size == 0) {
        header.image_size = static_cast<uint32_t>(length);
        std::printf("warning: check_bitmap_header() - data length is 0 ... corrected: 0x%X\n",
                    header.image_size);
        ++warnings;
    }
    if (header.image_size != length) {
        std::printf("error: check_bitmap_header() - data length 0x%X != 0x%X\n", header.image_size,
                    static_cast<uint32_t>(length));
        return -1;
    }
    const uint32_t expected = static_cast<uint32_t>(offset + length);
    if (header.file_size == 0) {
        std::puts("warning: check_bitmap_header() - file length is 0");
        ++warnings;
    } else if (header.file_size > expected) {
        std::printf("warning: check_bitmap_header() - file length 0x%X > 0x%X\n", header.file_size,
                    expected);
        ++warnings;
    } else if (header.file_size < expected) {
        std::printf("error: check_bitmap_header() - file length 0x%X < 0x%X\n", header.file_size,
                    expected);
        return -1;
    }
    return warnings;
}

int read_bitmap(FILE* fp, BmpHeader& header, std::vector<uint8_t>* palette,
                std::vector<uint8_t>* pixels, int header_read)
{
    if (!pixels) return -3;
    if (!header_read && read_bitmap_header(fp, header) < 0) {
        std::puts("error: read_bitmap() - can't read bitmap header");
        return -1;
    }
    const uint32_t bits = header.bit_count;
    const int64_t row_bytes = bitmap_row_bytes(header.width, bits);
    uint64_t data_bytes = 0;
    if (row_bytes < 0 || !size_product32(static_cast<uint64_t>(row_bytes), header.height, &data_bytes)) {
        std::puts("error: read_bitmap() - can't read bitmap header");
        return -1;
    }
    uint64_t need = 0;
    const bool need_fits = size_product32((bits + 7) / 8, header.width, header.height, &need);
    const uint32_t palette_bytes = palette_bytes_for(bits);

    // A stream that cannot hold the palette and rows the header promises
    // fails as its reads would, before a buffer is sized from the header.
    const int64_t left = file_bytes_left(fp);
    if (left >= 0) {
        if (palette && static_cast<uint64_t>(left) < palette_bytes) {
            std::puts("error: read_bitmap() - can't read palette");
            return -1;
        }
        if (static_cast<uint64_t>(left) < palette_bytes + data_bytes) {
            std::puts("error: read_bitmap() - can't read bitmap data");
            return -1;
        }
    }

    if (!need_fits) {
        std::puts("error: memory exhaust!");
        return -2;
    }
    if (pixels->empty()) {
        try {
            pixels->resize(static_cast<size_t>(need));
        } catch (const std::bad_alloc&) {
            std::puts("error: memory exhaust!");
            return -2;
        }
    } else if (pixels->size() < need) {
        std::puts("error: read_bitmap() - can't read bitmap data");
        return -1;
    }

    if (palette_bytes > 0) {
        if (palette) {
            if (palette->empty()) {
                try {
                    palette->resize(palette_bytes);
                } catch (const std::bad_alloc&) {
                    std::puts("error: memory exhaust!");
                    return -2;
                }
            }
            if (palette->size() < palette_bytes ||
                std::fread(palette->data(), 1, palette_bytes, fp) != palette_bytes) {
                std::puts("error: read_bitmap() - can't read palette");
                return -1;
            }
        } else if (!skip_bytes(fp, palette_bytes)) {
            std::puts("error: read_bitmap() - can't read bitmap data");
            return -1;
        }
    }

    std::vector<uint8_t> row;
    try {
        row.resize(static_cast<size_t>(row_bytes));
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhaust!");
        return -2;
    }
    const size_t out_row = static_cast<size_t>((bits + 7) / 8) * header.width;
    for (uint32_t r = 0; r < header.height; ++r) {
        if (!row.empty() && std::fread(row.data(), 1, row.size(), fp) != row.size()) {
            std::puts("error: read_bitmap() - can't read bitmap data");
            return -1;
        }
        unpack_row(pixels->data() + (header.height - 1 - r) * out_row, row.data(), header.width, bits);
    }
    return 0;
}
