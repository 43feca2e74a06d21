// The PC-98 and X68000 pattern loaders: tables, decoders on hand-built
// patterns, masks, the speckle and the chains of failure lines.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "fat12_writer.h"
#include "sample_ports.h"
#include "shapes.h"
#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using sample::FloppyKind;
using vorn_test::TempDir;

constexpr size_t kPc98Sheet = size_t{kPc98SheetWidth} * kPc98SheetHeight;
constexpr size_t kX68kSheet = size_t{kX68kSheetWidth} * kX68kSheetHeight;

uint8_t pc98_pixel(const std::vector<uint8_t>& sheet, uint32_t n, uint32_t x, uint32_t y)
{
    return sheet[((n / 16) * 32 + y) * 512 + (n % 16) * 32 + x];
}

uint8_t x68k_pixel(const std::vector<uint8_t>& sheet, uint32_t n, uint32_t x, uint32_t y)
{
    return sheet[((n / 16) * 36 + y) * 576 + (n % 16) * 36 + x];
}

// Sets pixel (x, y) in plane p of the PC-98 pattern of shape n.
void set_plane_bit(std::vector<uint8_t>& oc, std::vector<uint8_t>& sw, uint32_t n, uint32_t p, uint32_t x,
                   uint32_t y)
{
    const Pc98PatternRow& row = pc98_pattern_table[n];
    std::vector<uint8_t>& file = row.file == Pc98PatternFile::kOcshape ? oc : sw;
    file[row.offset + p * 128 + y * 4 + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

std::string capture(const std::function<int()>& call, int* result)
{
    testing::internal::CaptureStdout();
    *result = call();
    return testing::internal::GetCapturedStdout();
}

// ---- tables ------------------------------------------------------------------

TEST(PatternTables, Pc98PatternsCoverTheFilesExactlyOnce)
{
    std::vector<int> oc(kPc98OcshapeBytes, 0), sw(kPc98SwshapeBytes, 0);
    for (uint32_t n = 0; n < kPc98Shapes; ++n) {
        const Pc98PatternRow& row = pc98_pattern_table[n];
        if (row.file == Pc98PatternFile::kNone) continue;
        std::vector<int>& use = row.file == Pc98PatternFile::kOcshape ? oc : sw;
        ASSERT_LE(row.offset + row.planes * 128, use.size()) << n;
        for (uint32_t i = 0; i < row.planes * 128u; ++i) ++use[row.offset + i];
    }
    for (size_t i = 0; i < oc.size(); ++i) ASSERT_EQ(oc[i], i < 512 ? 0 : 1) << "ocshape.pat byte " << i;
    for (size_t i = 0; i < sw.size(); ++i) ASSERT_EQ(sw[i], 1) << "swshape.pat byte " << i;
}

TEST(PatternTables, ShapesWithoutPatterns)
{
    std::vector<uint32_t> pc98_none, x68k_none;
    for (uint32_t n = 0; n < kPc98Shapes; ++n)
        if (pc98_pattern_table[n].file == Pc98PatternFile::kNone) pc98_none.push_back(n);
    for (uint32_t n = 0; n < kX68kShapes; ++n)
        if (x68k_pattern_table[n] < 0) x68k_none.push_back(n);
    const std::vector<uint32_t> common = {68, 69, 70, 71, 270, 271, 272, 300, 301, 302, 303, 304, 320};
    std::vector<uint32_t> expect_pc98 = common, expect_x68k = common;
    for (uint32_t n = 364; n < 368; ++n) expect_pc98.push_back(n);
    for (uint32_t n = 341; n < 352; ++n) expect_x68k.push_back(n);
    EXPECT_EQ(pc98_none, expect_pc98);
    EXPECT_EQ(x68k_none, expect_x68k);
}

TEST(PatternTables, X68kShowsEachPatternOnce)
{
    std::vector<int> use(kX68kPatterns, 0);
    for (uint32_t n = 0; n < kX68kShapes; ++n)
        if (x68k_pattern_table[n] >= 0) ++use.at(static_cast<size_t>(x68k_pattern_table[n]));
    EXPECT_EQ(use, std::vector<int>(kX68kPatterns, 1));
    EXPECT_EQ(x68k_pattern_table[336], 204);
    EXPECT_EQ(x68k_pattern_table[337], 327);
    EXPECT_EQ(x68k_pattern_table[11], 12);
    EXPECT_EQ(x68k_pattern_table[12], 14);
    EXPECT_EQ(x68k_pattern_table[131], 142);
}

TEST(PatternTables, Pc98RowsAtRunEdges)
{
    struct Case {
        uint32_t n;
        Pc98PatternFile file;
        uint32_t planes, offset;
    };
    const Case cases[] = {
        {0, Pc98PatternFile::kOcshape, 3, 512},       {10, Pc98PatternFile::kOcshape, 3, 4352},
        {12, Pc98PatternFile::kOcshape, 3, 5888},     {20, Pc98PatternFile::kOcshape, 4, 11904},
        {132, Pc98PatternFile::kSwshape, 4, 0},       {139, Pc98PatternFile::kSwshape, 4, 3584},
        {142, Pc98PatternFile::kSwshape, 4, 4096},    {255, Pc98PatternFile::kSwshape, 4, 61952},
        {267, Pc98PatternFile::kOcshape, 4, 64640},   {363, Pc98PatternFile::kOcshape, 4, 107648},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pc98_pattern_table[c.n].file, c.file) << c.n;
        EXPECT_EQ(pc98_pattern_table[c.n].planes, c.planes) << c.n;
        EXPECT_EQ(pc98_pattern_table[c.n].offset, c.offset) << c.n;
    }
}

// ---- decoding ----------------------------------------------------------------

TEST(DecodePc98, PlanesGiveTheColourIndex)
{
    struct Case {
        uint32_t shape;
        std::vector<uint32_t> planes;  // planes in which the pixel's bit is set
        uint32_t x, y;
        uint8_t index;
    };
    const Case cases[] = {
        {0, {2}, 0, 0, 4},        // third plane of three: green
        {0, {0}, 31, 0, 1},       // first plane of three: blue
        {0, {0, 1, 2}, 5, 31, 7}, // all three: white, opaque
        {16, {2}, 1, 0, 2},       // third plane of four: red
        {16, {0}, 8, 3, 8},       // first plane of four: transparent black
        {16, {0, 1, 2, 3}, 31, 31, 15},
        {16, {3}, 7, 7, 4},
        {132, {1, 3}, 9, 17, 5},  // from swshape.pat
        {255, {0, 2}, 30, 30, 10},
        {363, {0, 1}, 0, 31, 9},
        {339, {1}, 16, 16, 2},
    };
    std::vector<uint8_t> oc(kPc98OcshapeBytes, 0), sw(kPc98SwshapeBytes, 0);
    for (const Case& c : cases)
        for (uint32_t p : c.planes) set_plane_bit(oc, sw, c.shape, p, c.x, c.y);
    std::vector<uint8_t> sheet(kPc98Sheet, 0);
    ASSERT_EQ(decode_pc98_patterns(sheet, oc, sw), 0);
    size_t set_pixels = 0;
    for (uint8_t v : sheet) set_pixels += v != 0;
    EXPECT_EQ(set_pixels, std::size(cases));
    for (const Case& c : cases)
        EXPECT_EQ(pc98_pixel(sheet, c.shape, c.x, c.y), c.index) << c.shape << " " << c.x << "," << c.y;
}

TEST(DecodePc98, ShortBuffersDecodeNothing)
{
    std::vector<uint8_t> oc(kPc98OcshapeBytes, 0xFF), sw(kPc98SwshapeBytes, 0xFF);
    std::vector<uint8_t> sheet(kPc98Sheet, 0);
    const std::vector<uint8_t> short_oc(kPc98OcshapeBytes - 1, 0xFF), short_sw(kPc98SwshapeBytes - 1, 0xFF);
    EXPECT_EQ(decode_pc98_patterns(sheet, short_oc, sw), -1);
    EXPECT_EQ(decode_pc98_patterns(sheet, oc, short_sw), -1);
    EXPECT_EQ(decode_pc98_patterns(std::span<uint8_t>(sheet).first(kPc98Sheet - 1), oc, sw), -1);
    EXPECT_EQ(sheet, std::vector<uint8_t>(kPc98Sheet, 0));
}

TEST(DecodeX68k, NibblesAreLeftThenRightPixel)
{
    std::vector<uint8_t> file(kX68kShapeBytes, 0);
    file[0] = 0x9A;                               // pattern 0, shape 0, pixels 0 and 1 of row 0
    file[204 * 648 + 35 * 18 + 17] = 0x3F;        // shape 336, last byte of its last row
    file[327 * 648 + 18] = 0x70;                  // shape 337, row 1
    file[12 * 648 + 5 * 18 + 4] = 0x0C;           // shape 11, row 5, pixels 8 and 9
    std::vector<uint8_t> sheet(kX68kSheet, 0xEE);  // stored, not ORed
    ASSERT_EQ(decode_x68k_patterns(sheet, file), 0);
    EXPECT_EQ(x68k_pixel(sheet, 0, 0, 0), 9);
    EXPECT_EQ(x68k_pixel(sheet, 0, 1, 0), 10);
    EXPECT_EQ(x68k_pixel(sheet, 0, 2, 0), 0);
    EXPECT_EQ(x68k_pixel(sheet, 336, 34, 35), 3);
    EXPECT_EQ(x68k_pixel(sheet, 336, 35, 35), 15);
    EXPECT_EQ(x68k_pixel(sheet, 337, 0, 1), 7);
    EXPECT_EQ(x68k_pixel(sheet, 337, 1, 1), 0);
    EXPECT_EQ(x68k_pixel(sheet, 11, 8, 5), 0);
    EXPECT_EQ(x68k_pixel(sheet, 11, 9, 5), 12);
    // Shapes without a pattern keep what the sheet held.
    EXPECT_EQ(x68k_pixel(sheet, 68, 0, 0), 0xEE);
    EXPECT_EQ(x68k_pixel(sheet, 351, 35, 35), 0xEE);
    EXPECT_EQ(decode_x68k_patterns(sheet, std::span<const uint8_t>(file).first(kX68kShapeBytes - 1)), -1);
}

// ---- the speckle -----------------------------------------------------------

TEST(ShapeRandom, FollowsTheDocumentedGenerator)
{
    shape_random_restart(1);
    // state = state * 214013 + 2531011 (mod 2^32), yielding bits 16-30.
    const int expected[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358};
    for (int e : expected) EXPECT_EQ(shape_random(), e);
    uint32_t state = 1;
    shape_random_restart(1);
    for (int i = 0; i < 10000; ++i) {
        state = state * 214013u + 2531011u;
        ASSERT_EQ(shape_random(), static_cast<int>((state >> 16) & 0x7FFF));
    }
}

class Speckle : public ::testing::TestWithParam<uint32_t> {};

TEST_P(Speckle, SameRandomPatternInFourColours)
{
    const uint32_t t = GetParam();
    std::vector<uint8_t> sheet(size_t{16} * t * (t == 32 ? 23 : 22) * t, 0x77);
    shape_random_restart(1);
    ASSERT_EQ(speckle_shapes(sheet, t), 0);
    const int next = shape_random();
    shape_random_restart(1);
    int coloured = 0;
    const uint8_t colours[4] = {4, 1, 2, 3};
    for (uint32_t y = 0; y < t; ++y)
        for (uint32_t x = 0; x < t; ++x) {
            const bool on = shape_random() > 16382;
            coloured += on;
            for (uint32_t i = 0; i < 4; ++i) {
                const uint32_t n = 68 + i;
                ASSERT_EQ(sheet[((n / 16) * t + y) * 16 * t + (n % 16) * t + x], on ? colours[i] : 0);
            }
        }
    EXPECT_EQ(shape_random(), next) << "draws t x t numbers, no more";
    EXPECT_GT(coloured, 0);
    EXPECT_LT(coloured, static_cast<int>(t * t));
    // Neighbouring shapes are untouched.
    EXPECT_EQ(sheet[(4 * t) * 16 * t + 3 * t + t - 1], 0x77);
    EXPECT_EQ(sheet[(4 * t) * 16 * t + 8 * t], 0x77);
    EXPECT_EQ(speckle_shapes(std::span<uint8_t>(sheet).first(size_t{16} * t * 5 * t - 1), t), -1);
}

INSTANTIATE_TEST_SUITE_P(TileSizes, Speckle, ::testing::Values(32u, 36u));

// ---- loading from disk images ------------------------------------------------

struct Disks {
    TempDir dir;
    fs::path write(const std::string& name, FloppyKind kind, const std::vector<sample::FloppyFile>& files,
                   uint32_t offset)
    {
        const fs::path path = dir / name;
        vorn_test::write_file(path, sample::fat12_image(kind, files, offset));
        return path;
    }
};

TEST(LoadPc98, DecodesBothFilesAndDerivesTheMask)
{
    std::vector<uint8_t> oc(kPc98OcshapeBytes, 0), sw(kPc98SwshapeBytes, 0);
    set_plane_bit(oc, sw, 0, 2, 3, 4);                                // 3 planes: 4, opaque
    for (uint32_t p = 0; p < 4; ++p) set_plane_bit(oc, sw, 16, p, 0, 0);  // 15, transparent
    set_plane_bit(oc, sw, 16, 2, 1, 0);                               // 2, opaque
    set_plane_bit(oc, sw, 200, 0, 31, 31);                            // 8, transparent
    Disks disks;
    const fs::path d1 = disks.write("arv.fdi", FloppyKind::k2HD1232K, {{"OCSHAPE.PAT", oc}}, 4096);
    const fs::path d2 = disks.write("mor.fdi", FloppyKind::k2DD640K, {{"MAP.BIN", {1, 2}}, {"SWSHAPE.PAT", sw}}, 4096);
    ShapeSet shapes;
    ShapeMask mask;
    shapes.columns = 3;  // left as the caller put it
    int result = 0;
    const std::string out = capture(
        [&] { return load_pc98_shapes(d1.string().c_str(), d2.string().c_str(), 4096, shapes, &mask, 0); }, &result);
    ASSERT_EQ(result, 0) << out;
    EXPECT_EQ(out, "");
    EXPECT_EQ(shapes.tile_width, 32u);
    EXPECT_EQ(shapes.tile_height, 32u);
    EXPECT_EQ(shapes.columns, 3u);
    EXPECT_EQ(shapes.rows, 0u);
    EXPECT_EQ(shapes.bits_per_pixel, 4u);
    EXPECT_EQ(shapes.bytes_per_pixel, 1u);
    ASSERT_EQ(shapes.pixels.size(), 376832u);
    EXPECT_EQ(shapes.palette, std::vector<uint8_t>(std::begin(kPortShapePalette), std::end(kPortShapePalette)));
    EXPECT_EQ(mask.tile_width, 32u);
    EXPECT_EQ(mask.bits_per_pixel, 1u);
    EXPECT_EQ(mask.bytes_per_pixel, 1u);
    ASSERT_EQ(mask.pixels.size(), 376832u);
    EXPECT_EQ(mask.palette, (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 255}));

    EXPECT_EQ(pc98_pixel(shapes.pixels, 0, 3, 4), 4);
    EXPECT_EQ(pc98_pixel(shapes.pixels, 16, 0, 0), 15);
    EXPECT_EQ(pc98_pixel(shapes.pixels, 16, 1, 0), 2);
    EXPECT_EQ(pc98_pixel(shapes.pixels, 200, 31, 31), 8);
    EXPECT_EQ(pc98_pixel(mask.pixels, 0, 3, 4), 0);
    EXPECT_EQ(pc98_pixel(mask.pixels, 16, 0, 0), 1);
    EXPECT_EQ(pc98_pixel(mask.pixels, 16, 1, 0), 0);
    EXPECT_EQ(pc98_pixel(mask.pixels, 200, 31, 31), 1);
    size_t transparent = 0, coloured = 0;
    for (uint8_t v : mask.pixels) transparent += v;
    for (uint8_t v : shapes.pixels) coloured += v != 0;
    EXPECT_EQ(transparent, 2u);
    EXPECT_EQ(coloured, 4u);  // no speckle: shapes 68-71 stay 0
}

