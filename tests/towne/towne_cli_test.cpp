// The two town tools run as programs on synthetic floppy images and sheets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap.h"
#include "fat12_writer.h"
#include "sample_ports.h"
#include "shapes.h"
#include "tool_run.h"
#include "towne.h"
#include "towne_driver.h"

namespace {

namespace fs = std::filesystem;
using vorn_test::read_file;
using vorn_test::run_tool;
using vorn_test::TempDir;
using vorn_test::write_file;

struct Port {
    const char* tool;
    const char* arvelon;
    const char* morvane;
    uint32_t leading_bytes;
    uint32_t tile;
    uint32_t file_bytes;
    int max_rows;
    bool pc98;
};

const Port kPc98 = {"vornpc98towne", "VORN_Arvelon.fdi", "VORN_Morvane.fdi", 4096, 32, 524406, 23, true};
const Port kX68k = {"vornx68ktowne", "vorn-arvelon.xdf", "vorn-morvane.xdf", 0, 36, 663670, 22, false};

void PrintTo(const Port& port, std::ostream* os) { *os << port.tool; }

std::string port_name(const testing::TestParamInfo<Port>& info) { return info.param.pc98 ? "Pc98" : "X68k"; }

std::vector<uint8_t> image(const Port& port, const std::vector<sample::FloppyFile>& files)
{
    return sample::fat12_image(sample::FloppyKind::k2HD1232K, files, port.leading_bytes);
}

// The pattern files are slow to make: once per port and test process.
const std::vector<uint8_t>& arvelon_image(const Port& port)
{
    static const std::vector<uint8_t> pc98 = sample::pc98_arvelon_fdi();
    static const std::vector<uint8_t> x68k = sample::x68k_arvelon_xdf();
    return port.pc98 ? pc98 : x68k;
}

const std::vector<uint8_t>& morvane_image(const Port& port)
{
    static const std::vector<uint8_t> pc98 = sample::pc98_morvane_fdi();
    static const std::vector<uint8_t> x68k = sample::x68k_morvane_xdf();
    return port.pc98 ? pc98 : x68k;
}

void write_sample_disks(const Port& port, const fs::path& dir)
{
    write_file(dir / port.arvelon, arvelon_image(port));
    write_file(dir / port.morvane, morvane_image(port));
}

std::string progress(uint32_t first, uint32_t last)
{
    std::string out;
    for (uint32_t i = first; i <= last; ++i) out += std::string("[") + kTownTable[i].display_name + "]\n";
    return out;
}

const char* const kOutputNames[] = {
    "vorn.Castle_Morvane_2F.bmp", "vorn.Castle_Morvane_1F.bmp", "vorn.The_Athenaril.bmp",
    "vorn.Solace_Abbey.bmp",      "vorn.Wyrm's_Keep.bmp",       "vorn.Starmere.bmp",
    "vorn.Crownhaven.bmp",        "vorn.Daskar.bmp",            "vorn.Oakhollow.bmp",
    "vorn.Torvik.bmp",            "vorn.Valdane.bmp",           "vorn.Kelda_Mor.bmp",
    "vorn.Orleth.bmp",            "vorn.Fenny.bmp",             "vorn.Corsair's_Nest.bmp",
    "vorn.Dunmere.bmp",           "vorn.Brindle.bmp",
};

std::vector<std::string> files_in(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// ---- 4-bit pictures made from the ports' own shapes ---------------------------

struct Picture4 {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> bytes;
    uint8_t at(uint32_t x, uint32_t y) const
    {
        const size_t row = 118 + static_cast<size_t>(height - 1 - y) * (width / 2);
        const uint8_t b = bytes[row + x / 2];
        return x % 2 ? b & 15 : b >> 4;
    }
};

Picture4 read_picture4(const fs::path& path, const Port& port)
{
    Picture4 p;
    p.bytes = read_file(path);
    EXPECT_EQ(p.bytes.size(), port.file_bytes) << path;
    if (p.bytes.size() != port.file_bytes) return p;
    EXPECT_EQ(p.bytes[0], 'B');
    EXPECT_EQ(p.bytes[1], 'M');
    EXPECT_EQ(get_le32(&p.bytes[2]), port.file_bytes);
    EXPECT_EQ(get_le32(&p.bytes[10]), 118u);
    p.width = get_le32(&p.bytes[18]);
    p.height = get_le32(&p.bytes[22]);
    EXPECT_EQ(p.width, 32 * port.tile);
    EXPECT_EQ(p.height, 32 * port.tile);
    EXPECT_EQ(get_le16(&p.bytes[28]), 4);
    EXPECT_EQ(std::vector<uint8_t>(p.bytes.begin() + 54, p.bytes.begin() + 118),
              std::vector<uint8_t>(std::begin(kPortShapePalette), std::end(kPortShapePalette)));
    return p;
}

bool plain_tile_byte(uint8_t v)
{
    return v < 128 && v != 23 && v != 25 && v != 40 && v != 43 && v != 44 && v != 61;
}

struct Look {
    bool mask = true;
    bool npcs = true;
};

// Checks every tile of the sample towns that shows a shape by its own number:
// plain tile bytes, alone or under a person whose code is its shape number.
void check_sample_towns(const fs::path& dir, const Port& port, Look look)
{
    const std::vector<uint8_t> towne = sample::towne_bin();
    const std::vector<uint8_t> people = sample::people_bin();
    const uint32_t s = port.tile;
    for (uint32_t i = 0; i < kTownCount; ++i) {
        SCOPED_TRACE(kOutputNames[i]);
        const Picture4 pic = read_picture4(dir / kOutputNames[i], port);
        if (pic.width != 32 * s) return;
        uint32_t checked_people = 0;
        for (uint32_t y = 0; y < 32; ++y) {
            for (uint32_t x = 0; x < 32; ++x) {
                const uint8_t v = towne[i * 1024 + y * 32 + x];
                if (!plain_tile_byte(v)) continue;
                int code = 0;
                for (uint32_t k = 0; k < 32 && look.npcs; ++k) {
                    const uint8_t* block = &people[i * 256];
                    if (block[k] && block[32 + k] == x && block[64 + k] == y) {
                        code = block[k];
                        break;
                    }
                }
                if (code > 32) continue;
                checked_people += code != 0;
                for (uint32_t l = 0; l < s; ++l) {
                    for (uint32_t c = 0; c < s; ++c) {
                        uint8_t want = sample::port_shape_pixel(v, c, l, s);
                        if (code) {
                            const uint8_t top = sample::port_shape_pixel(static_cast<uint32_t>(code), c, l, s);
                            if (!look.mask || top < 8) want = top;
                        }
                        ASSERT_EQ(pic.at(x * s + c, y * s + l), want)
                            << "tile " << x << "," << y << " pixel " << c << "," << l;
                    }
                }
            }
        }
        if (look.npcs && i == 0) {
            EXPECT_GT(checked_people, 0u);
        }
    }
}

class TowneSample : public testing::TestWithParam<Port> {};

TEST_P(TowneSample, DefaultRunWritesTheSeventeenTowns)
{
    const Port& port = GetParam();
    TempDir dir;
    write_sample_disks(port, dir.path());
    const auto r = run_tool(port.tool, {}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, progress(0, 16));

    std::vector<std::string> expected = {port.arvelon, port.morvane};
    expected.insert(expected.end(), std::begin(kOutputNames), std::end(kOutputNames));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(files_in(dir.path()), expected);
    check_sample_towns(dir.path(), port, {});
}

TEST_P(TowneSample, NoNpcsAndNoMask)
{
    const Port& port = GetParam();
    {
        TempDir dir;
        write_sample_disks(port, dir.path());
        const auto r = run_tool(port.tool, {"-n"}, dir.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, progress(0, 16));
        check_sample_towns(dir.path(), port, {true, false});
    }
    {
        TempDir dir;
        write_sample_disks(port, dir.path());
        const auto r = run_tool(port.tool, {"--no-mask"}, dir.path());
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, progress(0, 16));
        check_sample_towns(dir.path(), port, {false, true});
    }
}

// The files are the picture that the library itself composes and writes.
TEST_P(TowneSample, FilesMatchTheComposerByteForByte)
{
    const Port& port = GetParam();
    TempDir dir;
    write_sample_disks(port, dir.path());
    const fs::path arvelon = dir / port.arvelon;
    const fs::path morvane = dir / port.morvane;
    const fs::path out = dir / "out";
    fs::create_directory(out);
    const auto r = run_tool(port.tool, {"--arvelon-disk", arvelon.string(), "--morvane-disk", morvane.string()},
                            out);
    ASSERT_EQ(r.status, 0);

    ShapeSet shapes;
    ShapeMask mask;
    testing::internal::CaptureStdout();
    const int loaded = port.pc98 ? load_pc98_shapes(arvelon.string().c_str(), morvane.string().c_str(),
                                                    port.leading_bytes, shapes, &mask, 1)
                                 : load_x68k_shapes(arvelon.string().c_str(), port.leading_bytes, shapes, &mask, 1);
    std::vector<uint8_t> towns(kTownDataBytes);
    const int read = read_town_data(towns, morvane.string().c_str(), port.leading_bytes);
    Bitmap bitmap;
    ASSERT_EQ(bitmap_create(bitmap, shapes, 32, 32), 0);
    for (uint32_t i = 0; i < kTownCount; ++i) {
        ASSERT_EQ(draw_town_map(bitmap, shapes, mask, std::span(towns).subspan(i * kTownRecordBytes), 0), 0);
        const fs::path want = dir / ("want" + std::to_string(i) + ".bmp");
        ASSERT_EQ(write_bitmap_file(want.string().c_str(), bitmap, 1), 0);
        EXPECT_EQ(read_file(out / kOutputNames[i]), read_file(want)) << kOutputNames[i];
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(loaded, 0);
    EXPECT_EQ(read, 0);
}

TEST_P(TowneSample, MissingImagesEndWithTheLoaderChain)
{
    const Port& port = GetParam();
    TempDir dir;
    auto r = run_tool(port.tool, {}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out.rfind(std::string("open error '") + port.arvelon + "'\n", 0), 0u) << r.out;
    EXPECT_TRUE(r.out.ends_with("error: read shapes from disk image\n")) << r.out;
    EXPECT_TRUE(files_in(dir.path()).empty());

    if (port.pc98) {  // the PC-98 loader needs the second image too
        write_file(dir / port.arvelon, arvelon_image(port));
        r = run_tool(port.tool, {}, dir.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find(std::string("open error '") + port.morvane + "'\n"), std::string::npos) << r.out;
        EXPECT_TRUE(r.out.ends_with("error: read shapes from disk image\n")) << r.out;
    }
}

TEST_P(TowneSample, MorvaneImageWithoutTownFiles)
{
    const Port& port = GetParam();
    TempDir dir;
    write_file(dir / port.arvelon, arvelon_image(port));
    std::vector<sample::FloppyFile> files;
    if (port.pc98) files.push_back({"SWSHAPE.PAT", sample::pc98_swshape_pat()});
    write_file(dir / port.morvane, image(port, files));
    const auto r = run_tool(port.tool, {}, dir.path());
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, std::string("can't find 'TOWNE.BIN'\nerror: read disk image '") + port.morvane +
                         "/TOWNE.BIN'\nerror: read image file '" + port.morvane + "'\n");
}

INSTANTIATE_TEST_SUITE_P(Ports, TowneSample, testing::Values(kPc98, kX68k), port_name);

// ---- shape and mask sheets -------------------------------------------------------
//
// Sheets of 24-bit pixels, 16 x 16 shapes of 2 x 2 pixels: every pixel of
// shape n has blue n, green its place in the tile (line x 2 + column) and red
// 0x5A, so an output pixel names the shape and the pixel that it came from.

constexpr uint32_t kSheetTile = 2;

struct Pixel24 {
    uint8_t blue, green, red;
};

std::vector<uint8_t> bmp24(uint32_t width, uint32_t height, const std::vector<Pixel24>& pixels)
{
    const uint32_t row = (width * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + static_cast<size_t>(row) * height, 0);
    uint8_t* p = file.data();
    *p++ = 'B';
    *p++ = 'M';
    p = put_le32(p, static_cast<uint32_t>(file.size()));
    p = put_le32(p, 0);
    p = put_le32(p, 54);
    p = put_le32(p, 40);
    p = put_le32(p, width);
    p = put_le32(p, height);
    p = put_le16(p, 1);
    p = put_le16(p, 24);
    p = put_le32(p, 0);
    p = put_le32(p, row * height);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const Pixel24& px = pixels[(height - 1 - y) * width + x];
            uint8_t* q = &file[54 + static_cast<size_t>(y) * row + x * 3];
            q[0] = px.blue;
            q[1] = px.green;
            q[2] = px.red;
        }
    return file;
}

