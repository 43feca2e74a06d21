// Both built world tools run on synthetic disk images and sheets: defaults,
// options and refusals, sheets and masks, warnings, missing images and files,
// exact standard output, exit status and the bytes of the picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fat12_writer.h"
#include "sample_ports.h"
#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using vorn_test::read_file;
using vorn_test::run_tool;
using vorn_test::TempDir;
using vorn_test::write_file;

constexpr uint32_t kNone = 0xFFFFFFFFu;

uint32_t le32(const std::vector<uint8_t>& b, size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }

void put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}

// An 8-bit BMP file: width a multiple of 4, rows given top first.
std::vector<uint8_t> bmp8(uint32_t width, uint32_t height, const std::vector<uint8_t>& palette,
                          const std::vector<uint8_t>& top_down)
{
    std::vector<uint8_t> b = {'B', 'M'};
    put32(b, 54 + 1024 + width * height);
    put32(b, 0);
    put32(b, 54 + 1024);
    put32(b, 40);
    put32(b, width);
    put32(b, height);
    put16(b, 1);
    put16(b, 8);
    put32(b, 0);
    put32(b, width * height);
    for (int i = 0; i < 4; ++i) put32(b, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    for (uint32_t row = height; row-- > 0;)
        b.insert(b.end(), top_down.begin() + row * width, top_down.begin() + (row + 1) * width);
    return b;
}

// ---- sheets of 2 x 2 tiles --------------------------------------------------

constexpr uint32_t kTile = 2;

uint8_t sheet_value(uint32_t n, uint32_t x, uint32_t y)
{
    return static_cast<uint8_t>((n * 5 + x + 2 * y) % 251 + 1);
}

// Multiples of 5 are opaque; the others let the beneath shape through in a
// checkerboard that depends on the shape.
bool see_through(uint32_t n, uint32_t x, uint32_t y) { return n % 5 != 0 && (x + y + n) % 2 == 0; }

std::vector<uint8_t> sheet_palette()
{
    std::vector<uint8_t> p;
    for (uint32_t i = 0; i < 256; ++i) {
        p.push_back(static_cast<uint8_t>(i));
        p.push_back(static_cast<uint8_t>(255 - i));
        p.push_back(static_cast<uint8_t>(i * 3));
        p.push_back(0);
    }
    return p;
}

std::vector<uint8_t> shape_sheet(uint32_t rows)
{
    std::vector<uint8_t> pixels(16 * kTile * rows * kTile);
    for (uint32_t n = 0; n < 16 * rows; ++n)
        for (uint32_t y = 0; y < kTile; ++y)
            for (uint32_t x = 0; x < kTile; ++x)
                pixels[((n / 16) * kTile + y) * 16 * kTile + (n % 16) * kTile + x] = sheet_value(n, x, y);
    return bmp8(16 * kTile, rows * kTile, sheet_palette(), pixels);
}

// A mask sheet: palette entry 0 black, 1 white.
std::vector<uint8_t> mask_sheet(uint32_t rows, uint32_t width = 16 * kTile)
{
    std::vector<uint8_t> palette(1024, 0);
    palette[4] = palette[5] = palette[6] = 255;
    const uint32_t tile_width = width / 16;
    std::vector<uint8_t> pixels(width * rows * kTile);
    for (uint32_t n = 0; n < 16 * rows; ++n)
        for (uint32_t y = 0; y < kTile; ++y)
            for (uint32_t x = 0; x < tile_width; ++x)
                pixels[((n / 16) * kTile + y) * width + (n % 16) * tile_width + x] = see_through(n, x, y) ? 1 : 0;
    return bmp8(width, rows * kTile, palette, pixels);
}

// ---- the map ----------------------------------------------------------------

size_t map_index(uint32_t x, uint32_t y) { return (y / 16 * 16 + x / 16) * 256 + (y % 16) * 16 + x % 16; }

struct Expect {
    uint32_t x, y;
    uint8_t value;
    // Shape over beneath in three runs: no mask with shores; mask with
    // shores; mask without shores.
    uint32_t plain, mask_shape, mask_beneath, noshore_shape, noshore_beneath;
};

// The runs below select phase 3 (gate at 38, 224) and the balloon.
const Expect kTiles[] = {
    {0, 0, 23, 23, 23, 0, 23, 0},
    {5, 3, 239, 287, 287, 2, 2, kNone},
    {7, 7, 200, 278, 278, 0, 0, kNone},
    {100, 50, 56, 56, 56, 62, 56, 62},
    {101, 50, 49, 49, 49, 2, 49, 2},
    {102, 50, 61, 61, 61, 4, 61, 4},
    {103, 50, 127, 127, 127, kNone, 127, kNone},
    {38, 224, 25, 67, 67, 25, 67, 25},
    {96, 102, 60, 60, 60, 62, 60, 62},
    {233, 242, 210, 24, 24, 273, 24, 1},
    {3, 5, 0xF0, 126, 126, kNone, 126, kNone},
    {28, 2, 0xC1, 126, 126, kNone, 126, kNone},
    {250, 250, 0x90, 126, 126, kNone, 126, kNone},
};

const char* const kWarnings =
    "warning: illegal data (3,5) = F0\n"
    "warning: illegal data (28,2) = C1\n"
    "warning: illegal data (250,250) = 90\n";

std::vector<uint8_t> test_map()
{
    std::vector<uint8_t> map(65536, 0);
    for (const Expect& e : kTiles) map[map_index(e.x, e.y)] = e.value;
    return map;
}

enum class Mode { kPlain, kMask, kMaskNoShores };

// The whole BMP file the sheet runs must write, built tile by tile.
std::vector<uint8_t> expected_sheet_picture(Mode mode)
{
    const uint32_t side = 256 * kTile;
    std::vector<uint32_t> shape(65536, 0), beneath(65536, kNone);
    for (const Expect& e : kTiles) {
        const size_t t = e.y * 256 + e.x;
        shape[t] = mode == Mode::kPlain ? e.plain : mode == Mode::kMask ? e.mask_shape : e.noshore_shape;
        beneath[t] = mode == Mode::kPlain ? kNone : mode == Mode::kMask ? e.mask_beneath : e.noshore_beneath;
    }
    std::vector<uint8_t> top_down(side * side);
    for (uint32_t py = 0; py < side; ++py)
        for (uint32_t px = 0; px < side; ++px) {
            const size_t t = (py / kTile) * 256 + px / kTile;
            const uint32_t x = px % kTile, y = py % kTile;
            const uint32_t s = shape[t], b = beneath[t];
            top_down[py * side + px] = sheet_value(b != kNone && see_through(s, x, y) ? b : s, x, y);
        }
    return bmp8(side, side, sheet_palette(), top_down);
}

std::vector<uint8_t> fdi(const std::vector<sample::FloppyFile>& files)
{
    return sample::fat12_image(sample::FloppyKind::k2HD1232K, files, 4096);
}

std::vector<uint8_t> xdf(const std::vector<sample::FloppyFile>& files)
{
    return sample::fat12_image(sample::FloppyKind::k2HD1232K, files, 0);
}

struct ToolOutput {
    vorn_test::RunResult result;
    std::vector<uint8_t> output;
};

// ---- runs on sheets -----------------------------------------------------------

class SheetRun : public testing::Test {
protected:
    void SetUp() override
    {
        write_file(dir / "VORN_Morvane.fdi", fdi({{"MAP.BIN", test_map()}}));
        write_file(dir / "vorn-morvane.xdf", xdf({{"MAP.BIN", test_map()}}));
        write_file(dir / "s23.bmp", shape_sheet(23));
        write_file(dir / "m23.bmp", mask_sheet(23));
        write_file(dir / "s22.bmp", shape_sheet(22));
        write_file(dir / "m22.bmp", mask_sheet(22));
        write_file(dir / "s18.bmp", shape_sheet(18));
        write_file(dir / "m18.bmp", mask_sheet(18));
        write_file(dir / "s16.bmp", shape_sheet(16));
        write_file(dir / "m16.bmp", mask_sheet(16));
    }

    ToolOutput run(const std::string& tool, const std::vector<std::string>& args, const std::string& in = "")
    {
        ToolOutput r;
        r.result = run_tool(tool, args, dir.path(), in);
        r.output = read_file(dir / "out.bmp");
        return r;
    }

    TempDir dir;
};

TEST_F(SheetRun, SheetWithoutMaskDrawsEveryShapeWholeWithShores)
{
    const ToolOutput r = run("vornpc98map", {"-s", "s23.bmp", "-p", "3", "-b", "-o", "out.bmp"});
    EXPECT_EQ(r.result.out, kWarnings);
    EXPECT_EQ(r.result.status, 0);
    EXPECT_EQ(r.output, expected_sheet_picture(Mode::kPlain));
}

TEST_F(SheetRun, SheetAndMaskLayShapesOverTheirBeneath)
{
    const ToolOutput r = run("vornpc98map", {"-p", "3", "-m", "m18.bmp", "-b", "-r", "18", "-o", "out.bmp", "--shape", "s18.bmp"});
    EXPECT_EQ(r.result.out, kWarnings);
    EXPECT_EQ(r.result.status, 0);
    EXPECT_EQ(r.output, expected_sheet_picture(Mode::kMask));
}

TEST_F(SheetRun, MaskReadAfterNoMaskServesGatesButNoShores)
{
    const ToolOutput r = run("vornpc98map", {"-s", "s23.bmp", "-M", "-m", "m23.bmp", "-p", "3", "-b", "-o", "out.bmp"});
    EXPECT_EQ(r.result.out, kWarnings);
    EXPECT_EQ(r.result.status, 0);
    EXPECT_EQ(r.output, expected_sheet_picture(Mode::kMaskNoShores));
}

TEST_F(SheetRun, SixteenRowsTurnTheShoresOff)
{
    const ToolOutput r = run("vornx68kmap", {"-r", "16", "-s", "s16.bmp", "-m", "m16.bmp", "-p", "3", "-b", "-o", "out.bmp"});
    EXPECT_EQ(r.result.out, kWarnings);
    EXPECT_EQ(r.result.status, 0);
    EXPECT_EQ(r.output, expected_sheet_picture(Mode::kMaskNoShores));
}

TEST_F(SheetRun, X68kDefaultsToTwentyTwoRows)
{
    const ToolOutput r = run("vornx68kmap", {"-s", "s22.bmp", "-m", "m22.bmp", "stray", "-p", "3", "-b", "-o", "out.bmp"});
    EXPECT_EQ(r.result.out, std::string("error: illegal parameter 'stray'\n") + kWarnings);
    EXPECT_EQ(r.result.status, 0);
    EXPECT_EQ(r.output, expected_sheet_picture(Mode::kMask));
}

TEST_F(SheetRun, DefaultOutputNameAndOverwriteQuestion)
{
    const std::vector<std::string> args = {"-s", "s23.bmp", "-p", "3", "-b"};
    vorn_test::RunResult r = run_tool("vornpc98map", args, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "vorn.Morvane.bmp"), expected_sheet_picture(Mode::kPlain));

    write_file(dir / "vorn.Morvane.bmp", std::string("keep"));
    r = run_tool("vornpc98map", args, dir.path(), "n\n");
    EXPECT_EQ(r.out, std::string(kWarnings) +
                         "'vorn.Morvane.bmp' already exists\n"
                         "overwrite ? (Y or N): error: write bitmap file 'vorn.Morvane.bmp'\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(read_file(dir / "vorn.Morvane.bmp"), std::vector<uint8_t>({'k', 'e', 'e', 'p'}));

    r = run_tool("vornpc98map", {"--overwrite", "-s", "s23.bmp", "-p", "3", "-b"}, dir.path());
    EXPECT_EQ(r.out, kWarnings);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_file(dir / "vorn.Morvane.bmp"), expected_sheet_picture(Mode::kPlain));
}

