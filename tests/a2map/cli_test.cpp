// vorna2map as a program: command line, messages, exit status and the
// pictures it writes from synthetic disk images.
#include <gtest/gtest.h>

#include <random>

#include "a2_test_util.h"
#include "a2map.h"
#include "bitmap.h"
#include "dos33.h"
#include "hires.h"
#include "retouch.h"
#include "sample_a2.h"
#include "tool_run.h"
#include "worldmap.h"

namespace {

namespace fs = std::filesystem;
using vorn_test::read_file;
using vorn_test::run_tool;
using vorn_test::write_file;

constexpr char kTool[] = "vorna2map";
constexpr size_t kPlainBmpBytes = 29360246;
constexpr size_t kRetouchedBmpBytes = 176160822;
constexpr uint32_t kSheetTile = 2;

const std::string kUsage =
    "usage: vorna2map [options]\n"
    "option:\n"
    "        -d1|--disk1|--program-disk   DISK-IMG\n"
    "                                specify program disk\n"
    "                                read 'VORNboot.dsk' if not specified\n"
    "        -d2|--disk2|--morvane-disk DISK-IMG\n"
    "                                specify morvane disk\n"
    "                                read 'vornmorvane.dsk' if not specified\n"
    "        --do|--po               specify sector order of disk image\n"
    "                                    --do    DOS 3.3 order (default)\n"
    "                                    --po    ProDOS order\n"
    "        -B|--blur               blur graphics\n"
    "        -s|--shape SHAPE-BMP    read shape data from specified file\n"
    "        -o|--output OUTPUT-BMP  write bitmap to specified file\n"
    "        -g|--gates              draw all moon gates\n"
    "        -p|--phase NUM          draw moon gate of specified phase (1-8)\n"
    "        -b|--baloon             draw baloon\n"
    "           --overwrite          overwrite output file\n"
    "        -?|--help               print usage\n"
    "           --png                write PNG instead of BMP\n"
    "           --export-shapes SHAPE-BMP  write shapes to specified file\n"
    "           --version            print version\n"
    "           --atlas DIR          write a layer of a web atlas into DIR\n"
    "           --tiled DIR          write Tiled map files into DIR\n"
    "           --area X,Y,W,H       draw only W x H tiles from column X, row Y\n"
    "           --shrink N           shrink the picture N times (2, 4, 8, 16, 32)\n";

// The map as the sample morvane disk stores it (chunks of 16 x 16 tiles).
const std::vector<uint8_t>& sample_map()
{
    static const std::vector<uint8_t> map = [] {
        const auto disk = sample::a2_morvane_disk(false);
        return std::vector<uint8_t>(disk.begin(), disk.begin() + 65536);
    }();
    return map;
}

class A2CliTest : public testing::Test {
protected:
    vorn_test::TempDir dir;

    void SetUp() override
    {
        write_file(dir / "VORNboot.dsk", sample::a2_program_disk(false));
        write_file(dir / "vornmorvane.dsk", sample::a2_morvane_disk(false));
        write_file(dir / "VORNboot.po", sample::a2_program_disk(true));
        write_file(dir / "vornmorvane.po", sample::a2_morvane_disk(true));
        write_sheet();
    }

    vorn_test::RunResult run(const std::vector<std::string>& args, const std::string& input = "")
    {
        return run_tool(kTool, args, dir.path(), input);
    }

    // An 8-bit sheet of 2 x 2 tiles in which every pixel of shape n is n.
    void write_sheet()
    {
        Bitmap sheet;
        sheet.width = 16 * kSheetTile;
        sheet.height = 16 * kSheetTile;
        sheet.bits_per_pixel = 8;
        sheet.size = sheet.width * sheet.height;
        sheet.pixels.resize(sheet.size);
        for (uint32_t y = 0; y < sheet.height; ++y)
            for (uint32_t x = 0; x < sheet.width; ++x)
                sheet.pixels[y * sheet.width + x] = static_cast<uint8_t>((y / kSheetTile) * 16 + x / kSheetTile);
        static std::vector<uint8_t> palette(1024);
        for (size_t i = 0; i < 256; ++i) palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<uint8_t>(i);
        sheet.palette = palette;
        ASSERT_EQ(write_bitmap_file((dir / "sheet.bmp").string().c_str(), sheet, 1), 0);
    }