std::vector<uint8_t> shape_sheet(uint32_t rows)
{
    const uint32_t w = 16 * kSheetTile, h = rows * kSheetTile;
    std::vector<Pixel24> px(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t n = (y / kSheetTile) * 16 + x / kSheetTile;
            px[y * w + x] = {static_cast<uint8_t>(n), static_cast<uint8_t>((y % kSheetTile) * kSheetTile + x % kSheetTile),
                             0x5A};
        }
    return bmp24(w, h, px);
}

// White (see-through) at pixel 3 of every shape and at pixels 1-3 of shape 34.
std::vector<uint8_t> mask_sheet(uint32_t rows)
{
    const uint32_t w = 16 * kSheetTile, h = rows * kSheetTile;
    std::vector<Pixel24> px(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t n = (y / kSheetTile) * 16 + x / kSheetTile;
            const uint32_t i = (y % kSheetTile) * kSheetTile + x % kSheetTile;
            const bool clear = i == 3 || (n == 34 && i >= 1);
            px[y * w + x] = clear ? Pixel24{255, 255, 255} : Pixel24{0, 0, 0};
        }
    return bmp24(w, h, px);
}

// A 64 x 64 town picture: tile (x, y), pixel i shows pixel i of shape
// shape_of(x, y, i).
template <typename ShapeOf>
std::vector<uint8_t> town_picture(ShapeOf shape_of)
{
    const uint32_t w = 32 * kSheetTile;
    std::vector<Pixel24> px(static_cast<size_t>(w) * w);
    for (uint32_t y = 0; y < w; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t i = (y % kSheetTile) * kSheetTile + x % kSheetTile;
            px[y * w + x] = {static_cast<uint8_t>(shape_of(x / kSheetTile, y / kSheetTile, i)),
                             static_cast<uint8_t>(i), 0x5A};
        }
    return bmp24(w, w, px);
}