TEST(LoadPc98, SampleImagesGiveTheSampleShapes)
{
    Disks disks;
    const fs::path d1 = disks.dir / "VORN_Arvelon.fdi", d2 = disks.dir / "VORN_Morvane.fdi";
    vorn_test::write_file(d1, sample::pc98_arvelon_fdi());
    vorn_test::write_file(d2, sample::pc98_morvane_fdi());
    ShapeSet shapes;
    ShapeMask mask;
    shape_random_restart(1);
    int result = 0;
    const std::string out = capture(
        [&] { return load_pc98_shapes(d1.string().c_str(), d2.string().c_str(), 4096, shapes, &mask, 1); }, &result);
    ASSERT_EQ(result, 0) << out;
    for (uint32_t n = 0; n < kPc98Shapes; ++n) {
        if (n >= 68 && n <= 71) continue;
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < 32; ++x) {
                const uint8_t v = sample::port_shape_pixel(n, x, y, 32);
                ASSERT_EQ(pc98_pixel(shapes.pixels, n, x, y), v) << n << " " << x << "," << y;
                ASSERT_EQ(pc98_pixel(mask.pixels, n, x, y), v >= 8 ? 1 : 0);
            }
    }
    int speckled = 0;
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x) speckled += pc98_pixel(shapes.pixels, 69, x, y) == 1;
    EXPECT_GT(speckled, 0);
}