    // The picture the tool should write with the shapes of the program disk,
    // written by the library itself.
    std::vector<uint8_t> expected_picture(int blur)
    {
        ShapeSet shapes;
        Bitmap bitmap;
        const std::string disk = (dir / "VORNboot.dsk").string();
        EXPECT_EQ(load_hires_shapes(disk.c_str(), kSectorOrderDos, shapes), 0);
        EXPECT_EQ(bitmap_create(bitmap, shapes, 256, 256), 0);
        draw_world_map(bitmap, shapes, sample_map(), 0, 0, 16);
        if (blur < 2) colorize_bitmap(bitmap, blur);
        else EXPECT_EQ(retouch_bitmap(bitmap), 0);
        const std::string path = (dir / "expected.bmp").string();
        EXPECT_EQ(write_bitmap_file(path.c_str(), bitmap, 1), 0);
        auto bytes = read_file(path);
        fs::remove(path);
        return bytes;
    }

    // Tile numbers of a picture drawn with the 2 x 2 sheet: the top-left
    // pixel of every tile, row by row.
    std::vector<uint8_t> sheet_tiles(const std::string& name)
    {
        const auto bmp = read_file(dir / name);
        EXPECT_EQ(bmp.size(), 1078u + 512u * 512u);
        if (bmp.size() != 1078u + 512u * 512u) return {};
        std::vector<uint8_t> tiles(65536);
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t x = 0; x < 256; ++x) tiles[y * 256 + x] = bmp[1078 + (511 - 2 * y) * 512 + 2 * x];
        return tiles;
    }

    // What those tiles should be: the map with the chosen gates and balloon.
    static std::vector<uint8_t> map_tiles(uint32_t gates, bool balloon)
    {
        std::vector<uint8_t> tiles(65536);
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t x = 0; x < 256; ++x) tiles[y * 256 + x] = sample_map()[world_map_index(x, y, 16)];
        for (uint32_t k = 0; k < 8; ++k)
            if (gates & (1U << k)) tiles[kMoonGateSites[k].y * 256 + kMoonGateSites[k].x] = kMoonGateShape;
        if (balloon) tiles[kBalloonSite.y * 256 + kBalloonSite.x] = kBalloonShape;
        return tiles;
    }
};

TEST(A2Arguments, AnyWordSequenceEndsInGoOnOrStatusOne)
{
    const char* words[] = {"-d1", "-d2", "--do", "--po", "-B", "-s", "-o", "-g", "-p", "-b", "--overwrite",
                           "-?", "--help", "3", "0x8", "9", "", "-", "x.dsk", "--disk1", "-P", "--phase"};
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::string> args = {"vorna2map"};
        for (unsigned n = rng() % 7; n > 0; --n) args.emplace_back(words[rng() % std::size(words)]);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        A2MapSettings settings;
        int status = -1;
        captured([&] { status = a2map_parse_arguments(settings, static_cast<int>(args.size()), argv.data()); });
        ASSERT_TRUE(status == 0 || status == 1);
        EXPECT_LE(settings.blur, 2);
        EXPECT_LE(settings.gates, 255u);
    }
}

