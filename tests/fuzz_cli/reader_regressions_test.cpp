// Inputs that fuzzing the readers turned up, kept with what they must give.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "bitmap.h"

namespace {

// A BMP header of the given size and bit count whose length fields match a
// picture of no data bytes, followed by its palette.
std::vector<uint8_t> empty_picture(uint32_t width, uint32_t height, uint16_t bits)
{
    const uint32_t palette = bits <= 8 ? 4u << bits : 0;
    std::vector<uint8_t> file(54 + palette);
    file[0] = 'B';
    file[1] = 'M';
    put_le32(&file[2], static_cast<uint32_t>(file.size()));
    put_le32(&file[10], 54 + palette);
    put_le32(&file[14], 40);
    put_le32(&file[18], width);
    put_le32(&file[22], height);
    put_le16(&file[26], 1);
    put_le16(&file[28], bits);
    return file;  // image size 0: corrected to the (zero) data length
}

struct Read {
    int result;
    size_t pixels;
};

Read read_memory(std::vector<uint8_t> file)
{
    FILE* fp = fmemopen(file.data(), file.size(), "rb");
    if (!fp) return {-100, 0};
    BmpHeader header;
    std::vector<uint8_t> palette, pixels;
    const int result = read_bitmap(fp, header, &palette, &pixels, 0);
    std::fclose(fp);
    return {result, pixels.size()};
}

// A huge width with no rows once made the reader size a row buffer of up to
// 16 GiB (or fail with "memory exhaust!") for a picture without data; a zero
// width with 2^32 - 1 rows made it loop over billions of empty rows.
TEST(ReaderRegressions, PicturesWithoutDataReadAtOnce)
{
    struct Case {
        uint32_t width, height;
        uint16_t bits;
    };
    const Case cases[] = {
        {0x7FBE0020u, 0, 1}, {0xFFFFFFFFu, 0, 32}, {0xFFFFFFFFu, 0, 24}, {0, 0xFFFFFFFFu, 8}, {0, 0xFFFFFFFFu, 32},
    };
    for (const Case& c : cases) {
        const Read r = read_memory(empty_picture(c.width, c.height, c.bits));
        EXPECT_EQ(r.result, 0) << c.width << "x" << c.height << "x" << c.bits;
        EXPECT_EQ(r.pixels, 0u) << c.width << "x" << c.height << "x" << c.bits;
    }
}

}  // namespace
