// Hi-res shapes: byte decoding, derived shapes, the sheet loaded from a
// program disk image, and the artifact colouring of composed rows.
#include <gtest/gtest.h>

#include "a2_test_util.h"
#include "dos33.h"
#include "hires.h"
#include "sample_a2.h"
#include "tool_run.h"

namespace {

std::vector<uint8_t> decode(uint8_t byte)
{
    std::vector<uint8_t> v(14);
    hires_decode_byte(byte, std::span<uint8_t, 14>(v.data(), 14));
    return v;
}

TEST(HiresDecode, BytesToSubPixels)
{
    using V = std::vector<uint8_t>;
    struct Case {
        uint8_t byte;
        V sub;
    };
    const Case cases[] = {
        {0x00, V(14, 0)},
        {0x01, {1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0x40, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1}},
        {0x7F, V(14, 1)},
        {0x80, {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0x81, {255, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {0xC0, {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {0xFF, {255, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {0x2A, {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(decode(c.byte), c.sub) << static_cast<int>(c.byte);
}

TEST(HiresDerive, ShapesFrom68)
{
    std::vector<uint8_t> left(4096), right(4096);
    for (uint32_t r = 0; r < 16; ++r) {
        left[r * 256 + 68] = static_cast<uint8_t>(0x85 + r);
        right[r * 256 + 68] = static_cast<uint8_t>(0x2A + r);
        for (uint32_t n = 69; n <= 72; ++n) left[r * 256 + n] = right[r * 256 + n] = 0x11;
    }
    hires_derive_shapes(left, right);
    for (uint32_t r = 0; r < 16; ++r) {
        const uint8_t a = static_cast<uint8_t>(0x85 + r), b = static_cast<uint8_t>(0x2A + r);
        const size_t p = r * 256;
        EXPECT_EQ(left[p + 68], a & 0x7F);
        EXPECT_EQ(right[p + 68], b & 0x7F);
        EXPECT_EQ(left[p + 69], b | 0x80);
        EXPECT_EQ(right[p + 69], a | 0x80);
        EXPECT_EQ(left[p + 70], a | 0x80);
        EXPECT_EQ(right[p + 70], b | 0x80);
        EXPECT_EQ(left[p + 71], b & 0x7F);
        EXPECT_EQ(right[p + 71], a & 0x7F);
        EXPECT_EQ(left[p + 72], 0x11);
    }
}

// A picture of two rows whose first row holds the sub-pixels of the given
// hi-res bytes, repeated to fill the width.
Bitmap picture(const std::vector<uint8_t>& bytes, size_t repeat = 1)
{
    Bitmap b;
    b.width = static_cast<uint32_t>(bytes.size() * 14 * repeat);
    b.height = 2;
    b.bits_per_pixel = 4;
    b.pixels.assign(static_cast<size_t>(b.width) * 2, 0x77);
    for (size_t i = 0; i < bytes.size() * repeat; ++i) {
        const auto sub = decode(bytes[i % bytes.size()]);
        std::copy(sub.begin(), sub.end(), b.pixels.begin() + static_cast<std::ptrdiff_t>(i * 14));
    }
    return b;
}

std::vector<uint8_t> coloured(const std::vector<uint8_t>& bytes, int blur)
{
    Bitmap b = picture(bytes);
    colorize_bitmap(b, blur);
    EXPECT_TRUE(std::equal(b.pixels.begin(), b.pixels.begin() + b.width, b.pixels.begin() + b.width));
    return std::vector<uint8_t>(b.pixels.begin(), b.pixels.begin() + b.width);
}

// Colours of the sub-pixels from..from+n-1, the rest of the row being black.
void expect_colours(const std::vector<uint8_t>& row, size_t from, const std::vector<uint8_t>& colours)
{
    for (size_t x = 0; x < row.size(); ++x) {
        const uint8_t want = x >= from && x < from + colours.size() ? colours[x - from] : 0;
        EXPECT_EQ(row[x], want) << "column " << x;
    }
}

TEST(Colorize, SingleDots)
{
    // Dot 2 (sub-pixels 4, 5) and dot 3 (6, 7) of the first byte.
    expect_colours(coloured({0x04, 0, 0, 0}, 0), 4, {12, 12});
    expect_colours(coloured({0x08, 0, 0, 0}, 0), 6, {3, 3});
    // With the palette bit the dots move half a dot right (5, 6 and 7, 8).
    expect_colours(coloured({0x84, 0, 0, 0}, 0), 5, {9, 9});
    expect_colours(coloured({0x88, 0, 0, 0}, 0), 7, {6, 6});
}

TEST(Colorize, TwoDotsSideBySide)
{
    expect_colours(coloured({0x0C, 0, 0, 0}, 0), 4, {12, 15, 15, 3});
}

TEST(Colorize, BlurSpreadsToUnlitNeighbours)
{
    expect_colours(coloured({0x04, 0, 0, 0}, 1), 3, {12, 12, 12, 12});
    expect_colours(coloured({0x0C, 0, 0, 0}, 1), 3, {12, 13, 15, 15, 11, 3});
}

TEST(Colorize, SolidBytes)
{
    expect_colours(coloured({0x00, 0x7F, 0x7F, 0}, 0), 14, {3,  15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                                            15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15,
                                                            15, 12});
}

TEST(Colorize, MarkerTakesTheSubPixelToItsLeft)
{
    // Byte 0 ends in a lit dot: the marker of byte 1 is lit too.
    const auto lit = coloured({0x40, 0x80, 0, 0}, 0);
    expect_colours(lit, 12, {12, 13, 9});
    // Byte 0 ends unlit: the marker stays off.
    expect_colours(coloured({0x00, 0x80, 0, 0}, 0), 0, {});
}

TEST(Colorize, MarkerAtTheLeftEdgeTakesTheLastSubPixel)
{
    // Column 0 is a marker, and the last sub-pixel (55) is lit.
    const auto row = coloured({0x80, 0, 0, 0x40}, 0);
    EXPECT_EQ(row[0], 4 | 2);  // its own weight and that of column 55 on its left
    EXPECT_EQ(row[54], 1 | 2);
    EXPECT_EQ(row[55], 2 | 1 | 4);
    EXPECT_EQ(coloured({0x80, 0, 0, 0x00}, 0), std::vector<uint8_t>(56, 0));
}

TEST(Colorize, RowsWrapAround)
{
    // Sub-pixels 0 and 55 lit: each sees the other as its neighbour.
    Bitmap b = picture({0, 0, 0, 0});
    b.pixels[0] = 1;
    b.pixels[55] = 1;
    colorize_bitmap(b, 0);
    EXPECT_EQ(b.pixels[0], 4 | 2);
    EXPECT_EQ(b.pixels[55], 2 | 4);
    EXPECT_EQ(b.pixels[56], 6);
}

TEST(Colorize, WrappedNeighboursKeepTheWeightOfTheirOwnColumn)
{
    // A row of 42 sub-pixels (no multiple of 4) with columns 0 and 41 lit:
    // column 41 seen from column 0 is column -1 (weight 2, not 8), and
    // column 0 seen from column 41 is column 42 (weight 1, not 4).
    for (int blur : {0, 1}) {
        Bitmap b = picture({0, 0, 0});
        b.pixels[0] = 1;
        b.pixels[41] = 1;
        colorize_bitmap(b, blur);
        EXPECT_EQ(b.pixels[0], 4 | 2) << blur;
        EXPECT_EQ(b.pixels[41], 8 | 1) << blur;
    }
}

TEST(Colorize, EveryOddRowCopiesTheRowAbove)
{
    Bitmap b;
    b.width = 28;
    b.height = 6;
    b.pixels.assign(28 * 6, 0);
    for (size_t i = 0; i < b.pixels.size(); ++i) b.pixels[i] = (i / 28) % 2 ? 0x33 : (i * 5 % 7 < 3);
    colorize_bitmap(b, 1);
    for (uint32_t y = 0; y < 6; y += 2)
        EXPECT_TRUE(std::equal(b.pixels.begin() + y * 28, b.pixels.begin() + y * 28 + 28,
                               b.pixels.begin() + (y + 1) * 28));
}

TEST(Colorize, OddHeightAndTinyWidthsStayInBounds)
{
    for (uint32_t w : {1u, 2u, 3u, 5u}) {
        Bitmap b;
        b.width = w;
        b.height = 3;
        b.pixels.assign(w * 3, 1);
        colorize_bitmap(b, 0);
        colorize_bitmap(b, 1);
    }
}

class HiresLoadTest : public testing::TestWithParam<int> {
protected:
    vorn_test::TempDir dir;
    ShapeSet shapes;
    std::string out;

    int load(const std::vector<uint8_t>& dos_order, const std::string& name = "prog.dsk")
    {
        const auto path = (dir / name).string();
        vorn_test::write_file(path, GetParam() == kSectorOrderProdos ? sample::a2_prodos_order(dos_order) : dos_order);
        int result = 0;
        out = captured([&] { result = load_hires_shapes(path.c_str(), GetParam(), shapes); });
        return result;
    }
};

TEST_P(HiresLoadTest, SampleProgramDiskDecodesIntoASheet)
{
    ASSERT_EQ(load(sample::a2_program_disk(false)), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(shapes.tile_width, 28u);
    EXPECT_EQ(shapes.tile_height, 32u);
    EXPECT_EQ(shapes.bits_per_pixel, 4u);
    EXPECT_EQ(shapes.bytes_per_pixel, 1u);
    EXPECT_EQ(shapes.columns, 0u);
    EXPECT_EQ(shapes.rows, 0u);
    ASSERT_EQ(shapes.pixels.size(), 229376u);
    ASSERT_EQ(shapes.palette.size(), 64u);
    EXPECT_EQ(std::vector<uint8_t>(shapes.palette.begin() + 4, shapes.palette.begin() + 8),
              (std::vector<uint8_t>{52, 7, 157, 0}));
    EXPECT_EQ(std::vector<uint8_t>(shapes.palette.begin() + 60, shapes.palette.end()),
              (std::vector<uint8_t>{229, 229, 229, 0}));

    const auto left = sample::a2_hires_shapes(0), right = sample::a2_hires_shapes(1);
    for (uint32_t n : {0u, 1u, 17u, 67u, 68u, 69u, 70u, 71u, 200u, 255u}) {
        for (uint32_t r = 0; r < 16; ++r) {
            uint8_t a = left[r * 256 + n], b = right[r * 256 + n];
            const uint8_t a68 = left[r * 256 + 68], b68 = right[r * 256 + 68];
            if (n == 68) a = a68 & 0x7F, b = b68 & 0x7F;
            if (n == 69) a = b68 | 0x80, b = a68 | 0x80;
            if (n == 70) a = a68 | 0x80, b = b68 | 0x80;
            if (n == 71) a = b68 & 0x7F, b = a68 & 0x7F;
            auto want = decode(a);
            const auto rb = decode(b);
            want.insert(want.end(), rb.begin(), rb.end());
            const size_t at = shape_row_offset(shapes, n, 2 * r);
            EXPECT_EQ(std::vector<uint8_t>(shapes.pixels.begin() + at, shapes.pixels.begin() + at + 28), want)
                << "shape " << n << " line " << r;
            const size_t odd = shape_row_offset(shapes, n, 2 * r + 1);
            EXPECT_TRUE(std::all_of(shapes.pixels.begin() + odd, shapes.pixels.begin() + odd + 28,
                                    [](uint8_t v) { return v == 0; }));
        }
    }
}

TEST_P(HiresLoadTest, MissingSecondFile)
{
    const std::vector<sample::A2File> files = {
        {"S\x01HP0", 0x04, sample::a2_binary_contents(0x6000, sample::a2_hires_shapes(0))}};
    EXPECT_EQ(load(sample::a2_dos33_image(files)), -1);
    const auto path = (dir / "prog.dsk").string();
    EXPECT_EQ(out, "file not found 'S\x01HP1'\nerror: can't get file '" + path + "/S\x01HP1'\n");
    EXPECT_EQ(shapes.pixels.size(), 229376u);  // left for the caller to free
}

TEST_P(HiresLoadTest, MissingFirstFileStopsBeforeTheSecond)
{
    EXPECT_EQ(load(sample::a2_dos33_image({})), -1);
    const auto path = (dir / "prog.dsk").string();
    EXPECT_EQ(out, "file not found 'S\x01HP0'\nerror: can't get file '" + path + "/S\x01HP0'\n");
}

TEST_P(HiresLoadTest, ShortFile)
{
    const std::vector<sample::A2File> files = {
        {"S\x01HP0", 0x04, sample::a2_binary_contents(0x6000, std::vector<uint8_t>(2000, 1))},
        {"S\x01HP1", 0x04, sample::a2_binary_contents(0x7000, sample::a2_hires_shapes(1))}};
    EXPECT_EQ(load(sample::a2_dos33_image(files)), -1);
    const auto path = (dir / "prog.dsk").string();
    EXPECT_EQ(out, "file size mismatch 'S\x01HP0' 2000 != 4096\nerror: read file '" + path + "/S\x01HP0'\n");
}

TEST_P(HiresLoadTest, UnreadableImage)
{
    EXPECT_EQ(load(std::vector<uint8_t>(73727)), -1);
    const auto path = (dir / "prog.dsk").string();
    EXPECT_EQ(out, "disk image size error\ncan't get catalog '" + path + "'\nerror: read disk image '" + path + "'\n");
}

INSTANTIATE_TEST_SUITE_P(BothOrders, HiresLoadTest, testing::Values(kSectorOrderDos, kSectorOrderProdos),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == kSectorOrderDos ? std::string("Dos") : std::string("Prodos");
                         });

}  // namespace
