// Runs the built vornpc_map on synthetic game files and checks the picture
// bytes, the exact standard output and the exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "sample_ports.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using vorn_test::read_file;
using vorn_test::run_tool;
using vorn_test::TempDir;
using vorn_test::write_file;

namespace {

const std::string kUsage =
    "usage: vornpc_map [options] [DATA-PATH]\n"
    "option:\n"
    "           --cga                read CGA version shapes\n"
    "           --ega                read EGA version shapes (default)\n"
    "        -s|--shape SHAPE-BMP    read shape data from specified file\n"
    "        -o|--output OUTPUT-BMP  write bitmap to specified file\n"
    "        -g|--gates              draw all moon gates\n"
    "        -p|--phase NUM          draw moon gate of specified phase (1-8)\n"
    "        -b|--baloon             draw baloon\n"
    "           --overwrite          overwrite output file\n"
    "        -?|--help               print usage\n"
    "read map data from current directory if not specified\n"
    "           --png                write PNG instead of BMP\n"
    "           --export-shapes SHAPE-BMP  write shapes to specified file\n"
    "           --version            print version\n"
    "           --atlas DIR          write a layer of a web atlas into DIR\n"
    "           --tiled DIR          write Tiled map files into DIR\n"
    "           --area X,Y,W,H       draw only W x H tiles from column X, row Y\n"
    "           --shrink N           shrink the picture N times (2, 4, 8, 16, 32)\n";

// The separator the tool puts between a data directory and a file name: a
// backslash in the Windows build, which runs here through $VORN_TOOL_RUNNER.
std::string data_file(const std::string& dir, const std::string& name)
{
    return dir + (std::getenv("VORN_TOOL_RUNNER") ? "\\" : "/") + name;
}

void put32(std::vector<uint8_t>& v, size_t at, uint32_t x)
{
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// The picture the tool must write, computed here independently: every tile
// of the world decoded straight from the shape file, then a 4-bit BMP.
std::vector<uint8_t> expected_picture(const std::vector<uint8_t>& shapes_file, bool cga,
                                      const std::vector<uint8_t>& map, uint32_t gates, bool balloon)
{
    static const uint8_t palette[16][3] = {  // red, green, blue
        {0, 0, 0},    {0, 0, 170},   {0, 170, 0},   {0, 170, 170},  {170, 0, 0},   {170, 0, 170},
        {170, 85, 0}, {170, 170, 170}, {85, 85, 85}, {85, 85, 255}, {85, 255, 85}, {85, 255, 255},
        {255, 85, 85}, {255, 85, 255}, {255, 255, 85}, {255, 255, 255}};
    static const uint32_t sites[8][2] = {{224, 133}, {96, 102}, {38, 224}, {50, 37},
                                         {166, 19},  {104, 194}, {23, 126}, {187, 167}};
    auto shape_pixel = [&](uint32_t n, uint32_t x, uint32_t y) -> uint8_t {
        if (!cga) {
            const uint8_t b = shapes_file[n * 128 + y * 8 + x / 2];
            return x % 2 ? b & 15 : b >> 4;
        }
        const uint32_t line = y % 2 ? 8 + y / 2 : y / 2;
        const uint8_t b = shapes_file[n * 64 + line * 4 + x / 4];
        static const uint8_t to_palette[4] = {0, 3, 5, 7};
        return to_palette[(b >> (6 - 2 * (x % 4))) & 3];
    };
    const uint32_t size = 4096;
    std::vector<uint8_t> bmp(118 + size / 2 * size);
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(bmp, 2, static_cast<uint32_t>(bmp.size()));
    put32(bmp, 10, 118);
    put32(bmp, 14, 40);
    put32(bmp, 18, size);
    put32(bmp, 22, size);
    bmp[26] = 1;
    bmp[28] = 4;
    put32(bmp, 34, size / 2 * size);
    for (int i = 0; i < 16; ++i) {
        bmp[54 + 4 * i] = palette[i][2];
        bmp[55 + 4 * i] = palette[i][1];
        bmp[56 + 4 * i] = palette[i][0];
    }
    for (uint32_t ty = 0; ty < 256; ++ty)
        for (uint32_t tx = 0; tx < 256; ++tx) {
            uint32_t n = map[((ty / 32) * 8 + tx / 32) * 1024 + (ty % 32) * 32 + tx % 32];
            for (int k = 0; k < 8; ++k)
                if ((gates >> k & 1) && sites[k][0] == tx && sites[k][1] == ty) n = 67;
            if (balloon && tx == 233 && ty == 242) n = 24;
            for (uint32_t y = 0; y < 16; ++y) {
                const uint32_t row = size - 1 - (ty * 16 + y);
                for (uint32_t x = 0; x < 16; x += 2)
                    bmp[118 + row * size / 2 + (tx * 16 + x) / 2] =
                        static_cast<uint8_t>(shape_pixel(n, x, y) << 4 | shape_pixel(n, x + 1, y));
            }
        }
    return bmp;
}

class PcMapCli : public ::testing::Test {
protected:
    void SetUp() override
    {
        ega = sample::pc_shapes_ega();
        cga = sample::pc_shapes_cga();
        map = sample::pc_world_map();
        write_file(dir / "SHAPES.EGA", ega);
        write_file(dir / "SHAPES.CGA", cga);
        write_file(dir / "WORLD.MAP", map);
    }
    vorn_test::RunResult run(const std::vector<std::string>& args, const std::string& input = "")
    {
        return run_tool("vornpc_map", args, dir.path(), input);
    }
    std::vector<uint8_t> output(const std::string& name = "vorn.Morvane.bmp") { return read_file(dir / name); }

    TempDir dir;
    std::vector<uint8_t> ega, cga, map;
};

TEST_F(PcMapCli, DefaultRunWritesTheEgaWorld)
{
    const auto r = run({});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    const auto bmp = output();
    ASSERT_EQ(bmp.size(), 8388726u);
    EXPECT_TRUE(bmp == expected_picture(ega, false, map, 0, false));
}

TEST_F(PcMapCli, OptionsChooseShapesGatesAndBalloon)
{
    struct Case {
        std::vector<std::string> args;
        bool cga;
        uint32_t gates;
        bool balloon;
    };
    const Case cases[] = {
        {{"--cga"}, true, 0, false},
        {{"--cga", "--ega", "-g"}, false, 255, false},
        {{"-p", "3", "-p", "0x5", "-b"}, false, 20, true},
        {{"-p", "0x8", "--phase", "010"}, false, 128, false},  // hexadecimal and octal both mean 8
        {{"-g", "-p", "2"}, false, 255, false},
        {{"-p", "2", "-g"}, false, 255, false},
        {{"-p", " 1"}, false, 1, false},  // leading blanks are skipped as strtoul does
        {{"-s", "sheet.bmp", "--cga", "--baloon"}, true, 0, true},  // --cga turns the sheet off
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-o", "out.bmp", "--overwrite"});
        const auto r = run(args);
        EXPECT_EQ(r.out, "") << args[0];
        EXPECT_EQ(r.status, 0) << args[0];
        EXPECT_TRUE(output("out.bmp") == expected_picture(c.cga ? cga : ega, c.cga, map, c.gates, c.balloon))
            << args[0];
    }
}

TEST_F(PcMapCli, CommandLineRefusals)
{
    struct Case {
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {{"-?"}, kUsage},
        {{"-g", "--help"}, kUsage},
        {{"-p", "9", "--help"}, "error: illegal phase value: 9\n"},
        {{"-p", "0"}, "error: illegal phase value: 0\n"},
        {{"-p", "9"}, "error: illegal phase value: 9\n"},
        {{"-p", "3x"}, "error: illegal phase value: 3x\n"},
        {{"-p", "-1"}, "error: illegal phase value: -1\n"},
        {{"-p", "0x"}, "error: illegal phase value: 0x\n"},
        {{"-p", ""}, "error: illegal phase value: \n"},
        {{"-p", "4294967297"}, "error: illegal phase value: 4294967297\n"},  // saturates, then refused
        {{"-p"}, "error: no phase value\n"},
        {{"-s"}, "error: no bitmap name\n"},
        {{"-o"}, "error: no output name\n"},
        {{"-x"}, "error: unknown option '-x'\n"},
        {{"-"}, "error: unknown option '-'\n"},
        {{"-gb"}, "error: unknown option '-gb'\n"},
        {{"--output=x.bmp"}, "error: unknown option '--output=x.bmp'\n"},
        {{"data", "more"}, "error: illegal parameter 'more'\n"},
    };
    for (const Case& c : cases) {
        const auto r = run(c.args);
        EXPECT_EQ(r.out, c.out) << c.args[0];
        EXPECT_EQ(r.status, 1) << c.args[0];
        EXPECT_FALSE(fs::exists(dir / "vorn.Morvane.bmp")) << c.args[0];
    }
}

TEST_F(PcMapCli, OptionArgumentsAreTakenWhateverTheyLookLike)
{
    const auto r = run({"-o", "-g"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(output("-g") == expected_picture(ega, false, map, 0, false));
}

TEST_F(PcMapCli, DataPathJoinsWithTheSeparator)
{
    fs::create_directory(dir / "data");
    for (const char* name : {"SHAPES.EGA", "WORLD.MAP"}) fs::rename(dir / name, dir / "data" / name);
    // A trailing separator gives a doubled one, which the system accepts.
    for (const std::string& path : {std::string("data"), data_file("data", "")}) {
        const auto r = run({path, "--overwrite"});
        EXPECT_EQ(r.out, "") << path;
        EXPECT_EQ(r.status, 0) << path;
    }
    const auto missing = run({"nowhere"});
    EXPECT_EQ(missing.out, "error: open '" + data_file("nowhere", "SHAPES.EGA") + "'\nerror: read shapes\n");
    EXPECT_EQ(missing.status, 1);

    fs::remove(dir / "data" / "WORLD.MAP");
    const auto no_map = run({"data", "--overwrite"});
    EXPECT_EQ(no_map.out,
              "error: open '" + data_file("data", "WORLD.MAP") + "'\nerror: read map data 'WORLD.MAP'\n");
    EXPECT_EQ(no_map.status, 1);
}

TEST_F(PcMapCli, EmptyDataPathIsTheCurrentDirectory)
{
    const auto r = run({""});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
}

TEST_F(PcMapCli, MissingAndShortGameFiles)
{
    struct Case {
        const char* file;
        size_t keep;  // bytes kept, or SIZE_MAX to remove the file
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {"SHAPES.EGA", SIZE_MAX, {}, "error: open 'SHAPES.EGA'\nerror: read shapes\n"},
        {"SHAPES.CGA", SIZE_MAX, {"--cga"}, "error: open 'SHAPES.CGA'\nerror: read shapes\n"},
        {"SHAPES.EGA", 32767, {}, "error: read 'SHAPES.EGA'\nerror: read shapes\n"},
        {"SHAPES.CGA", 16383, {"--cga"}, "error: read 'SHAPES.CGA'\nerror: read shapes\n"},
        {"WORLD.MAP", SIZE_MAX, {}, "error: open 'WORLD.MAP'\nerror: read map data 'WORLD.MAP'\n"},
        {"WORLD.MAP", 65535, {}, "error: read 'WORLD.MAP'\nerror: read map data 'WORLD.MAP'\n"},
        {"WORLD.MAP", 0, {}, "error: read 'WORLD.MAP'\nerror: read map data 'WORLD.MAP'\n"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.keep == SIZE_MAX) {
            fs::remove(dir / c.file);
        } else {
            auto bytes = read_file(dir / c.file);
            bytes.resize(c.keep);
            write_file(dir / c.file, bytes);
        }
        const auto r = run(c.args);
        EXPECT_EQ(r.out, c.out) << c.file << " " << c.keep;
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(fs::exists(dir / "vorn.Morvane.bmp"));
    }
}

TEST_F(PcMapCli, LongerGameFilesUseTheirFirstBytes)
{
    ega.resize(40000, 0xAB);
    map.resize(70000, 0xCD);
    write_file(dir / "SHAPES.EGA", ega);
    write_file(dir / "WORLD.MAP", map);
    const auto r = run({});
    EXPECT_EQ(r.status, 0);
    ega.resize(32768);
    map.resize(65536);
    EXPECT_TRUE(output() == expected_picture(ega, false, map, 0, false));
}

TEST_F(PcMapCli, GameFilesAndPictureAreBinary)
{
    // Carriage returns, line feeds and the DOS end-of-file byte must pass
    // through unchanged both ways (a text-mode stream would alter them).
    for (size_t i = 0; i < ega.size(); ++i)
        ega[i] = static_cast<uint8_t>(i % 3 == 0 ? 0x0D : i % 3 == 1 ? 0x0A : 0x1A);
    for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint8_t>(i % 2 ? 0x0A : 0x1A);
    write_file(dir / "SHAPES.EGA", ega);
    write_file(dir / "WORLD.MAP", map);
    const auto r = run({"-g"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(output() == expected_picture(ega, false, map, 255, false));
}

TEST_F(PcMapCli, OverwriteQuestionReadsStandardInput)
{
    const std::string asked = "'vorn.Morvane.bmp' already exists\noverwrite ? (Y or N): ";
    const std::string refused = asked + "error: write bitmap file 'vorn.Morvane.bmp'\n";
    struct Case {
        std::string input;
        bool replaced;
    };
    const Case cases[] = {
        {"y\n", true}, {"Y", true}, {"yes\n", true}, {"ok?\nY\n", true},  // "ok?" answers nothing
        {"n\n", false}, {"N", false}, {"\n\nnope\n", false}, {"", false},   // end of input is a no
        {"maybe\n", true},  // the first of the four letters decides, even inside a word
    };
    for (const Case& c : cases) {
        write_file(dir / "vorn.Morvane.bmp", std::string("old"));
        const auto r = run({}, c.input);
        EXPECT_EQ(r.out, c.replaced ? asked : refused) << c.input;
        EXPECT_EQ(r.status, c.replaced ? 0 : 1) << c.input;
        EXPECT_EQ(output().size(), c.replaced ? 8388726u : 3u) << c.input;
    }
    // With --overwrite no question is asked.
    write_file(dir / "vorn.Morvane.bmp", std::string("old"));
    const auto r = run({"--overwrite"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(output().size(), 8388726u);
}

TEST_F(PcMapCli, WriteErrorOnAFullDeviceReportsStatusOne)
{
    if (std::getenv("VORN_TOOL_RUNNER")) GTEST_SKIP() << "needs the POSIX /dev/full";
    const auto full = run({"-o", "/dev/full", "--overwrite"});
    EXPECT_EQ(full.out,
              "error: write_bitmap() - can't write bitmap data\n"
              "error: write bitmap '/dev/full'\n"
              "error: write bitmap file '/dev/full'\n");
    EXPECT_EQ(full.status, 1);
}

TEST_F(PcMapCli, FailedWritesReportStatusOne)
{
    const auto missing_dir = run({"-o", "nodir/x.bmp"});
    EXPECT_EQ(missing_dir.out, "error: open 'nodir/x.bmp'\nerror: write bitmap file 'nodir/x.bmp'\n");
    EXPECT_EQ(missing_dir.status, 1);

    fs::create_directory(dir / "adir");
    const auto to_dir = run({"-o", "adir", "--overwrite"});
    EXPECT_EQ(to_dir.out, "error: open 'adir'\nerror: write bitmap file 'adir'\n");
    EXPECT_EQ(to_dir.status, 1);

    // An empty name cannot be created; nothing else may appear in its place.
    const auto empty = run({"-o", ""});
    EXPECT_EQ(empty.out, "error: open ''\nerror: write bitmap file ''\n");
    EXPECT_EQ(empty.status, 1);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"SHAPES.CGA", "SHAPES.EGA", "WORLD.MAP", "adir"}));
}

TEST_F(PcMapCli, FailedWriteKeepsTheFileItWasToReplace)
{
    if (std::getenv("VORN_TOOL_RUNNER")) GTEST_SKIP() << "needs a POSIX file size limit";
    // A file size limit makes the write fail half way: the old picture must
    // survive whole and no temporary file may stay behind.
    write_file(dir / "old.bmp", std::string("precious"));
    const std::string command = "cd '" + dir.path().string() + "' && (ulimit -f 1000; trap '' XFSZ; exec '" +
                                vorn_test::tool_path("vornpc_map").string() +
                                "' -o old.bmp --overwrite) > stdout.txt";
    const int status = std::system(command.c_str());
    EXPECT_NE(status, 0);
    const auto out = read_file(dir / "stdout.txt");
    EXPECT_EQ(std::string(out.begin(), out.end()),
              "error: write_bitmap() - can't write bitmap data\n"
              "error: write bitmap 'old.bmp'\n"
              "error: write bitmap file 'old.bmp'\n");
    EXPECT_EQ(read_file(dir / "old.bmp").size(), 8u);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

// A small 8-bit shape sheet: 16 x 16 tiles of 2 x 2 pixels, every pixel of
// shape n holding n, and a grey-ramp palette.
std::vector<uint8_t> sheet_bmp(uint32_t tile)
{
    const uint32_t w = 16 * tile, h = 16 * tile, row = (w + 3) & ~3u;
    std::vector<uint8_t> bmp(1078 + size_t{row} * h);
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(bmp, 2, static_cast<uint32_t>(bmp.size()));
    put32(bmp, 10, 1078);
    put32(bmp, 14, 40);
    put32(bmp, 18, w);
    put32(bmp, 22, h);
    bmp[26] = 1;
    bmp[28] = 8;
    put32(bmp, 34, row * h);
    for (int i = 0; i < 256; ++i) bmp[54 + 4 * i] = bmp[55 + 4 * i] = bmp[56 + 4 * i] = static_cast<uint8_t>(i);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            bmp[1078 + size_t{h - 1 - y} * row + x] = static_cast<uint8_t>((y / tile) * 16 + x / tile);
    return bmp;
}

TEST_F(PcMapCli, ShapeSheetGivesTheSheetsTileSizeAndBitCount)
{
    write_file(dir / "sheet.bmp", sheet_bmp(2));
    const auto r = run({"--cga", "-s", "sheet.bmp", "-o", "s.bmp", "-g"});
    EXPECT_EQ(r.out, "");
    ASSERT_EQ(r.status, 0);
    const auto bmp = output("s.bmp");
    ASSERT_EQ(bmp.size(), 1078u + 512u * 512u);
    EXPECT_EQ(bmp[28], 8);
    // Pixel rows are stored bottom-up; tile (x, y) shows its map byte, the
    // gate of phase 4 stands at (50, 37).
    auto pixel = [&](uint32_t x, uint32_t y) { return bmp[1078 + size_t{511 - y} * 512 + x]; };
    for (uint32_t ty : {0u, 77u, 255u})
        for (uint32_t tx : {0u, 130u, 255u})
            EXPECT_EQ(pixel(tx * 2 + 1, ty * 2 + 1), map[((ty / 32) * 8 + tx / 32) * 1024 + (ty % 32) * 32 + tx % 32]);
    EXPECT_EQ(pixel(100, 74), 67);
}

TEST_F(PcMapCli, BadShapeSheets)
{
    auto narrow = sheet_bmp(2);
    put32(narrow, 18, 15);  // 15 pixels wide: tiles of width 0
    put32(narrow, 34, 16 * 32);
    put32(narrow, 2, 1078 + 16 * 32);
    write_file(dir / "narrow.bmp", narrow);
    auto cut = sheet_bmp(2);
    cut.resize(cut.size() - 1);
    write_file(dir / "cut.bmp", cut);
    // 1-bit sheet 4,096 pixels square: 256 x 256 tiles make a 4 GiB picture.
    std::vector<uint8_t> huge(62 + 512 * 4096);
    huge[0] = 'B';
    huge[1] = 'M';
    put32(huge, 2, static_cast<uint32_t>(huge.size()));
    put32(huge, 10, 62);
    put32(huge, 14, 40);
    put32(huge, 18, 4096);
    put32(huge, 22, 4096);
    huge[26] = 1;
    huge[28] = 1;
    put32(huge, 34, 512 * 4096);
    write_file(dir / "huge.bmp", huge);

    struct Case {
        std::string sheet, out;
    };
    const Case cases[] = {
        {"none.bmp", "error: open 'none.bmp'\nerror: read shape bitmap 'none.bmp'\n"},
        {"narrow.bmp", "error: shape bitmap is too small\nerror: read shape bitmap 'narrow.bmp'\n"},
        {"cut.bmp", "error: read_bitmap() - can't read bitmap data\nerror: read 'cut.bmp'\n"
                    "error: read shape bitmap 'cut.bmp'\n"},
        {"WORLD.MAP", "error: read_bitmap() - can't read bitmap header\nerror: read 'WORLD.MAP'\n"
                      "error: read shape bitmap 'WORLD.MAP'\n"},
        {"huge.bmp", "error: memory exhausted!\n"},
    };
    for (const Case& c : cases) {
        const auto r = run({"-s", c.sheet});
        EXPECT_EQ(r.out, c.out) << c.sheet;
        EXPECT_EQ(r.status, 1) << c.sheet;
        EXPECT_FALSE(fs::exists(dir / "vorn.Morvane.bmp"));
    }
}

}  // namespace