TEST_F(A2CliTest, UsageText)
{
    for (const char* opt : {"-?", "--help"}) {
        const auto r = run({"-B", opt, "-x"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, kUsage);
    }
}

TEST_F(A2CliTest, MissingOptionArguments)
{
    const std::pair<const char*, const char*> cases[] = {
        {"-d1", "error: no disk image name\n"},      {"--disk1", "error: no disk image name\n"},
        {"--program-disk", "error: no disk image name\n"}, {"-d2", "error: no disk image name\n"},
        {"--disk2", "error: no disk image name\n"},  {"--morvane-disk", "error: no disk image name\n"},
        {"-s", "error: no bitmap name\n"},           {"--shape", "error: no bitmap name\n"},
        {"-o", "error: no output name\n"},           {"--output", "error: no output name\n"},
        {"-p", "error: no phase value\n"},           {"--phase", "error: no phase value\n"},
    };
    for (const auto& [opt, message] : cases) {
        const auto r = run({"-g", opt});
        EXPECT_EQ(r.status, 1) << opt;
        EXPECT_EQ(r.out, message) << opt;
    }
    EXPECT_FALSE(fs::exists(dir / "vorn.Morvane.bmp"));
}

TEST_F(A2CliTest, RefusedPhases)
{
    for (const char* phase : {"9", "0", "3x", "-1", "", "0x", "4294967299", "08"}) {
        const auto r = run({"-p", "2", "-p", phase});
        EXPECT_EQ(r.status, 1) << phase;
        EXPECT_EQ(r.out, std::string("error: illegal phase value: ") + phase + "\n");
    }
}

TEST_F(A2CliTest, UnknownOptionsEndTheRunAfterEarlierMessages)
{
    for (const char* opt : {"-x", "-", "--blur=1", "-Bb", "--PO", "-d3", "--baloon2"}) {
        const auto r = run({"stray", opt, "-?"});
        EXPECT_EQ(r.status, 1) << opt;
        EXPECT_EQ(r.out, std::string("error: illegal parameter 'stray'\nerror: unknown option '") + opt + "'\n");
    }
}

TEST_F(A2CliTest, DefaultsReadTheDosOrderImagesAndColourWithoutBlur)
{
    const auto r = run({});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    const auto bmp = read_file(dir / "vorn.Morvane.bmp");
    ASSERT_EQ(bmp.size(), kPlainBmpBytes);
    EXPECT_EQ(get_le16(bmp.data() + 28), 4);
    EXPECT_TRUE(std::equal(kHiresPalette.begin(), kHiresPalette.end(), bmp.begin() + 54));
    EXPECT_TRUE(bmp == expected_picture(0));
}

TEST_F(A2CliTest, SectorOrders)
{
    ASSERT_EQ(run({"-o", "dos.bmp"}).status, 0);
    const auto r = run({"--po", "-d1", "VORNboot.po", "--morvane-disk", "vornmorvane.po", "-o", "po.bmp"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(read_file(dir / "po.bmp") == read_file(dir / "dos.bmp"));
    // The last order given wins, for both images.
    EXPECT_EQ(run({"--po", "--do", "-o", "podo.bmp"}).status, 0);
    EXPECT_TRUE(read_file(dir / "podo.bmp") == read_file(dir / "dos.bmp"));
}

TEST_F(A2CliTest, BlurOnceGivesTheBlurredPalettePicture)
{
    const auto r = run({"--blur", "-o", "blur.bmp"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    const auto bmp = read_file(dir / "blur.bmp");
    ASSERT_EQ(bmp.size(), kPlainBmpBytes);
    EXPECT_TRUE(bmp == expected_picture(1));
}

TEST_F(A2CliTest, BlurTwiceOrMoreRetouches)
{
    ASSERT_EQ(run({"-B", "-B", "-o", "two.bmp"}).status, 0);
    const auto two = read_file(dir / "two.bmp");
    ASSERT_EQ(two.size(), kRetouchedBmpBytes);
    EXPECT_EQ(get_le16(two.data() + 28), 24);
    EXPECT_TRUE(two == expected_picture(2));
    const auto r = run({"-B", "--blur", "-B", "-o", "three.bmp"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(read_file(dir / "three.bmp") == two);
}

TEST_F(A2CliTest, SheetSkipsTheProgramDiskAndTheColouring)
{
    const auto r = run({"-d1", "missing.dsk", "-s", "sheet.bmp", "-B", "-B", "-o", "sheet_map.bmp"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(get_le16(read_file(dir / "sheet_map.bmp").data() + 28), 8);
    EXPECT_TRUE(sheet_tiles("sheet_map.bmp") == map_tiles(0, false));
}

TEST_F(A2CliTest, GatesAndBalloon)
{
    struct Case {
        std::vector<std::string> args;
        uint32_t gates;
        bool balloon;
    };
    const Case cases[] = {
        {{"-g"}, 255, false},
        {{"-p", "3", "--phase", "0x5"}, 20, false},
        {{"-p", "8", "-g"}, 255, false},
        {{"-g", "-p", "1"}, 255, false},
        {{"-p", "010"}, 128, false},
        {{"--baloon"}, 0, true},
        {{"-b", "--gates"}, 255, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"-s", "sheet.bmp", "-o", "g.bmp", "--overwrite"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = run(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "");
        EXPECT_TRUE(sheet_tiles("g.bmp") == map_tiles(c.gates, c.balloon)) << c.gates;
    }
}

TEST_F(A2CliTest, StrayWordsAreReportedButTheRunGoesOn)
{
    const auto r = run({"stray.dsk", "-s", "sheet.bmp", "other"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "error: illegal parameter 'stray.dsk'\nerror: illegal parameter 'other'\n");
    EXPECT_TRUE(fs::exists(dir / "vorn.Morvane.bmp"));
}

TEST_F(A2CliTest, OptionArgumentsMayBeginWithADash)
{
    const auto r = run({"-s", "sheet.bmp", "-o", "-out.bmp"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(fs::exists(dir / "-out.bmp"));
}

TEST_F(A2CliTest, ProgramDiskFailures)
{
    const std::vector<sample::A2File> left_only = {
        {"S\x01HP0", 0x04, sample::a2_binary_contents(0x6000, sample::a2_hires_shapes(0))}};
    write_file(dir / "half.dsk", sample::a2_dos33_image(left_only));
    write_file(dir / "small.dsk", std::vector<uint8_t>(73727));
    const std::pair<std::string, std::string> cases[] = {
        {"half.dsk", "file not found 'S\x01HP1'\nerror: can't get file 'half.dsk/S\x01HP1'\n"},
        {"none.dsk", "open error 'none.dsk'\nerror: read disk image 'none.dsk'\n"},
        {"small.dsk", "disk image size error\ncan't get catalog 'small.dsk'\nerror: read disk image 'small.dsk'\n"},
    };
    for (const auto& [disk, messages] : cases) {
        const auto r = run({"-d1", disk});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, messages + "error: read shapes from disk image\n");
    }
    EXPECT_FALSE(fs::exists(dir / "vorn.Morvane.bmp"));
}

TEST_F(A2CliTest, SheetFailure)
{
    const auto r = run({"-s", "nosheet.bmp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "error: open 'nosheet.bmp'\nerror: read shape bitmap 'nosheet.bmp'\n");
}

TEST_F(A2CliTest, PictureTooLargeForMemory)
{
    // Tiles of 260 x 260 make a world picture of over 4 GiB pixels.
    Bitmap sheet;
    sheet.width = sheet.height = 16 * 260;
    sheet.bits_per_pixel = 8;
    sheet.size = sheet.width * sheet.height;
    sheet.pixels.assign(sheet.size, 1);
    static const std::vector<uint8_t> palette(1024, 0x80);
    sheet.palette = palette;
    ASSERT_EQ(write_bitmap_file((dir / "huge.bmp").string().c_str(), sheet, 1), 0);
    const auto r = run({"-s", "huge.bmp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "error: memory exhausted!\n");
}

TEST_F(A2CliTest, MorvaneImageSizes)
{
    const std::vector<uint8_t> map = sample_map();
    std::vector<uint8_t> short_map(map.begin(), map.end() - 1);
    write_file(dir / "m.dsk", map);
    write_file(dir / "m.po", sample::a2_prodos_order(map));
    write_file(dir / "short.dsk", short_map);
    auto short_po = sample::a2_prodos_order(map);
    short_po.pop_back();
    write_file(dir / "short.po", short_po);

    struct Case {
        std::vector<std::string> args;
        int status;
        std::string out;
    };
    const Case cases[] = {
        {{"-d2", "m.dsk"}, 0, ""},
        {{"-d2", "m.po", "--po"}, 0, ""},
        {{"-d2", "short.dsk"}, 1, "error: read 'short.dsk'\nerror: read image file 'short.dsk'\n"},
        {{"-d2", "short.po", "--po"}, 1, "error: read 'short.po'\nerror: read image file 'short.po'\n"},
        {{"-d2", "none.dsk"}, 1, "error: open 'none.dsk'\nerror: read image file 'none.dsk'\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"-s", "sheet.bmp", "--overwrite"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const auto r = run(args);
        EXPECT_EQ(r.status, c.status) << c.args[1];
        EXPECT_EQ(r.out, c.out);
        if (c.status == 0) {
            EXPECT_TRUE(sheet_tiles("vorn.Morvane.bmp") == map_tiles(0, false)) << c.args[1];
        }
    }
}

TEST_F(A2CliTest, DecliningToOverwriteFails)
{
    write_file(dir / "out.bmp", std::string("keep"));
    const auto r = run({"-s", "sheet.bmp", "-o", "out.bmp"}, "n\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "'out.bmp' already exists\noverwrite ? (Y or N): error: write bitmap file 'out.bmp'\n");
    EXPECT_EQ(read_file(dir / "out.bmp"), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));
    const auto yes = run({"-s", "sheet.bmp", "-o", "out.bmp"}, "y\n");
    EXPECT_EQ(yes.status, 0);
    EXPECT_EQ(yes.out, "'out.bmp' already exists\noverwrite ? (Y or N): ");
}

}  // namespace