struct TownFiles {
    std::vector<uint8_t> towne = std::vector<uint8_t>(kTowneBinBytes, 0);
    std::vector<uint8_t> people = std::vector<uint8_t>(kPeopleBinBytes, 0);
    void tile(uint32_t town, uint32_t x, uint32_t y, uint8_t v) { towne[town * 1024 + y * 32 + x] = v; }
    void person(uint32_t town, uint32_t k, uint8_t code, uint8_t x, uint8_t y)
    {
        people[town * 256 + k] = code;
        people[town * 256 + 32 + k] = x;
        people[town * 256 + 64 + k] = y;
    }
};

// Town 0 has three special tiles in its top row, one with a person on it.
TownFiles layered_towns()
{
    TownFiles t;
    t.tile(0, 0, 0, 23);       // shape 23 over shape 0
    t.person(0, 4, 33, 0, 0);  // shape 34
    t.tile(0, 1, 0, 191);      // shape 188 over shape 62
    t.tile(0, 2, 0, 40);       // shape 48, nothing beneath
    return t;
}

std::vector<uint8_t> plain_town() { return town_picture([](uint32_t, uint32_t, uint32_t) { return 0; }); }

class TowneSheets : public testing::TestWithParam<Port> {
protected:
    void SetUp() override
    {
        write_file(dir / "shapes.bmp", shape_sheet(16));
        write_file(dir / "mask.bmp", mask_sheet(16));
        write_towns(layered_towns());
    }
    void write_towns(const TownFiles& t)
    {
        write_file(dir / GetParam().morvane,
                   image(GetParam(), {{"TOWNE.BIN", t.towne}, {"PEOPLE.BIN", t.people}}));
    }
    vorn_test::RunResult run(std::vector<std::string> args, const std::string& input = "")
    {
        return run_tool(GetParam().tool, args, dir.path(), input);
    }
    std::vector<uint8_t> output(uint32_t town) { return read_file(dir / kOutputNames[town]); }

