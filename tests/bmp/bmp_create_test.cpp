// Output pictures sized from a shape set: bitmap_create.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "bmp_bytes.h"
#include "tool_run.h"

namespace {

using Bytes = std::vector<uint8_t>;

ShapeSet shape_set(uint32_t tile_width, uint32_t tile_height, uint32_t bits)
{
    ShapeSet set;
    set.tile_width = tile_width;
    set.tile_height = tile_height;
    set.columns = 16;
    set.rows = 1;
    set.bits_per_pixel = bits;
    set.bytes_per_pixel = (bits + 7) / 8;
    if (bits <= 8) set.palette = bmp_test::counting_palette(1 << bits);
    return set;
}

TEST(BitmapCreate, SizesFromTilesAndBorrowsThePalette)
{
    const struct {
        uint32_t tile_width, tile_height, bits, across, down;
        uint32_t width, height, size;
    } cases[] = {
        {3, 2, 8, 5, 4, 15, 8, 120},   {16, 16, 4, 3, 2, 48, 32, 1536}, {8, 8, 1, 1, 1, 8, 8, 64},
        {2, 2, 16, 3, 1, 6, 2, 24},    {2, 3, 24, 2, 2, 4, 6, 72},      {1, 1, 32, 7, 3, 7, 3, 84},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bits) + " bits");
        const ShapeSet set = shape_set(c.tile_width, c.tile_height, c.bits);
        Bitmap bitmap;
        bitmap.pixels.assign(7, 0xEE);  // a picture left over from before
        int result = 1;
        const std::string out = bmp_test::captured_stdout(
            [&] { result = bitmap_create(bitmap, set, c.across, c.down); });
        ASSERT_EQ(result, 0);
        EXPECT_EQ(out, "");
        EXPECT_EQ(bitmap.width, c.width);
        EXPECT_EQ(bitmap.height, c.height);
        EXPECT_EQ(bitmap.bits_per_pixel, c.bits);
        EXPECT_EQ(bitmap.size, c.size);
        EXPECT_EQ(bitmap.pixels, Bytes(c.size, 0));
        EXPECT_EQ(bitmap.palette.size(), set.palette.size());
        if (c.bits <= 8) {
            EXPECT_EQ(bitmap.palette.data(), set.palette.data());  // borrowed, not copied
        }
    }
}

// Through bmp_probe, whose allocations are capped and recorded: a refused
// picture must be refused before anything of its size is asked for.
struct RefusedCase {
    const char* name;
    const char* tile_width;
    const char* tile_height;
    const char* bits;
    const char* across;
    const char* down;
};

class BitmapCreateRefuses : public testing::TestWithParam<RefusedCase> {};

TEST_P(BitmapCreateRefuses, WithoutAllocating)
{
    const RefusedCase& c = GetParam();
    vorn_test::TempDir dir;
    const auto run = vorn_test::run_tool(
        "bmp_probe", {"create", c.tile_width, c.tile_height, c.bits, c.across, c.down}, dir.path());
    ASSERT_EQ(run.status, 0) << "the probe did not end normally\n" << run.out;
    EXPECT_EQ(run.out.rfind("result -1 pixels 0\nlargest ", 0), 0u) << run.out;
    EXPECT_LT(bmp_test::probe_largest_allocation(run.out), size_t{1} << 26) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, BitmapCreateRefuses,
    testing::Values(
        // 65,536 x 65,536 one-byte pixels: the buffer reaches 4 GiB.
        RefusedCase{"buffer_4GiB_8bit", "32", "32", "8", "2048", "2048"},
        RefusedCase{"buffer_4GiB_1bit", "1", "1", "1", "65536", "65536"},
        RefusedCase{"buffer_16GiB_32bit", "16", "16", "32", "4096", "4096"},
        // 3 GiB of pixels, but 4-byte padded rows make the file pass 4 GiB.
        RefusedCase{"file_past_4GiB_24bit", "1", "1", "24", "1", "0x40000000"},
        // Widths and heights whose products pass 32 bits must not wrap.
        RefusedCase{"width_wraps", "0x10000", "1", "8", "0x10001", "1"},
        RefusedCase{"height_wraps", "1", "0x10000", "8", "1", "0x10001"},
        // 2^31 x 2^31 pixels of 4 bytes: 2^64 bytes, which a 64-bit product
        // wraps to 0.
        RefusedCase{"size_wraps_64_bits", "0x80000000", "0x80000000", "32", "1", "1"},
        RefusedCase{"all_huge", "0xFFFFFFFF", "0xFFFFFFFF", "32", "0xFFFFFFFF", "0xFFFFFFFF"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

}  // namespace