TEST(LoadPc98, FailureChains)
{
    Disks disks;
    const std::vector<uint8_t> oc(kPc98OcshapeBytes, 0), sw(kPc98SwshapeBytes, 0);
    const std::string good1 = disks.write("good1.fdi", FloppyKind::k2HD1232K, {{"OCSHAPE.PAT", oc}}, 4096).string();
    const std::string good2 = disks.write("good2.fdi", FloppyKind::k2HD1232K, {{"SWSHAPE.PAT", sw}}, 4096).string();
    const std::string long1 =
        disks.write("long1.fdi", FloppyKind::k2HD1232K, {{"OCSHAPE.PAT", std::vector<uint8_t>(oc.size() + 1)}}, 4096)
            .string();
    const std::string no_sw = disks.write("nosw.fdi", FloppyKind::k2HD1232K, {{"OCSHAPE.PAT", oc}}, 4096).string();
    const std::string missing = (disks.dir / "missing.fdi").string();
    struct Case {
        std::string disk1, disk2;
        uint32_t offset;
        std::string out;
    };
    const Case cases[] = {
        // The first image failing stops the load before the second is tried.
        {missing, missing, 4096, "open error '" + missing + "'\nerror: read disk image '" + missing + "'\n"},
        {good1, good2, 0, "unsupported image '" + good1 + "'\nerror: read disk image '" + good1 + "'\n"},
        {long1, good2, 4096,
         "file size error 'ocshape.pat' 108161 > 108160\nerror: read disk image '" + long1 + "/ocshape.pat'\n"},
        {good1, missing, 4096, "open error '" + missing + "'\nerror: read disk image '" + missing + "'\n"},
        {good1, no_sw, 4096, "can't find 'swshape.pat'\nerror: read disk image '" + no_sw + "/swshape.pat'\n"},
    };
    for (const Case& c : cases) {
        ShapeSet shapes;
        ShapeMask mask;
        int result = 0;
        const std::string out = capture(
            [&] { return load_pc98_shapes(c.disk1.c_str(), c.disk2.c_str(), c.offset, shapes, &mask, 1); }, &result);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(out, c.out);
        // The buffers handed over stay with the records, still clear.
        EXPECT_EQ(shapes.pixels, std::vector<uint8_t>(376832, 0));
        EXPECT_EQ(mask.pixels.size(), 376832u);
    }
}