TEST_F(SheetRun, ShortMapIsAcceptedAndTheRestIsShapeZero)
{
    std::vector<uint8_t> map = test_map();
    map.resize(1000);  // keeps (0,0), (3,5), (5,3), (7,7) and (28,2)
    write_file(dir / "short.fdi", fdi({{"MAP.BIN", map}}));
    const ToolOutput r = run("vornpc98map", {"-d2", "short.fdi", "-s", "s23.bmp", "-o", "out.bmp"});
    EXPECT_EQ(r.result.out,
              "file size mismatch 'MAP.BIN' 1000 != 65536 ... ignored\n"
              "warning: illegal data (3,5) = F0\n"
              "warning: illegal data (28,2) = C1\n");
    EXPECT_EQ(r.result.status, 0);
    ASSERT_EQ(r.output.size(), 54u + 1024u + 512u * 512u);
    // Top left tile 23 drawn whole; a tile beyond the file's end is shape 0.
    const size_t top_row = 54 + 1024 + 511 * 512;
    EXPECT_EQ(r.output[top_row + 0], sheet_value(23, 0, 0));
    EXPECT_EQ(r.output[top_row + 1], sheet_value(23, 1, 0));
    const size_t bottom_row = 54 + 1024;
    EXPECT_EQ(r.output[bottom_row + 500], sheet_value(0, 0, 1));
}

