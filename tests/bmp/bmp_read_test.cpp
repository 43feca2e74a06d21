// The BMP reader: header checks with their messages and order, rows of every
// bit count, shape and mask sheets, cut-short and oversized files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "bmp_bytes.h"
#include "stdio_file.h"
#include "tool_run.h"

namespace {

using bmp_test::BmpFields;
using bmp_test::captured_stdout;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// ---- check_bitmap_header -----------------------------------------------------

// A sound 4 x 2, 8-bit header: offset 0x436, data length 8, file length 0x43E.
BmpFields sound_8bit()
{
    return bmp_test::v3_fields(4, 2, 8, 1078, 8);
}

struct CheckCase {
    const char* name;
    void (*spoil)(BmpFields&);
    int result;
    const char* out;
};

class CheckHeader : public testing::TestWithParam<CheckCase> {};

TEST_P(CheckHeader, RefusalsAndWarnings)
{
    const CheckCase& c = GetParam();
    BmpFields f = sound_8bit();
    c.spoil(f);
    BmpHeader h = bmp_test::to_header(f);
    int result = 99;
    const std::string out = captured_stdout([&] { result = check_bitmap_header(h); });
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(out, c.out);
}

const CheckCase kCheckCases[] = {
    {"sound", [](BmpFields&) {}, 0, ""},
    {"core_header", [](BmpFields& f) { f.info_size = 12; }, -1,
     "error: check_bitmap_header() - not supported header type - support only Windows V3\n"},
    {"v5_header", [](BmpFields& f) { f.info_size = 124; }, -1,
     "error: check_bitmap_header() - not supported header type - support only Windows V3\n"},
    {"planes_2", [](BmpFields& f) { f.planes = 2; }, -1, ""},
    {"planes_0", [](BmpFields& f) { f.planes = 0; }, -1, ""},
    {"rle8", [](BmpFields& f) { f.compression = 1; }, -1,
     "error: check_bitmap_header() - not support compression\n"},
    {"bitfields", [](BmpFields& f) { f.compression = 3; }, -1,
     "error: check_bitmap_header() - not support compression\n"},
    {"bits_2",
     [](BmpFields& f) { f.bit_count = 2; }, -1, "error: check_bitmap_header() - unknown bit count\n"},
    {"bits_0",
     [](BmpFields& f) { f.bit_count = 0; }, -1, "error: check_bitmap_header() - unknown bit count\n"},
    {"bits_64",
     [](BmpFields& f) { f.bit_count = 64; }, -1, "error: check_bitmap_header() - unknown bit count\n"},
    {"offset_16_entries", [](BmpFields& f) { f.data_offset = 54 + 64; }, -1,
     "error: check_bitmap_header() - offset size 0x76 != 0x436\n"},
    {"offset_colors_used_16",  // colours used is not consulted
     [](BmpFields& f) {
         f.colors_used = 16;
         f.data_offset = 54 + 64;
         f.file_size = 54 + 64 + 8;
     },
     -1, "error: check_bitmap_header() - offset size 0x76 != 0x436\n"},
    {"image_size_0", [](BmpFields& f) { f.image_size = 0; }, 1,
     "warning: check_bitmap_header() - data length is 0 ... corrected: 0x8\n"},
    {"image_size_wrong", [](BmpFields& f) { f.image_size = 0x1C; }, -1,
     "error: check_bitmap_header() - data length 0x1C != 0x8\n"},
    {"file_size_0", [](BmpFields& f) { f.file_size = 0; }, 1,
     "warning: check_bitmap_header() - file length is 0\n"},
    {"both_lengths_0",
     [](BmpFields& f) {
         f.file_size = 0;
         f.image_size = 0;
     },
     2,
     "warning: check_bitmap_header() - data length is 0 ... corrected: 0x8\n"
     "warning: check_bitmap_header() - file length is 0\n"},
    {"file_size_larger", [](BmpFields& f) { f.file_size += 2; }, 1,
     "warning: check_bitmap_header() - file length 0x440 > 0x43E\n"},
    {"file_size_smaller", [](BmpFields& f) { f.file_size -= 1; }, -1,
     "error: check_bitmap_header() - file length 0x43D < 0x43E\n"},
    {"corrected_then_file_smaller",
     [](BmpFields& f) {
         f.image_size = 0;
         f.file_size = 0x400;
     },
     -1,
     "warning: check_bitmap_header() - data length is 0 ... corrected: 0x8\n"
     "error: check_bitmap_header() - file length 0x400 < 0x43E\n"},
    {"corrected_then_file_larger",
     [](BmpFields& f) {
         f.image_size = 0;
         f.file_size = 0xABCDE;
     },
     2,
     "warning: check_bitmap_header() - data length is 0 ... corrected: 0x8\n"
     "warning: check_bitmap_header() - file length 0xABCDE > 0x43E\n"},
    // The first failing test ends the check; later faults print nothing.
    {"order_info_before_compression",
     [](BmpFields& f) {
         f.info_size = 108;
         f.compression = 1;
         f.bit_count = 3;
     },
     -1, "error: check_bitmap_header() - not supported header type - support only Windows V3\n"},
    {"order_planes_before_compression",
     [](BmpFields& f) {
         f.planes = 3;
         f.compression = 1;
     },
     -1, ""},
    {"order_compression_before_bits",
     [](BmpFields& f) {
         f.compression = 2;
         f.bit_count = 3;
     },
     -1, "error: check_bitmap_header() - not support compression\n"},
    {"order_bits_before_offset",
     [](BmpFields& f) {
         f.bit_count = 5;
         f.data_offset = 0;
     },
     -1, "error: check_bitmap_header() - unknown bit count\n"},
    {"order_offset_before_lengths",
     [](BmpFields& f) {
         f.data_offset = 54;
         f.image_size = 5;
         f.file_size = 1;
     },
     -1, "error: check_bitmap_header() - offset size 0x36 != 0x436\n"},
    {"order_data_length_before_file_length",
     [](BmpFields& f) {
         f.image_size = 5;
         f.file_size = 1;
     },
     -1, "error: check_bitmap_header() - data length 0x5 != 0x8\n"},
};

INSTANTIATE_TEST_SUITE_P(Tests, CheckHeader, testing::ValuesIn(kCheckCases),
                         [](const testing::TestParamInfo<CheckCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(CheckHeader, CorrectsImageSizeOfZero)
{
    BmpFields f = sound_8bit();
    f.image_size = 0;
    BmpHeader h = bmp_test::to_header(f);
    int result = 0;
    captured_stdout([&] { result = check_bitmap_header(h); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(h.image_size, 8u);
}

// The expected data length, read off the correction of an image size of 0,
// and the expected offset, for every bit count and odd widths.
struct LengthCase {
    uint32_t width;
    uint32_t height;
    uint16_t bits;
    uint32_t data_offset;
    const char* corrected;
};

class ExpectedLength : public testing::TestWithParam<LengthCase> {};

TEST_P(ExpectedLength, PaddedRowsTimesHeight)
{
    const LengthCase& c = GetParam();
    BmpFields f = bmp_test::v3_fields(c.width, c.height, c.bits, c.data_offset, 0);
    BmpHeader h = bmp_test::to_header(f);
    h.file_size = 0;
    int result = 0;
    const std::string out = captured_stdout([&] { result = check_bitmap_header(h); });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(out, std::string("warning: check_bitmap_header() - data length is 0 ... corrected: ") +
                       c.corrected + "\nwarning: check_bitmap_header() - file length is 0\n");
}

INSTANTIATE_TEST_SUITE_P(
    BitCounts, ExpectedLength,
    testing::Values(LengthCase{1, 3, 1, 62, "0xC"}, LengthCase{9, 3, 1, 62, "0xC"},
                    LengthCase{33, 1, 1, 62, "0x8"}, LengthCase{5, 2, 4, 118, "0x8"},
                    LengthCase{9, 1, 4, 118, "0x8"}, LengthCase{3, 3, 8, 1078, "0xC"},
                    LengthCase{3, 1, 16, 54, "0x8"}, LengthCase{3, 2, 24, 54, "0x18"},
                    LengthCase{4, 1, 24, 54, "0xC"}, LengthCase{3, 1, 32, 54, "0xC"},
                    LengthCase{256, 256, 4, 118, "0x8000"}));

TEST(RowBytes, ByBitCount)
{
    const struct {
        uint32_t width, bits;
        int64_t bytes;
    } cases[] = {
        {1, 1, 4},   {8, 1, 4},    {9, 1, 4},    {32, 1, 4},   {33, 1, 8},  {1, 4, 4},
        {8, 4, 4},   {9, 4, 8},    {3, 8, 4},    {4, 8, 4},    {5, 8, 8},   {1, 16, 4},
        {3, 16, 8},  {3, 24, 12},  {4, 24, 12},  {5, 24, 16},  {3, 32, 12}, {0, 24, 0},
        {7, 2, -1},  {7, 0, -1},   {7, 64, -1},  {7, 12, -1},
        // the widest rows, with no wrap at 32 bits
        {0xFFFFFFFFu, 1, 0x20000000}, {0xFFFFFFFFu, 8, 0x100000000},
        {0xFFFFFFFFu, 24, 0x300000000}, {0xFFFFFFFFu, 32, 0x3FFFFFFFC},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bitmap_row_bytes(c.width, c.bits), c.bytes) << c.width << " x " << c.bits;
}

// ---- read_bitmap ---------------------------------------------------------------

struct ReadResult {
    int result = 99;
    std::string out;
    BmpHeader header;
    Bytes palette;
    Bytes pixels;
};

// Writes bytes to a file and reads it with read_bitmap, with or without a
// place for the palette and with the given pixel buffer to start from.
ReadResult read_bytes(const Bytes& file, bool want_palette = true, Bytes pixels = {})
{
    vorn_test::TempDir dir;
    const fs::path path = dir / "in.bmp";
    vorn_test::write_file(path, file);
    ReadResult r;
    r.pixels = std::move(pixels);
    UniqueFile fp = open_file(path.c_str(), "rb");
    EXPECT_TRUE(fp);
    r.out = captured_stdout([&] {
        r.result = read_bitmap(fp.get(), r.header, want_palette ? &r.palette : nullptr, &r.pixels, 0);
    });
    return r;
}

struct RowsCase {
    const char* name;
    uint32_t width;
    uint32_t height;
    uint16_t bits;
    std::vector<Bytes> file_rows;  // bottom row first, padded (padding not always zero)
    Bytes pixels;                  // top row first
};

class ReadRows : public testing::TestWithParam<RowsCase> {};

TEST_P(ReadRows, UnpacksIntoTopDownBytes)
{
    const RowsCase& c = GetParam();
    const int entries = c.bits <= 8 ? 1 << c.bits : 0;
    const uint32_t offset = 54 + 4 * static_cast<uint32_t>(entries);
    uint32_t image = 0;
    for (const Bytes& row : c.file_rows) image += static_cast<uint32_t>(row.size());
    const Bytes palette = bmp_test::counting_palette(entries, 3);
    const ReadResult r =
        read_bytes(bmp_test::bmp_file(bmp_test::v3_fields(c.width, c.height, c.bits, offset, image),
                                      palette, c.file_rows));
    ASSERT_EQ(r.result, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.pixels, c.pixels);
    EXPECT_EQ(r.palette, palette);
    EXPECT_EQ(r.header.width, c.width);
    EXPECT_EQ(r.header.height, c.height);
    EXPECT_EQ(r.header.bit_count, c.bits);
}

const RowsCase kRowsCases[] = {
    // bit 7 first; the unused low bits of a last byte and the padding are ignored
    {"w9_1bit", 9, 2, 1, {{0x80, 0x7F, 0xFF, 0xFF}, {0x41, 0xFF, 0, 0}},
     {0, 1, 0, 0, 0, 0, 0, 1, 1, /**/ 1, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"w1_1bit", 1, 1, 1, {{0x7F, 0, 0, 0}}, {0}},
    // high half first; an odd width takes the high half of the last byte
    {"w5_4bit", 5, 2, 4, {{0x12, 0x34, 0x5F, 0xEE}, {0xAB, 0xCD, 0xE0, 0}},
     {0xA, 0xB, 0xC, 0xD, 0xE, 1, 2, 3, 4, 5}},
    {"w3_8bit", 3, 2, 8, {{1, 2, 3, 9}, {255, 0, 128, 9}}, {255, 0, 128, 1, 2, 3}},
    {"w3_16bit", 3, 1, 16, {{1, 2, 3, 4, 5, 6, 7, 7}}, {1, 2, 3, 4, 5, 6}},
    {"w3_24bit", 3, 2, 24,
     {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}, {11, 12, 13, 14, 15, 16, 17, 18, 19, 9, 9, 9}},
     {11, 12, 13, 14, 15, 16, 17, 18, 19, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
    {"w2_32bit", 2, 1, 32, {{1, 2, 3, 0xFF, 4, 5, 6, 0x80}}, {1, 2, 3, 0xFF, 4, 5, 6, 0x80}},
};

INSTANTIATE_TEST_SUITE_P(BitCounts, ReadRows, testing::ValuesIn(kRowsCases),
                         [](const testing::TestParamInfo<RowsCase>& info) {
                             return std::string(info.param.name);
                         });

// A sound 3 x 2, 24-bit file (two rows of 12 bytes).
Bytes small_24bit_file()
{
    return bmp_test::bmp_file(bmp_test::v3_fields(3, 2, 24, 54, 24), {},
                              {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0},
                               {10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0}});
}

TEST(ReadBitmap, WithoutPlaceForPixels)
{
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "in.bmp", small_24bit_file());
    UniqueFile fp = open_file((dir / "in.bmp").c_str(), "rb");
    BmpHeader h;
    int result = 0;
    const std::string out =
        captured_stdout([&] { result = read_bitmap(fp.get(), h, nullptr, nullptr, 0); });
    EXPECT_EQ(result, -3);
    EXPECT_EQ(out, "");
}

TEST(ReadBitmap, HeaderReadBeforehand)
{
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "in.bmp", small_24bit_file());
    UniqueFile fp = open_file((dir / "in.bmp").c_str(), "rb");
    BmpHeader h;
    ASSERT_EQ(read_bitmap_header(fp.get(), h), 0);
    Bytes pixels;
    ASSERT_EQ(read_bitmap(fp.get(), h, nullptr, &pixels, 1), 0);
    EXPECT_EQ(pixels, Bytes({10, 11, 12, 13, 14, 15, 16, 17, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(ReadBitmap, PaletteSkippedWhenNotWanted)
{
    const Bytes file = bmp_test::bmp_file(bmp_test::v3_fields(2, 1, 4, 118, 4),
                                          bmp_test::counting_palette(16), {{0x9A, 0, 0, 0}});
    const ReadResult r = read_bytes(file, false);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.pixels, Bytes({9, 10}));
}

TEST(ReadBitmap, IntoBufferLargeEnough)
{
    const ReadResult r = read_bytes(small_24bit_file(), true, Bytes(18, 0xEE));
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.pixels, Bytes({10, 11, 12, 13, 14, 15, 16, 17, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

TEST(ReadBitmap, IntoBufferTooSmallFails)
{
    for (size_t size : {1u, 9u, 17u}) {
        const ReadResult r = read_bytes(small_24bit_file(), true, Bytes(size, 0xEE));
        EXPECT_LT(r.result, 0) << size;
        EXPECT_EQ(r.out.rfind("error: ", 0), 0u) << r.out;
    }
}

TEST(ReadBitmap, IntoPaletteTooSmallFails)
{
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "in.bmp",
                          bmp_test::bmp_file(bmp_test::v3_fields(4, 1, 8, 1078, 4),
                                             bmp_test::counting_palette(256), {{1, 2, 3, 4}}));
    UniqueFile fp = open_file((dir / "in.bmp").c_str(), "rb");
    BmpHeader h;
    Bytes palette(64, 0xEE), pixels;
    int result = 0;
    const std::string out =
        captured_stdout([&] { result = read_bitmap(fp.get(), h, &palette, &pixels, 0); });
    EXPECT_LT(result, 0);
    EXPECT_EQ(out.rfind("error: ", 0), 0u) << out;
}

TEST(ReadBitmap, WarningsDoNotStopIt)
{
    BmpFields f = bmp_test::v3_fields(3, 2, 24, 54, 0);
    f.file_size = 0;
    const ReadResult r = read_bytes(bmp_test::bmp_file(f, {}, {Bytes(12, 1), Bytes(12, 2)}));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.out,
              "warning: check_bitmap_header() - data length is 0 ... corrected: 0x18\n"
              "warning: check_bitmap_header() - file length is 0\n");
    EXPECT_EQ(r.header.image_size, 24u);
    ASSERT_EQ(r.pixels.size(), 18u);
    EXPECT_EQ(r.pixels[0], 2);
    EXPECT_EQ(r.pixels[17], 1);
}

TEST(ReadBitmap, FileLengthFieldLargerOnlyWarns)
{
    BmpFields f = bmp_test::v3_fields(3, 2, 24, 54, 24);
    f.file_size += 2;
    const ReadResult r = read_bytes(bmp_test::bmp_file(f, {}, {Bytes(12, 1), Bytes(12, 2)}));
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.out, "warning: check_bitmap_header() - file length 0x50 > 0x4E\n");
}

// ---- sheets: read_shape_bitmap and read_mask_bitmap --------------------------

// Messages and result of a sheet read, with the path in the messages.
struct SheetRead {
    int result = 99;
    std::string out;
    std::string path;
    ShapeSet set;
};

SheetRead read_sheet(const Bytes& file, uint32_t rows)
{
    vorn_test::TempDir dir;
    SheetRead r;
    r.path = (dir / "sheet.bmp").string();
    vorn_test::write_file(r.path, file);
    r.out = captured_stdout([&] { r.result = read_shape_bitmap(r.path.c_str(), r.set, 16, rows); });
    return r;
}

SheetRead read_mask(const Bytes& file, uint32_t tile_width, uint32_t tile_height, uint32_t rows)
{
    vorn_test::TempDir dir;
    SheetRead r;
    r.path = (dir / "mask.bmp").string();
    vorn_test::write_file(r.path, file);
    r.out = captured_stdout(
        [&] { r.result = read_mask_bitmap(r.path.c_str(), r.set, tile_width, tile_height, 16, rows); });
    return r;
}

// File rows for a sheet of the given size at 8 bits and more whose every
// byte tells its place: file row r, byte j holds (r * 16 + j) mod 251.
std::vector<Bytes> numbered_rows(uint32_t row_bytes, uint32_t height)
{
    std::vector<Bytes> rows(height, Bytes(row_bytes));
    for (uint32_t r = 0; r < height; ++r)
        for (uint32_t j = 0; j < row_bytes; ++j) rows[r][j] = static_cast<uint8_t>((r * 16 + j) % 251);
    return rows;
}

struct SheetCase {
    uint16_t bits;
    uint32_t bytes_per_pixel;
    uint32_t palette_entries;
};

class ShapeSheet : public testing::TestWithParam<SheetCase> {};

// A 32 x 4 sheet with 16 columns and 2 rows: tiles of 2 x 2 pixels.
TEST_P(ShapeSheet, TilesAndLayout)
{
    const SheetCase& c = GetParam();
    const uint32_t row_bytes = static_cast<uint32_t>(bitmap_row_bytes(32, c.bits));
    const uint32_t offset = 54 + 4 * c.palette_entries;
    const Bytes palette = bmp_test::counting_palette(static_cast<int>(c.palette_entries), 7);
    const std::vector<Bytes> rows = numbered_rows(row_bytes, 4);
    const SheetRead r = read_sheet(
        bmp_test::bmp_file(bmp_test::v3_fields(32, 4, c.bits, offset, row_bytes * 4), palette, rows), 2);
    ASSERT_EQ(r.result, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.set.tile_width, 2u);
    EXPECT_EQ(r.set.tile_height, 2u);
    EXPECT_EQ(r.set.columns, 16u);
    EXPECT_EQ(r.set.rows, 2u);
    EXPECT_EQ(r.set.bits_per_pixel, c.bits);
    EXPECT_EQ(r.set.bytes_per_pixel, c.bytes_per_pixel);
    EXPECT_EQ(r.set.palette, palette);
    ASSERT_EQ(r.set.pixels.size(), 32u * 4 * c.bytes_per_pixel);

    if (c.bytes_per_pixel == 1 && c.bits < 8) return;  // packed rows: see PackedSheet
    // Shape 17 (tile column 1, tile row 1), its pixel (1, 0): picture row 2,
    // column 3, which lies in file row 1.
    const size_t at = shape_row_offset(r.set, 17, 0) + 1 * c.bytes_per_pixel;
    for (uint32_t k = 0; k < c.bytes_per_pixel; ++k)
        EXPECT_EQ(r.set.pixels[at + k], rows[1][3 * c.bytes_per_pixel + k]) << k;
    // Shape 15, pixel (0, 1): picture row 1, column 30, file row 2.
    const size_t at2 = shape_row_offset(r.set, 15, 1);
    for (uint32_t k = 0; k < c.bytes_per_pixel; ++k)
        EXPECT_EQ(r.set.pixels[at2 + k], rows[2][30 * c.bytes_per_pixel + k]) << k;
}

INSTANTIATE_TEST_SUITE_P(BitCounts, ShapeSheet,
                         testing::Values(SheetCase{1, 1, 2}, SheetCase{4, 1, 16}, SheetCase{8, 1, 256},
                                         SheetCase{16, 2, 0}, SheetCase{24, 3, 0}, SheetCase{32, 4, 0}),
                         [](const testing::TestParamInfo<SheetCase>& info) {
                             return std::to_string(info.param.bits) + "bit";
                         });

TEST(PackedSheet, OneAndFourBitPixelsLandInTheirShapes)
{
    // 1 bit, 32 x 2, one row of 2 x 2 tiles. Set: picture row 0 pixels 1 and
    // 30, picture row 1 pixels 0 and 31.
    const SheetRead one = read_sheet(
        bmp_test::bmp_file(bmp_test::v3_fields(32, 2, 1, 62, 8), bmp_test::counting_palette(2),
                           {{0x80, 0x00, 0x00, 0x01}, {0x40, 0x00, 0x00, 0x02}}),
        1);
    ASSERT_EQ(one.result, 0) << one.out;
    Bytes expected(64, 0);
    expected[shape_row_offset(one.set, 0, 0) + 1] = 1;
    expected[shape_row_offset(one.set, 15, 0) + 0] = 1;
    expected[shape_row_offset(one.set, 0, 1) + 0] = 1;
    expected[shape_row_offset(one.set, 15, 1) + 1] = 1;
    EXPECT_EQ(one.set.pixels, expected);

    // 4 bits, 32 x 2: the first pixels of each row and the last two.
    Bytes bottom(16, 0), top(16, 0);
    bottom[0] = 0x12;
    bottom[15] = 0xEF;
    top[0] = 0xA0;
    top[15] = 0x0B;
    const SheetRead four = read_sheet(
        bmp_test::bmp_file(bmp_test::v3_fields(32, 2, 4, 118, 32), bmp_test::counting_palette(16),
                           {bottom, top}),
        1);
    ASSERT_EQ(four.result, 0) << four.out;
    Bytes expected4(64, 0);
    expected4[shape_row_offset(four.set, 0, 0) + 0] = 0xA;
    expected4[shape_row_offset(four.set, 15, 0) + 1] = 0xB;
    expected4[shape_row_offset(four.set, 0, 1) + 0] = 0x1;
    expected4[shape_row_offset(four.set, 0, 1) + 1] = 0x2;
    expected4[shape_row_offset(four.set, 15, 1) + 0] = 0xE;
    expected4[shape_row_offset(four.set, 15, 1) + 1] = 0xF;
    EXPECT_EQ(four.set.pixels, expected4);
}

TEST(ShapeSheet, FullSizeEightBitSheet)
{
    const SheetRead r = read_sheet(bmp_test::bmp_file(bmp_test::v3_fields(256, 256, 8, 1078, 65536),
                                                      bmp_test::counting_palette(256),
                                                      numbered_rows(256, 256)),
                                   16);
    ASSERT_EQ(r.result, 0) << r.out;
    EXPECT_EQ(r.set.tile_width, 16u);
    EXPECT_EQ(r.set.tile_height, 16u);
    EXPECT_EQ(r.set.bytes_per_pixel, 1u);
    EXPECT_EQ(r.set.palette.size(), 1024u);
    // Shape 255, its last pixel row (picture row 255, the file's first row).
    EXPECT_EQ(r.set.pixels[shape_row_offset(r.set, 255, 15) + 15], 255 % 251);
}

TEST(ShapeSheet, TallerSheetKeepsItsSpareRows)
{
    // 256 x 300 with 16 rows: tiles 18 high, the last 12 pixel rows unused.
    const std::vector<Bytes> rows = numbered_rows(256, 300);
    const SheetRead r = read_sheet(bmp_test::bmp_file(bmp_test::v3_fields(256, 300, 8, 1078, 256 * 300),
                                                      bmp_test::counting_palette(256), rows),
                                   16);
    ASSERT_EQ(r.result, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.set.tile_width, 16u);
    EXPECT_EQ(r.set.tile_height, 18u);
    EXPECT_EQ(r.set.rows, 16u);
    ASSERT_GE(r.set.pixels.size(), 256u * 300);
    // Shape 255, pixel (15, 17): picture row 287, which is file row 12.
    EXPECT_EQ(r.set.pixels[shape_row_offset(r.set, 255, 17) + 15], rows[12][255]);
    // Shape 16, pixel (0, 0): picture row 18, file row 281.
    EXPECT_EQ(r.set.pixels[shape_row_offset(r.set, 16, 0)], rows[281][0]);
}

TEST(ShapeSheet, RefusedSizes)
{
    const struct {
        uint32_t width, height;
        const char* out;
    } cases[] = {
        {250, 256, "error: illegal shape bitmap size\n"},
        {15, 256, "error: shape bitmap is too small\n"},
        {256, 15, "error: shape bitmap is too small\n"},
        {33, 16, "error: illegal shape bitmap size\n"},
    };
    for (const auto& c : cases) {
        const uint32_t row = static_cast<uint32_t>(bitmap_row_bytes(c.width, 8));
        const SheetRead r = read_sheet(
            bmp_test::bmp_file(bmp_test::v3_fields(c.width, c.height, 8, 1078, row * c.height),
                               bmp_test::counting_palette(256), numbered_rows(row, c.height)),
            16);
        EXPECT_EQ(r.result, -1) << c.width << "x" << c.height;
        EXPECT_EQ(r.out, c.out) << c.width << "x" << c.height;
    }
}

// Failure chains of a sheet read: the inner message, then the path.
struct ChainCase {
    const char* name;
    Bytes (*file)();
    const char* inner;  // lines before "error: read '<path>'"
};

class SheetFailure : public testing::TestWithParam<ChainCase> {};

TEST_P(SheetFailure, PrintsTheChainInnermostFirst)
{
    const ChainCase& c = GetParam();
    const SheetRead r = read_sheet(c.file(), 1);
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.out, std::string(c.inner) + "error: read '" + r.path + "'\n");
    const SheetRead m = read_mask(c.file(), 2, 1, 1);
    EXPECT_EQ(m.result, -1);
    EXPECT_EQ(m.out, std::string(c.inner) + "error: read '" + m.path + "'\n");
}

// A 32 x 1, 8-bit sheet cut or spoiled in various ways.
Bytes sheet_8bit(uint32_t palette_bytes, uint32_t row_bytes)
{
    Bytes file = bmp_test::header_bytes(bmp_test::v3_fields(32, 1, 8, 1078, 32));
    file.resize(54 + palette_bytes, 0x11);
    file.resize(54 + palette_bytes + row_bytes, 0x22);
    return file;
}

const char kBadHeader[] = "error: read_bitmap() - can't read bitmap header\n";

const ChainCase kChainCases[] = {
    {"empty", [] { return Bytes{}; }, kBadHeader},
    {"53_bytes",
     [] {
         Bytes f = sheet_8bit(0, 0);
         f.resize(53);
         return f;
     },
     kBadHeader},
    {"not_bm",
     [] {
         Bytes f = sheet_8bit(1024, 32);
         f[0] = 'M';
         f[1] = 'B';
         return f;
     },
     kBadHeader},
    {"planes_2",
     [] {
         BmpFields f = bmp_test::v3_fields(32, 1, 8, 1078, 32);
         f.planes = 2;
         return bmp_test::bmp_file(f, Bytes(1024), {Bytes(32)});
     },
     kBadHeader},
    {"compressed",
     [] {
         BmpFields f = bmp_test::v3_fields(32, 1, 8, 1078, 32);
         f.compression = 1;
         return bmp_test::bmp_file(f, Bytes(1024), {Bytes(32)});
     },
     "error: check_bitmap_header() - not support compression\n"
     "error: read_bitmap() - can't read bitmap header\n"},
    {"colors_used_16",
     [] {
         BmpFields f = bmp_test::v3_fields(32, 1, 8, 118, 32);
         f.colors_used = 16;
         return bmp_test::bmp_file(f, Bytes(64), {Bytes(32)});
     },
     "error: check_bitmap_header() - offset size 0x76 != 0x436\n"
     "error: read_bitmap() - can't read bitmap header\n"},
    {"palette_cut", [] { return sheet_8bit(1000, 0); }, "error: read_bitmap() - can't read palette\n"},
    {"no_rows", [] { return sheet_8bit(1024, 0); }, "error: read_bitmap() - can't read bitmap data\n"},
    {"row_cut", [] { return sheet_8bit(1024, 31); }, "error: read_bitmap() - can't read bitmap data\n"},
    {"rows_cut_field_larger",  // only the field is compared, never the real length
     [] {
         BmpFields f = bmp_test::v3_fields(32, 2, 8, 1078, 64);
         f.file_size += 2;
         return bmp_test::bmp_file(f, Bytes(1024), {Bytes(32)});
     },
     "warning: check_bitmap_header() - file length 0x478 > 0x476\n"
     "error: read_bitmap() - can't read bitmap data\n"},
};

INSTANTIATE_TEST_SUITE_P(Files, SheetFailure, testing::ValuesIn(kChainCases),
                         [](const testing::TestParamInfo<ChainCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SheetFailure, MissingFile)
{
    vorn_test::TempDir dir;
    const std::string path = (dir / "none.bmp").string();
    ShapeSet set, mask;
    int r1 = 0, r2 = 0;
    const std::string out = captured_stdout([&] {
        r1 = read_shape_bitmap(path.c_str(), set, 16, 16);
        r2 = read_mask_bitmap(path.c_str(), mask, 2, 2, 16, 16);
    });
    EXPECT_EQ(r1, -1);
    EXPECT_EQ(r2, -1);
    EXPECT_EQ(out, "error: open '" + path + "'\nerror: open '" + path + "'\n");
}

TEST(MaskSheet, GreyLevelsAroundTheMiddle)
{
    // 32 x 1, 24 bits, tiles 2 x 1: black, white, 128 grey, 127 grey, then
    // pure red, pure green, pure blue and a light colour, the rest black.
    Bytes row(96, 0);
    const uint8_t bgr[][3] = {{0, 0, 0},       {255, 255, 255}, {128, 128, 128}, {127, 127, 127},
                              {0, 0, 255},     {0, 255, 0},     {255, 0, 0},     {200, 150, 100}};
    for (size_t i = 0; i < 8; ++i)
        for (size_t k = 0; k < 3; ++k) row[i * 3 + k] = bgr[i][k];
    const SheetRead r =
        read_mask(bmp_test::bmp_file(bmp_test::v3_fields(32, 1, 24, 54, 96), {}, {row}), 2, 1, 1);
    ASSERT_EQ(r.result, 0) << r.out;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.set.tile_width, 2u);
    EXPECT_EQ(r.set.tile_height, 1u);
    EXPECT_EQ(r.set.columns, 16u);
    EXPECT_EQ(r.set.rows, 1u);
    EXPECT_EQ(r.set.bits_per_pixel, 1u);
    EXPECT_EQ(r.set.bytes_per_pixel, 1u);
    EXPECT_EQ(r.set.palette, Bytes(kBlackWhitePalette, kBlackWhitePalette + 8));
    Bytes expected(32, 0);
    expected[1] = 1;
    expected[2] = 1;
    expected[7] = 1;
    EXPECT_EQ(r.set.pixels, expected);
}

TEST(MaskSheet, IndexedMaskGoesThroughItsPalette)
{
    // 4 bits, 32 x 2, tiles 2 x 2: palette entry 0 white, 1 black, 2 dark
    // grey, 3 light grey, the rest white.
    Bytes palette(64, 255);
    const uint8_t entries[4][4] = {
        {255, 255, 255, 0}, {0, 0, 0, 0}, {60, 60, 60, 0}, {190, 190, 190, 0}};
    for (size_t i = 0; i < 4; ++i)
        for (size_t k = 0; k < 4; ++k) palette[i * 4 + k] = entries[i][k];
    Bytes bottom(16, 0x00), top(16, 0x00);
    top[0] = 0x12;   // black, dark grey
    top[1] = 0x3F;   // light grey, white
    bottom[15] = 0x11;
    const SheetRead r = read_mask(
        bmp_test::bmp_file(bmp_test::v3_fields(32, 2, 4, 118, 32), palette, {bottom, top}), 2, 2, 1);
    ASSERT_EQ(r.result, 0) << r.out;
    Bytes expected(64, 1);
    expected[0] = 0;
    expected[1] = 0;
    expected[32 + 30] = 0;
    expected[32 + 31] = 0;
    EXPECT_EQ(r.set.pixels, expected);
}

TEST(MaskSheet, SizeMustMatchTheShapes)
{
    const Bytes file =
        bmp_test::bmp_file(bmp_test::v3_fields(32, 2, 24, 54, 192), {}, {Bytes(96), Bytes(96)});
    const struct {
        uint32_t tile_width, tile_height, rows;
    } cases[] = {{2, 1, 1}, {2, 1, 3}, {1, 2, 1}, {4, 2, 1}, {2, 4, 1}};
    for (const auto& c : cases) {
        const SheetRead r = read_mask(file, c.tile_width, c.tile_height, c.rows);
        EXPECT_EQ(r.result, -1);
        EXPECT_EQ(r.out, "error: illegal mask bitmap size\n");
    }
    // Tile sizes whose products with the columns or rows wrap at 32 bits.
    const struct {
        uint32_t tile_width, tile_height, rows;
    } wrapping[] = {{0x10000002u, 2, 1}, {2, 0x80000001u, 2}};
    for (const auto& c : wrapping) {
        const SheetRead r = read_mask(file, c.tile_width, c.tile_height, c.rows);
        EXPECT_EQ(r.result, -1);
        EXPECT_EQ(r.out, "error: illegal mask bitmap size\n");
    }
    EXPECT_EQ(read_mask(file, 2, 2, 1).result, 0);
    EXPECT_EQ(read_mask(file, 2, 1, 2).result, 0);
}

// ---- headers that declare huge pictures ----------------------------------------

// Read through bmp_probe, whose allocations are capped at 1 GiB: a reader
// that tried to allocate the declared size gets std::bad_alloc there.
struct HugeCase {
    const char* name;
    BmpFields fields;
    uint32_t palette_bytes;
    uint32_t row_bytes;  // real rows in the file after the palette
};

BmpFields huge_fields(uint32_t width, uint32_t height, uint16_t bits, uint32_t offset, uint32_t image,
                      uint32_t file)
{
    BmpFields f = bmp_test::v3_fields(width, height, bits, offset, image);
    f.file_size = file;
    return f;
}

class HugeHeader : public testing::TestWithParam<HugeCase> {};

TEST_P(HugeHeader, RefusedWithoutCrashOrHugeBuffer)
{
    const HugeCase& c = GetParam();
    vorn_test::TempDir dir;
    Bytes file = bmp_test::header_bytes(c.fields);
    file.resize(file.size() + c.palette_bytes + c.row_bytes, 0x5A);
    vorn_test::write_file(dir / "in.bmp", file);
    for (const char* mode : {"read", "sheet"}) {
        const auto run = vorn_test::run_tool("bmp_probe", {mode, "in.bmp"}, dir.path());
        ASSERT_EQ(run.status, 0) << mode << ": the probe did not end normally\n" << run.out;
        EXPECT_EQ(run.out.rfind("error: ", 0), 0u) << mode << ":\n" << run.out;
        EXPECT_NE(run.out.find("\nresult -"), std::string::npos) << mode << ":\n" << run.out;
        EXPECT_LT(bmp_test::probe_largest_allocation(run.out), size_t{1} << 26)
            << mode << ": asked for a buffer of the declared size";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, HugeHeader,
    testing::Values(
        // A top-down file: height -1 read as unsigned, both length fields 0.
        HugeCase{"top_down_24bit", huge_fields(4, 0xFFFFFFFFu, 24, 54, 0, 0), 0, 24},
        HugeCase{"top_down_8bit", huge_fields(16, 0xFFFFFFF0u, 8, 1078, 0, 0), 1024, 64},
        // Row length times height wraps at 32 bits to a small length.
        HugeCase{"wide_32bit", huge_fields(0x40000000u, 1, 32, 54, 0, 0), 0, 64},
        HugeCase{"wide_24bit", huge_fields(0x55555556u, 2, 24, 54, 0, 0), 0, 64},
        HugeCase{"wrap_to_stated", huge_fields(0x40000001u, 4, 32, 54, 16, 70), 0, 64},
        // Row length times height wraps at 64 bits: to 0, and to 2^31.
        HugeCase{"wraps_64_bits_to_0", huge_fields(0x80000000u, 0x80000000u, 32, 54, 0, 0), 0, 64},
        HugeCase{"wraps_64_bits_to_2GiB",
                 huge_fields(0x80000000u, 2863311531u, 24, 54, 0x80000000u, 54 + 0x80000000u), 0, 64},
        // Lengths that fit the fields, but one byte per pixel passes 4 GiB
        // (2^32 + 2^19 pixels): a 32-bit product would give one row's worth.
        HugeCase{"one_bit_pixels_past_4GiB",
                 huge_fields(0x80000u, 8193, 1, 62, 0x10000u * 8193, 62 + 0x10000u * 8193), 8, 0x20000},
        HugeCase{"four_bit_pixels_past_4GiB",
                 huge_fields(0x20000u, 0x8001u, 4, 118, 0x10000u * 0x8001u, 118 + 0x10000u * 0x8001u),
                 64, 0x20000}),
    [](const testing::TestParamInfo<HugeCase>& info) { return std::string(info.param.name); });

}  // namespace