TEST(LoadPc98, ShortPatternFileIsAcceptedWithZeroTail)
{
    Disks disks;
    std::vector<uint8_t> oc(kPc98OcshapeBytes - 512, 0xFF), sw(kPc98SwshapeBytes, 0);
    const fs::path d1 = disks.write("a.fdi", FloppyKind::k2HD1232K, {{"OCSHAPE.PAT", oc}}, 4096);
    const fs::path d2 = disks.write("b.fdi", FloppyKind::k2HD1232K, {{"SWSHAPE.PAT", sw}}, 4096);
    ShapeSet shapes;
    int result = 0;
    const std::string out = capture(
        [&] { return load_pc98_shapes(d1.string().c_str(), d2.string().c_str(), 4096, shapes, nullptr, 0); },
        &result);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "file size mismatch 'ocshape.pat' 107648 != 108160 ... ignored\n");
    EXPECT_EQ(pc98_pixel(shapes.pixels, 362, 0, 0), 15);  // fully inside the file
    EXPECT_EQ(pc98_pixel(shapes.pixels, 363, 0, 0), 0);   // its pattern was cut off
}

TEST(LoadX68k, DecodesShapePatAndDerivesTheMask)
{
    std::vector<uint8_t> file(kX68kShapeBytes, 0);
    file[0] = 0x9A;
    file[327 * 648 + 647] = 0x71;
    Disks disks;
    const fs::path d = disks.write("x.xdf", FloppyKind::k2HD1232K, {{"SHAPE.PAT", file}}, 0);
    ShapeSet shapes;
    ShapeMask mask;
    int result = 0;
    const std::string out =
        capture([&] { return load_x68k_shapes(d.string().c_str(), 0, shapes, &mask, 0); }, &result);
    ASSERT_EQ(result, 0) << out;
    EXPECT_EQ(shapes.tile_width, 36u);
    EXPECT_EQ(shapes.tile_height, 36u);
    ASSERT_EQ(shapes.pixels.size(), 456192u);
    ASSERT_EQ(mask.pixels.size(), 456192u);
    EXPECT_EQ(shapes.palette.size(), 64u);
    EXPECT_EQ(mask.palette, (std::vector<uint8_t>{0, 0, 0, 0, 255, 255, 255, 255}));
    EXPECT_EQ(x68k_pixel(shapes.pixels, 0, 0, 0), 9);
    EXPECT_EQ(x68k_pixel(shapes.pixels, 0, 1, 0), 10);
    EXPECT_EQ(x68k_pixel(shapes.pixels, 337, 34, 35), 7);
    EXPECT_EQ(x68k_pixel(shapes.pixels, 337, 35, 35), 1);
    EXPECT_EQ(x68k_pixel(mask.pixels, 0, 0, 0), 1);
    EXPECT_EQ(x68k_pixel(mask.pixels, 0, 1, 0), 1);
    EXPECT_EQ(x68k_pixel(mask.pixels, 337, 34, 35), 0);
    size_t transparent = 0;
    for (uint8_t v : mask.pixels) transparent += v;
    EXPECT_EQ(transparent, 2u);
}