struct Refusal {
    const char* tool;
    std::vector<std::string> args;
    const char* out;
};

const Refusal kSheetRefusals[] = {
    {"vornpc98map", {"-m", "m23.bmp"}, "error: shape bitmap is not specified\n"},
    {"vornpc98map", {"-m", "m23.bmp", "-M"}, "error: shape bitmap is not specified\n"},
    {"vornx68kmap", {"-s", "none.bmp"}, "error: open 'none.bmp'\nerror: read shape bitmap 'none.bmp'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-m", "none.bmp"}, "error: open 'none.bmp'\nerror: read mask bitmap 'none.bmp'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-m", "m22.bmp"}, "error: illegal mask bitmap size\nerror: read mask bitmap 'm22.bmp'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-m", "wide.bmp"}, "error: illegal mask bitmap size\nerror: read mask bitmap 'wide.bmp'\n"},
    {"vornpc98map", {"-s", "odd.bmp"}, "error: illegal shape bitmap size\nerror: read shape bitmap 'odd.bmp'\n"},
    {"vornpc98map", {"-s", "narrow.bmp"}, "error: shape bitmap is too small\nerror: read shape bitmap 'narrow.bmp'\n"},
    {"vornpc98map", {"-s", "cut.bmp"},
     "error: read_bitmap() - can't read bitmap data\nerror: read 'cut.bmp'\nerror: read shape bitmap 'cut.bmp'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-d2", "none.fdi"},
     "open error 'none.fdi'\nerror: read disk image 'none.fdi'\nerror: read map data 'none.fdi/MAP.BIN'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-d2", "odd.xdf"},
     "unsupported image 'odd.xdf'\nerror: read disk image 'odd.xdf'\n"
     "error: read map data 'odd.xdf/MAP.BIN'\n"},
    {"vornx68kmap", {"-s", "s22.bmp", "-d2", "nomap.xdf"},
     "can't find 'MAP.BIN'\nerror: read disk image 'nomap.xdf/MAP.BIN'\nerror: read map data 'nomap.xdf/MAP.BIN'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "--morvane-disk", "long.fdi"},
     "file size error 'MAP.BIN' 65537 > 65536\nerror: read disk image 'long.fdi/MAP.BIN'\n"
     "error: read map data 'long.fdi/MAP.BIN'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-o", "no-such-dir/out.bmp"},
     "warning: illegal data (3,5) = F0\nwarning: illegal data (28,2) = C1\nwarning: illegal data (250,250) = 90\n"
     "error: open 'no-such-dir/out.bmp'\nerror: write bitmap file 'no-such-dir/out.bmp'\n"},
    {"vornx68kmap", {"-s", "s22.bmp", "-r", "23"}, "error: illegal shape rows '23'\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-p", "9"}, "error: illegal phase value: 9\n"},
    {"vornpc98map", {"-s", "s23.bmp", "-x"}, "error: unknown option '-x'\n"},
};