    TempDir dir;
};

TEST_P(TowneSheets, ThreeLayersThroughTheMaskSheet)
{
    const auto r = run({"-s", "shapes.bmp", "-r", "16", "-m", "mask.bmp"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, progress(0, 16));
    const auto want = town_picture([](uint32_t x, uint32_t y, uint32_t i) -> int {
        if (y != 0 || x > 2) return 0;
        const int layers[3][4] = {{34, 23, 23, 0}, {188, 188, 188, 62}, {48, 48, 48, 48}};
        return layers[x][i];
    });
    EXPECT_EQ(output(0), want);
    for (uint32_t i = 1; i < kTownCount; ++i) EXPECT_EQ(output(i), plain_town()) << kOutputNames[i];
}

TEST_P(TowneSheets, WithoutMaskEveryShapeIsDrawnWhole)
{
    // -M clears the mask sheet named before it.
    const auto r = run({"-m", "mask.bmp", "--shape", "shapes.bmp", "--shape-rows", "0x10", "-M"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, progress(0, 16));
    EXPECT_EQ(output(0), town_picture([](uint32_t x, uint32_t y, uint32_t) -> int {
                  const int whole[3] = {34, 188, 48};
                  return y == 0 && x <= 2 ? whole[x] : 0;
              }));
}

TEST_P(TowneSheets, NoNpcsLeavesThePeopleOut)
{
    const auto r = run({"-s", "shapes.bmp", "-r", "16", "--mask", "mask.bmp", "--no-npcs"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(output(0), town_picture([](uint32_t x, uint32_t y, uint32_t i) -> int {
                  if (y != 0 || x > 2) return 0;
                  const int layers[3][4] = {{23, 23, 23, 0}, {188, 188, 188, 62}, {48, 48, 48, 48}};
                  return layers[x][i];
              }));
}

TEST_P(TowneSheets, WarningsFollowTheirTownsProgressLine)
{
    TownFiles t;
    t.tile(0, 3, 2, 0x80);
    t.person(2, 0, 200, 5, 5);
    t.tile(16, 31, 31, 0xC5);
    t.person(16, 31, 0x9A, 31, 31);
    write_towns(t);
    auto r = run({"-s", "shapes.bmp", "-r", "16"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, progress(0, 0) + "warning: map (3,2) = 80\n" + progress(1, 2) +
                         "warning: npc (5,5) = C8\n" + progress(3, 16) +
                         "warning: map (31,31) = C5\nwarning: npc (31,31) = 9A\n");

    r = run({"-s", "shapes.bmp", "-r", "16", "-n", "--overwrite"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, progress(0, 0) + "warning: map (3,2) = 80\n" + progress(1, 16) +
                         "warning: map (31,31) = C5\n");
}

TEST_P(TowneSheets, ShortTownFilesAreReadWithZerosBehind)
{
    TownFiles t;
    t.towne.resize(1024);
    t.people.resize(256);
    t.tile(0, 7, 7, 9);
    t.person(0, 0, 5, 7, 8);
    write_file(dir / GetParam().morvane,
               image(GetParam(), {{"TOWNE.BIN", t.towne}, {"PEOPLE.BIN", t.people}}));
    const auto r = run({"-s", "shapes.bmp", "-r", "16"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "file size mismatch 'TOWNE.BIN' 1024 != 17408 ... ignored\n"
                     "file size mismatch 'PEOPLE.BIN' 256 != 4352 ... ignored\n" +
                         progress(0, 16));
    EXPECT_EQ(output(0), town_picture([](uint32_t x, uint32_t y, uint32_t) -> int {
                  if (x == 7 && y == 7) return 9;
                  return x == 7 && y == 8 ? 5 : 0;
              }));
    for (uint32_t i = 1; i < kTownCount; ++i) EXPECT_EQ(output(i), plain_town()) << kOutputNames[i];
}

TEST_P(TowneSheets, ExistingFileAtRowFiveAnsweredNo)
{
    write_file(dir / "vorn.Starmere.bmp", std::string("old"));
    for (const std::string input : {"n\n", "", "ok?\nN\n"}) {
        SCOPED_TRACE(input);
        const auto r = run({"-s", "shapes.bmp", "-r", "16"}, input);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, progress(0, 5) +
                             "'vorn.Starmere.bmp' already exists\n"
                             "overwrite ? (Y or N): error: write bitmap file 'vorn.Starmere.bmp'\n");
        EXPECT_EQ(read_file(dir / "vorn.Starmere.bmp"), std::vector<uint8_t>({'o', 'l', 'd'}));
        for (uint32_t i = 0; i < 5; ++i) EXPECT_FALSE(output(i).empty()) << kOutputNames[i];
        for (uint32_t i = 6; i < kTownCount; ++i) EXPECT_FALSE(fs::exists(dir / kOutputNames[i])) << kOutputNames[i];
        for (uint32_t i = 0; i < 5; ++i) fs::remove(dir / kOutputNames[i]);
    }
}

TEST_P(TowneSheets, ExistingFileAtRowFiveAnsweredYes)
{
    write_file(dir / "vorn.Starmere.bmp", std::string("old"));
    const auto r = run({"-s", "shapes.bmp", "-r", "16"}, "y\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, progress(0, 5) + "'vorn.Starmere.bmp' already exists\noverwrite ? (Y or N): " +
                         progress(6, 16));
    EXPECT_EQ(output(5), plain_town());
    EXPECT_EQ(output(16), plain_town());
}

TEST_P(TowneSheets, StrayWordsAreReportedAndTheRunGoesOn)
{
    const auto r = run({"stray", "-s", "shapes.bmp", "x", "-r", "16"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "error: illegal parameter 'stray'\nerror: illegal parameter 'x'\n" + progress(0, 16));
    for (uint32_t i = 0; i < kTownCount; ++i) EXPECT_EQ(output(i).size(), 54u + 64 * 64 * 3);
}

TEST_P(TowneSheets, TheLastOfRepeatedOptionsWins)
{
    const std::string m = GetParam().morvane;
    const auto r = run({"-d2", "none.img", "-s", "none.bmp", "--morvane-disk", m, "--shape", "shapes.bmp", "-r",
                        "99x", "-r", "16"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "error: illegal shape rows '99x'\n");

    const auto ok = run({"-d2", "none.img", "-s", "none.bmp", "--disk2", m, "--shape", "shapes.bmp", "-r", "17",
                         "--shape-rows", "16"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, progress(0, 16));
    EXPECT_EQ(output(1), plain_town());  // 2 x 2 tiles: 16 rows of shapes
}

TEST_P(TowneSheets, SheetFailures)
{
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"-m", "mask.bmp"}, "error: shape bitmap is not specified\n"},
        {{"-s", "none.bmp", "-r", "16"}, "error: open 'none.bmp'\nerror: read shape bitmap 'none.bmp'\n"},
        {{"-s", "shapes.bmp", "-r", "16", "-m", "none.bmp"},
         "error: open 'none.bmp'\nerror: read mask bitmap 'none.bmp'\n"},
        {{"-s", "shapes.bmp", "-r", "16", "-m", "small.bmp"},
         "error: illegal mask bitmap size\nerror: read mask bitmap 'small.bmp'\n"},
    };
    write_file(dir / "small.bmp", mask_sheet(15));
    for (const Case& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, c.out);
        EXPECT_FALSE(fs::exists(dir / kOutputNames[0]));
    }
}

TEST_P(TowneSheets, MissingMorvaneImageOrTownFiles)
{
    const Port& port = GetParam();
    const std::string m = port.morvane;
    fs::remove(dir / m);
    auto r = run({"-s", "shapes.bmp", "-r", "16"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "open error '" + m + "'\nerror: read disk image '" + m + "'\nerror: read image file '" +
                         m + "'\n");

    write_file(dir / m, image(port, {{"TOWNE.BIN", std::vector<uint8_t>(kTowneBinBytes)}}));
    r = run({"-s", "shapes.bmp", "-r", "16"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "can't find 'PEOPLE.BIN'\nerror: read disk image '" + m +
                         "/PEOPLE.BIN'\nerror: read image file '" + m + "'\n");

    write_file(dir / m, image(port, {{"TOWNE.BIN", std::vector<uint8_t>(kTowneBinBytes + 1)},
                                     {"PEOPLE.BIN", std::vector<uint8_t>(kPeopleBinBytes)}}));
    r = run({"-s", "shapes.bmp", "-r", "16"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "file size error 'TOWNE.BIN' 17409 > 17408\nerror: read disk image '" + m +
                         "/TOWNE.BIN'\nerror: read image file '" + m + "'\n");

    write_file(dir / m, image(port, {{"TOWNE.BIN", std::vector<uint8_t>(kTowneBinBytes)},
                                     {"PEOPLE.BIN", std::vector<uint8_t>(kPeopleBinBytes + 1)}}));
    r = run({"-s", "shapes.bmp", "-r", "16"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "file size error 'PEOPLE.BIN' 4353 > 4352\nerror: read disk image '" + m +
                         "/PEOPLE.BIN'\nerror: read image file '" + m + "'\n");

    // Named elsewhere with -d2, and an image of no accepted size.
    write_file(dir / "odd.img", std::vector<uint8_t>(1000));
    r = run({"-s", "shapes.bmp", "-r", "16", "-d2", "odd.img"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "unsupported image 'odd.img'\nerror: read disk image 'odd.img'\nerror: read image file "
                     "'odd.img'\n");
    EXPECT_FALSE(fs::exists(dir / kOutputNames[0]));
}

TEST_P(TowneSheets, ShapeRowLimits)
{
    const Port& port = GetParam();
    struct Case {
        std::string word;
        bool pc98_accepts;
        bool x68k_accepts;
    };
    const Case cases[] = {
        {"16", true, true},     {"22", true, true},    {"23", true, false},   {"0x17", true, false},
        {"027", true, false},   {"0x16", true, true},  {"15", false, false},  {"24", false, false},
        {"0", false, false},    {"-16", false, false}, {"16x", false, false}, {"", false, false},
        {"abc", false, false},  {"4294967312", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        const bool accepted = port.pc98 ? c.pc98_accepts : c.x68k_accepts;
        const auto r = run({"-r", c.word, "-s", "none.bmp"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, accepted ? "error: open 'none.bmp'\nerror: read shape bitmap 'none.bmp'\n"
                                  : "error: illegal shape rows '" + c.word + "'\n");
    }
}

TEST_P(TowneSheets, SheetOfTheLargestRowCount)
{
    const Port& port = GetParam();
    write_file(dir / "big.bmp", shape_sheet(static_cast<uint32_t>(port.max_rows)));
    const auto r = run({"-s", "big.bmp", "-r", std::to_string(port.max_rows)});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(output(0), town_picture([](uint32_t x, uint32_t y, uint32_t) -> int {
                  const int whole[3] = {34, 188, 48};
                  return y == 0 && x <= 2 ? whole[x] : 0;
              }));
}

INSTANTIATE_TEST_SUITE_P(Ports, TowneSheets, testing::Values(kPc98, kX68k), port_name);

// ---- the command line alone ------------------------------------------------------

std::string usage(const Port& port)
{
    return std::string("usage: ") + port.tool +
           " [options]\n"
           "option:\n"
           "        -d1|--disk1|--arvelon-disk    DISK-IMG\n"
           "                                specify arvelon disk\n"
           "                                read '" +
           port.arvelon +
           "' if not specified\n"
           "        -d2|--disk2|--morvane-disk DISK-IMG\n"
           "                                specify morvane disk\n"
           "                                read '" +
           port.morvane +
           "' if not specified\n"
           "        -s|--shape SHAPE-BMP    read shape data from specified file\n"
           "        -r|--shape-rows NUM     specify number of shape rows (16-" +
           std::to_string(port.max_rows) +
           ")\n"
           "        -m|--mask  MASK-BMP     read mask data from specified file\n"
           "        -M|--no-mask            not use mask data\n"
           "        -n|--no-npcs                draw no NPCs\n"
           "           --overwrite              overwrite output files\n"
           "        -?|--help                   print usage\n"
           "           --png                    write PNG instead of BMP\n"
           "           --export-shapes SHAPE-BMP  write shapes to specified file\n"
           "           --export-mask MASK-BMP     write mask to specified file\n"
           "           --version                print version\n"
           "           --atlas DIR          write a layer of a web atlas into DIR\n"
           "           --tiled DIR          write Tiled map files into DIR\n"
           "           --area X,Y,W,H       draw only W x H tiles from column X, row Y\n"
           "           --shrink N           shrink the picture N times (2, 4, 8, 16, 32)\n";
}

class TowneCommandLine : public testing::TestWithParam<Port> {};

TEST_P(TowneCommandLine, UsageText)
{
    const Port& port = GetParam();
    TempDir dir;
    for (const char* option : {"-?", "--help"}) {
        const auto r = run_tool(port.tool, {"stray", option, "-x"}, dir.path());
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, "error: illegal parameter 'stray'\n" + usage(port));
    }
    EXPECT_TRUE(files_in(dir.path()).empty());
}

TEST_P(TowneCommandLine, BadOptionsEndTheRunAtOnce)
{
    const Port& port = GetParam();
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"-x"}, "error: unknown option '-x'\n"},
        {{"-"}, "error: unknown option '-'\n"},
        {{"-nM"}, "error: unknown option '-nM'\n"},
        {{"--shape=a.bmp"}, "error: unknown option '--shape=a.bmp'\n"},
        {{"--OVERWRITE"}, "error: unknown option '--OVERWRITE'\n"},
        {{"-d1"}, "error: no disk image name\n"},
        {{"--disk2"}, "error: no disk image name\n"},
        {{"--arvelon-disk"}, "error: no disk image name\n"},
        {{"--morvane-disk"}, "error: no disk image name\n"},
        {{"-s"}, "error: no bitmap name\n"},
        {{"-m"}, "error: no bitmap name\n"},
        {{"-r"}, "error: no shape rows\n"},
        {{"-n", "--shape-rows"}, "error: no shape rows\n"},
        // The word after an option is its argument whatever it looks like.
        {{"-s", "-x", "-r", "-1"}, "error: illegal shape rows '-1'\n"},
        {{"-m", "mask.bmp"}, "error: shape bitmap is not specified\n"},
        {{"-m", "mask.bmp", "-M"}, "error: shape bitmap is not specified\n"},
    };
    for (const Case& c : cases) {
        const auto r = run_tool(port.tool, c.args, dir.path());
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_EQ(r.out, c.out) << c.args[0];
    }
    EXPECT_TRUE(files_in(dir.path()).empty());
}

INSTANTIATE_TEST_SUITE_P(Ports, TowneCommandLine, testing::Values(kPc98, kX68k), port_name);

}  // namespace