TEST(LoadX68k, SampleImageGivesTheSampleShapes)
{
    Disks disks;
    const fs::path d = disks.dir / "vorn-arvelon.xdf";
    vorn_test::write_file(d, sample::x68k_arvelon_xdf());
    ShapeSet shapes;
    int result = 0;
    const std::string out =
        capture([&] { return load_x68k_shapes(d.string().c_str(), 0, shapes, nullptr, 1); }, &result);
    ASSERT_EQ(result, 0) << out;
    for (uint32_t n = 0; n < kX68kShapes; ++n) {
        if (n >= 68 && n <= 71) continue;
        for (uint32_t y = 0; y < 36; ++y)
            for (uint32_t x = 0; x < 36; ++x)
                ASSERT_EQ(x68k_pixel(shapes.pixels, n, x, y), sample::port_shape_pixel(n, x, y, 36)) << n;
    }
}

TEST(LoadX68k, FailureChains)
{
    Disks disks;
    const std::string longer =
        disks.write("long.xdf", FloppyKind::k2HD1232K, {{"SHAPE.PAT", std::vector<uint8_t>(kX68kShapeBytes + 2)}}, 0)
            .string();
    const std::string none = disks.write("none.xdf", FloppyKind::k2DD720K, {{"MAP.BIN", {1}}}, 0).string();
    const std::string missing = (disks.dir / "missing.xdf").string();
    const std::pair<std::string, std::string> cases[] = {
        {missing, "open error '" + missing + "'\nerror: read disk image '" + missing + "'\n"},
        {longer, "file size error 'shape.pat' 212546 > 212544\nerror: read disk image '" + longer + "/shape.pat'\n"},
        {none, "can't find 'shape.pat'\nerror: read disk image '" + none + "/shape.pat'\n"},
    };
    for (const auto& entry : cases) {
        const std::string& disk = entry.first;
        const std::string& expected = entry.second;
        ShapeSet shapes;
        int result = 0;
        const std::string out =
            capture([&] { return load_x68k_shapes(disk.c_str(), 0, shapes, nullptr, 1); }, &result);
        EXPECT_EQ(result, -1);
        EXPECT_EQ(out, expected);
        EXPECT_EQ(shapes.pixels.size(), 456192u);
    }
}

}  // namespace