TEST_F(SheetRun, RefusalsPrintTheirChainAndLeaveTheOutputAlone)
{
    write_file(dir / "odd.bmp", bmp8(28, 46, sheet_palette(), std::vector<uint8_t>(28 * 46, 1)));
    write_file(dir / "narrow.bmp", bmp8(12, 46, sheet_palette(), std::vector<uint8_t>(12 * 46, 1)));
    write_file(dir / "wide.bmp", mask_sheet(23, 64));
    std::vector<uint8_t> cut = shape_sheet(23);
    cut.resize(cut.size() - 10);
    write_file(dir / "cut.bmp", cut);
    write_file(dir / "nomap.xdf", xdf({{"TOWNE.BIN", std::vector<uint8_t>(100, 1)}}));
    std::vector<uint8_t> odd = xdf({{"MAP.BIN", test_map()}});
    odd.push_back(0);  // no disk or container has this size
    write_file(dir / "odd.xdf", odd);
    write_file(dir / "long.fdi", fdi({{"MAP.BIN", std::vector<uint8_t>(65537, 1)}}));
    write_file(dir / "out.bmp", std::string("untouched"));
    write_file(dir / "vorn.Morvane.bmp", std::string("untouched"));
    const std::vector<uint8_t> untouched = {'u', 'n', 't', 'o', 'u', 'c', 'h', 'e', 'd'};
    for (const Refusal& c : kSheetRefusals) {
        const std::string label = std::string(c.tool) + " " + testing::PrintToString(c.args);
        const vorn_test::RunResult r = run_tool(c.tool, c.args, dir.path());
        EXPECT_EQ(r.out, c.out) << label;
        EXPECT_EQ(r.status, 1) << label;
        EXPECT_EQ(read_file(dir / "vorn.Morvane.bmp"), untouched) << label;
    }
    EXPECT_EQ(read_file(dir / "out.bmp"), untouched);
}

// Tiles of 256 x 256 would make a picture of 4 GiB: refused before any
// allocation, after the sheet was read.
TEST_F(SheetRun, PictureTooLargeForMemoryIsRefused)
{
    write_file(dir / "huge.bmp", bmp8(4096, 4096, sheet_palette(), std::vector<uint8_t>(4096 * 4096, 7)));
    const vorn_test::RunResult r = run_tool("vornx68kmap", {"-r", "16", "-s", "huge.bmp"}, dir.path());
    EXPECT_EQ(r.out, "error: memory exhausted!\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(dir / "vorn.Morvane.bmp"));
}

// ---- runs on the game's disk images ------------------------------------------

struct Port {
    const char* tool;
    const char* disk1;
    const char* disk2;
    uint32_t tile;
    uint32_t file_size;
};

const Port kPc98 = {"vornpc98map", "VORN_Arvelon.fdi", "VORN_Morvane.fdi", 32, 33554550};
const Port kX68k = {"vornx68kmap", "vorn-arvelon.xdf", "vorn-morvane.xdf", 36, 42467446};

// Colour index of pixel (px, py) of a 4-bit BMP.
uint8_t pixel4(const std::vector<uint8_t>& bmp, uint32_t px, uint32_t py)
{
    const uint32_t width = le32(bmp, 18), height = le32(bmp, 22);
    const size_t row_bytes = ((width + 1) / 2 + 3) / 4 * 4;
    const uint8_t byte = bmp[le32(bmp, 10) + (height - 1 - py) * row_bytes + px / 2];
    return px % 2 == 0 ? byte >> 4 : byte & 15;
}

// Shape over beneath as the picture must show it: indices 8-15 of the
// shape are transparent.
uint8_t layered(uint32_t s, uint32_t b, uint32_t x, uint32_t y, uint32_t size)
{
    const uint8_t over = sample::port_shape_pixel(s, x, y, size);
    return (b != kNone && over >= 8) ? sample::port_shape_pixel(b, x, y, size) : over;
}

bool speckled(uint32_t shape) { return shape >= 68 && shape <= 71; }

// What the sample map's byte gives, as spelled out by the tile table.
void translate(uint8_t v, bool shores, uint32_t& s, uint32_t& b)
{
    s = v;
    b = kNone;
    if (v == 23 || v == 25) b = 0;
    if (v >= 49 && v <= 52) b = 2;
    if (v == 55 || v == 61) b = 4;
    if (v == 56 || v == 60) b = 62;
    if (v >= 195 && v <= 239) {
        s = shores ? 273 + (v - 195) % 15 : (v - 195) / 15;
        b = shores ? (v - 195) / 15 : kNone;
    }
}

// Compares the tiles at the gate sites, at the balloon, at the first tile of
// each kind of byte and at a spread of others with what they must show.
void check_disk_picture(const Port& port, const std::vector<uint8_t>& bmp, bool mask, bool shores,
                        uint32_t gates, bool balloon)
{
    ASSERT_EQ(bmp.size(), port.file_size);
    EXPECT_EQ(le32(bmp, 2), port.file_size);
    EXPECT_EQ(le32(bmp, 10), 118u);
    EXPECT_EQ(le32(bmp, 18), port.tile * 256);
    EXPECT_EQ(le32(bmp, 22), port.tile * 256);
    EXPECT_EQ(le16(bmp, 28), 4u);
    // Palette: 8 colours, then the same with the fourth byte 255.
    const uint8_t palette[16 * 4] = {0, 0, 0, 0,     255, 0, 0, 0,     0, 0, 255, 0,     255, 0, 255, 0,
                                     0, 255, 0, 0,   255, 255, 0, 0,   0, 255, 255, 0,   255, 255, 255, 0,
                                     0, 0, 0, 255,   255, 0, 0, 255,   0, 0, 255, 255,   255, 0, 255, 255,
                                     0, 255, 0, 255, 255, 255, 0, 255, 0, 255, 255, 255, 255, 255, 255, 255};
    EXPECT_TRUE(std::equal(palette, palette + 64, bmp.begin() + 54));

    const std::vector<uint8_t> map = sample::map_bin();
    const uint32_t sites[8][2] = {{224, 133}, {96, 102}, {38, 224}, {50, 37}, {166, 19}, {104, 194}, {23, 126}, {187, 167}};
    std::vector<std::pair<uint32_t, uint32_t>> tiles;
    for (auto& site : sites) tiles.emplace_back(site[0], site[1]);
    tiles.emplace_back(233, 242);
    bool seen[256] = {};
    for (uint32_t t = 0; t < 65536; ++t) {
        const uint32_t x = t % 256, y = t / 256;
        const uint8_t v = map[map_index(x, y)];
        if (!seen[v] || t % 331 == 0) tiles.emplace_back(x, y);
        seen[v] = true;
    }
    int shores_seen = 0;
    for (auto [x, y] : tiles) {
        uint32_t s, b;
        const uint8_t v = map[map_index(x, y)];
        translate(v, shores, s, b);
        shores_seen += s >= 273;
        for (int k = 0; k < 8; ++k)
            if ((gates >> k & 1) && sites[k][0] == x && sites[k][1] == y) {
                b = s;
                s = 67;
            }
        if (balloon && x == 233 && y == 242) {
            b = s;
            s = 24;
        }
        if (!mask) b = kNone;
        if (speckled(s) || (b != kNone && speckled(b))) continue;
        for (uint32_t py = 0; py < port.tile; ++py)
            for (uint32_t px = 0; px < port.tile; ++px)
                ASSERT_EQ(pixel4(bmp, x * port.tile + px, y * port.tile + py), layered(s, b, px, py, port.tile))
                    << "tile (" << x << "," << y << ") byte " << int(v) << " pixel (" << px << "," << py << ")";
    }
    EXPECT_EQ(shores_seen > 0, shores);
}

class DiskRun : public testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        port = GetParam() ? &kX68k : &kPc98;
        if (GetParam()) {
            write_file(dir / port->disk1, sample::x68k_arvelon_xdf());
            write_file(dir / port->disk2, sample::x68k_morvane_xdf());
        } else {
            write_file(dir / port->disk1, sample::pc98_arvelon_fdi());
            write_file(dir / port->disk2, sample::pc98_morvane_fdi());
        }
    }

    const Port* port = nullptr;
    TempDir dir;
};

TEST_P(DiskRun, NoArgumentsDrawsTheMapWithShores)
{
    const vorn_test::RunResult r = run_tool(port->tool, {}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    check_disk_picture(*port, read_file(dir / "vorn.Morvane.bmp"), true, true, 0, false);
}

TEST_P(DiskRun, GatesAndBalloonLieOverTheirTiles)
{
    const vorn_test::RunResult r = run_tool(port->tool, {"-g", "-b", "-o", "gates.bmp"}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    check_disk_picture(*port, read_file(dir / "gates.bmp"), true, true, 255, true);
}

TEST_P(DiskRun, NoMaskReplacesTilesWholeAndDrawsNoShores)
{
    const vorn_test::RunResult r = run_tool(port->tool, {"-M", "-p", "3", "-p", "5", "-b", "-o", "plain.bmp"}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    check_disk_picture(*port, read_file(dir / "plain.bmp"), false, false, 0x14, true);
}

TEST_P(DiskRun, SeventeenRowsKeepTheDiskShapesButDropTheShores)
{
    const vorn_test::RunResult r = run_tool(port->tool, {"-r", "17", "-o", "r17.bmp"}, dir.path());
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    check_disk_picture(*port, read_file(dir / "r17.bmp"), true, false, 0, false);
}

TEST_P(DiskRun, MissingOrForeignImagesFailBeforeAnythingIsWritten)
{
    const std::string d1 = port->disk1, d2 = port->disk2;
    std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"-d1", "none.img"},
         "open error 'none.img'\nerror: read disk image 'none.img'\nerror: read shapes from disk image\n"},
        {{"-d2", "none.img"},
         GetParam() ? "open error 'none.img'\nerror: read disk image 'none.img'\nerror: read map data 'none.img/MAP.BIN'\n"
                    : "open error 'none.img'\nerror: read disk image 'none.img'\nerror: read shapes from disk image\n"},
        // The first disk holds no MAP.BIN.
        {{"--morvane-disk", d1},
         GetParam() ? "can't find 'MAP.BIN'\nerror: read disk image '" + d1 + "/MAP.BIN'\nerror: read map data '" + d1 + "/MAP.BIN'\n"
                    : "can't find 'swshape.pat'\nerror: read disk image '" + d1 + "/swshape.pat'\nerror: read shapes from disk image\n"},
        // One byte short: the FDI header says so; an XDF has no header.
        {{"-d1", "short.img"},
         std::string(GetParam() ? "unsupported image 'short.img'\n"
                                : "damaged image 'short.img': cut short in track 76 side 1 sector 8\n") +
             "error: read disk image 'short.img'\nerror: read shapes from disk image\n"},
    };
    std::vector<uint8_t> image = read_file(dir / port->disk1);
    image.pop_back();
    write_file(dir / "short.img", image);
    for (const auto& [args, out] : cases) {
        const vorn_test::RunResult r = run_tool(port->tool, args, dir.path());
        EXPECT_EQ(r.out, out) << testing::PrintToString(args);
        EXPECT_EQ(r.status, 1) << testing::PrintToString(args);
        EXPECT_FALSE(fs::exists(dir / "vorn.Morvane.bmp"));
    }
}

INSTANTIATE_TEST_SUITE_P(Ports, DiskRun, testing::Values(false, true),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "X68k" : "Pc98"; });

TEST(ToolRun, UsageNamesTheToolWhateverItIsCalled)
{
    TempDir dir;
    const vorn_test::RunResult pc = run_tool("vornpc98map", {"-?"}, dir.path());
    EXPECT_EQ(pc.status, 1);
    EXPECT_EQ(pc.out.substr(0, pc.out.find('\n') + 1), "usage: vornpc98map [options]\n");
    EXPECT_NE(pc.out.find("read 'VORN_Morvane.fdi' if not specified\n"), std::string::npos);
    const vorn_test::RunResult x = run_tool("vornx68kmap", {"--help"}, dir.path());
    EXPECT_EQ(x.status, 1);
    EXPECT_EQ(x.out.substr(0, x.out.find('\n') + 1), "usage: vornx68kmap [options]\n");
    EXPECT_NE(x.out.find("(16-22)\n"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

}  // namespace
