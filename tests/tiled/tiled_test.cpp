// --tiled DIR read by Tiled itself: tmxrasterizer draws every map to exactly
// the pixels of the --png picture of the same options, and the map bytes
// that `tiled --export-map` gives back in JSON are the game's map file. Then
// the refusals and failed writes, which leave nothing half written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "port_tools.h"
#include "sample_a2.h"
#include "sample_ports.h"
#include "sheets.h"
#include "tool_run.h"

namespace fs = std::filesystem;

namespace {

struct TiledCase {
    std::string tool;
    std::vector<std::string> args;
    std::vector<std::string> picture_args;  // of the picture run, when not args
};

void PrintTo(const TiledCase& c, std::ostream* os)
{
    *os << c.tool;
    for (const auto& a : c.args) *os << ' ' << a;
}

// Rasterizes every DIR/*.tmx and compares it with the picture of its name,
// then exports it to JSON and puts the bytes of its "map bytes" layer (gid
// minus its tileset's firstgid) back in the file's order: chunks of the
// map's map_chunk_edge, the towns one after another by their "town".
constexpr const char* kReader = R"(import glob, json, os, subprocess, sys
from PIL import Image
Image.MAX_IMAGE_PIXELS = None
maps, pictures, out = sys.argv[1:4]
found, bad, parts = 0, [], {}
for tmx in sorted(glob.glob(os.path.join(maps, '*.tmx'))):
    found += 1
    stem = os.path.basename(tmx)[:-4]
    subprocess.run(['tmxrasterizer', '--no-smoothing', tmx, out + '.png'], check=True, capture_output=True)
    a, b = Image.open(out + '.png').convert('RGBA'), Image.open(os.path.join(pictures, stem + '.png'))
    if a.size != b.size or a.getchannel('A').getextrema() != (255, 255) or a.convert('RGB').tobytes() != b.convert('RGB').tobytes():
        bad.append(stem)
    subprocess.run(['tiled', '--export-map', tmx, out + '.json'], check=True, capture_output=True)
    m = json.load(open(out + '.json'))
    props = {p['name']: p['value'] for p in m.get('properties', [])}
    gids = next(l['data'] for l in m['layers'] if l['name'] == 'map bytes')
    w, h, e = m['width'], m['height'], props.get('map_chunk_edge', 0)
    part = bytearray(w * h)
    for i, gid in enumerate(gids):
        x, y = i % w, i // w
        at = ((y // e) * (w // e) + x // e) * e * e + (y % e) * e + x % e if e else i
        part[at] = gid - max(t['firstgid'] for t in m['tilesets'] if t['firstgid'] <= gid)
    parts[props.get('town', 0)] = part
open(out, 'wb').write(b''.join(parts[k] for k in sorted(parts)))
print(found, 'maps', 'differ: ' + ' '.join(bad) if bad else 'same')
)";

class TiledMaps : public ::testing::TestWithParam<TiledCase> {
protected:
    vorn_test::TempDir dir;

    void SetUp() override
    {
        if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0 ||
            std::system("command -v tmxrasterizer >/dev/null && command -v tiled >/dev/null") != 0)
            GTEST_SKIP() << "needs tmxrasterizer, tiled and /usr/bin/python3 with Pillow";
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        vorn_test::write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
        vorn_test::write_file(dir / "SHAPES.CGA", sample::pc_shapes_cga());
        vorn_test::write_file(dir / "WORLD.MAP", sample::pc_world_map());
        vorn_test::write_file(dir / "VORNboot.dsk", sample::a2_program_disk(false));
        vorn_test::write_file(dir / "vornmorvane.dsk", sample::a2_morvane_disk(false));
        for (const auto* tools : {port_tools::kWorldTools, port_tools::kTownTools})
            for (int i = 0; i < 2; ++i)
                if (tools[i].name == GetParam().tool) port_tools::write_images(tools[i], dir.path());
        vorn_test::write_file(dir / "s16.bmp", sheets::pattern_sheet(16, 16, 2, 2, 16));
        vorn_test::write_file(dir / "s24.bmp", sheets::pattern_sheet(16, 18, 3, 3, 24));
        vorn_test::write_file(dir / "m1.bmp", sheets::pattern_sheet(16, 18, 3, 3, 1));
        ASSERT_EQ(vorn_test::run_tool("vorna2map", {"--export-shapes", "a2.bmp"}, dir.path()).status, 0);
    }
};

// The game's map file as the sample generator wrote it.
std::vector<uint8_t> map_file(const std::string& tool, const fs::path& dir)
{
    if (tool == "vornpc_map") return vorn_test::read_file(dir / "WORLD.MAP");
    if (tool == "vorna2map") return vorn_test::read_file(dir / "vornmorvane.dsk");  // its first 16 tracks
    return tool.find("towne") != std::string::npos ? sample::towne_bin() : sample::map_bin();
}

TEST_P(TiledMaps, TiledDrawsThePictureAndGivesBackTheMapBytes)
{
    const TiledCase& c = GetParam();
    std::vector<std::string> picture = c.picture_args.empty() ? c.args : c.picture_args, tiled = c.args;
    picture.insert(picture.end(), {"--png", "--overwrite"});
    tiled.insert(tiled.end(), {"--tiled", "maps/new"});
    const auto drawn = vorn_test::run_tool(c.tool, picture, dir.path());
    const auto written = vorn_test::run_tool(c.tool, tiled, dir.path());
    ASSERT_EQ(drawn.status, 0) << drawn.out;
    ASSERT_EQ(written.status, 0) << written.out;
    EXPECT_EQ(written.out, drawn.out);  // the town lines and warnings
    vorn_test::write_file(dir / "read.py", std::string(kReader));
    const std::string command = "cd '" + dir.path().string() + "' && /usr/bin/python3 read.py maps/new . bytes >result 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0);
    const auto result = vorn_test::read_file(dir / "result");
    EXPECT_EQ(std::string(result.begin(), result.end()), c.tool.find("towne") != std::string::npos ? "17 maps same\n" : "1 maps same\n");
    std::vector<uint8_t> expected = map_file(c.tool, dir.path());
    expected.resize(c.tool.find("towne") != std::string::npos ? 17 * 1024 : 65536);
    EXPECT_TRUE(vorn_test::read_file(dir / "bytes") == expected);
}

const TiledCase kCases[] = {
    {"vornpc_map", {}, {}},
    {"vornpc_map", {"--cga", "-g", "-b"}, {}},
    {"vornpc_map", {"-s", "s16.bmp", "-p", "3", "-p", "8"}, {}},
    {"vornpc98map", {"-g", "-b"}, {}},
    {"vornpc98map", {"-M", "-p", "1"}, {}},
    {"vornpc98map", {"-n", "-b"}, {}},
    {"vornx68kmap", {"-g"}, {}},
    {"vornx68kmap", {"-s", "s24.bmp", "-m", "m1.bmp", "-r", "18", "-g", "-b"}, {}},
    {"vornpc98towne", {}, {}},
    {"vornx68ktowne", {"-M"}, {}},
    {"vornx68ktowne", {"-s", "s24.bmp", "-m", "m1.bmp", "-r", "18"}, {}},
    {"vorna2map", {"-g", "-b", "-B"}, {"-s", "a2.bmp", "-g", "-b"}},
};

// Cases named by tool and index, as ctest and the Windows check list them.
INSTANTIATE_TEST_SUITE_P(EveryTool, TiledMaps, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.tool + "_" + std::to_string(info.index); });

// A failure leaves the directory as it was, or with whole tilesets but no
// map that points at a missing one.
struct FailureCase {
    const char* what;
    std::vector<std::string> args;
    std::string answer;
    std::string out;                  // "maps/" as the tool joins names on POSIX
    std::vector<std::string> after;   // the names in maps/, sorted ("-": maps/ is none)
    int status;
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class TiledFailures : public ::testing::TestWithParam<FailureCase> {};

TEST_P(TiledFailures, RefuseOrLeaveNothingHalfWritten)
{
    const FailureCase& c = GetParam();
    const bool windows = std::getenv("VORN_TOOL_RUNNER") != nullptr;
    if (windows && c.args.back() == "full") GTEST_SKIP() << "needs the POSIX /dev/full";
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
    vorn_test::write_file(dir / "WORLD.MAP", sample::pc_world_map());
    vorn_test::write_file(dir / "file", std::string("a file"));
    const std::string what = c.what;
    const bool existing = what.find("existing") != std::string::npos;
    if (existing) {
        ASSERT_EQ(vorn_test::run_tool("vornpc_map", {"--tiled", "maps"}, dir.path()).status, 0);
        vorn_test::write_file(dir / "maps" / "vorn.Morvane.tmx", std::string("old"));
    }
    if (what == "tileset is a directory") fs::create_directories(dir / "maps" / "vornpc_map.png");
    if (what == "map is a directory") fs::create_directories(dir / "maps" / "vorn.Morvane.tmx");
    if (what == "map on a full device") {
        fs::create_directories(dir / "maps");
        fs::create_symlink("/dev/full", dir / "maps" / "vorn.Morvane.tmx");
    }
    std::vector<std::string> args = {"--tiled"};
    args.insert(args.end(), c.args.begin(), c.args.end() - (c.args.back() == "full"));
    const auto run = vorn_test::run_tool("vornpc_map", args, dir.path(), c.answer);
    std::string out = c.out;
    for (size_t at = 0; windows && (at = out.find("maps/v", at)) != std::string::npos;) out[at += 4] = '\\';
    EXPECT_EQ(run.out, out);
    EXPECT_EQ(run.status, c.status);
    std::vector<std::string> after;
    if (!fs::is_directory(dir / "maps")) after.push_back("-");
    else
        for (const auto& entry : fs::directory_iterator(dir / "maps")) after.push_back(entry.path().filename().string());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, c.after);
    if (existing) {
        EXPECT_EQ(vorn_test::read_file(dir / "maps" / "vorn.Morvane.tmx").size() == 3, c.status != 0);
    }
}

const std::vector<std::string> kWritten = {"vorn.Morvane.tmx", "vornpc_map.png", "vornpc_map.tsx"};
const std::string kQuestion = "'maps/vornpc_map.png' already exists\noverwrite ? (Y or N): ";

const FailureCase kFailures[] = {
    {"not a directory", {"file"}, "", "error: not a directory 'file'\n", {"-"}, 1},
    {"cannot be made", {"file/maps"}, "", "error: make directory 'file/maps'\n", {"-"}, 1},
    {"data missing", {"maps", "--cga"}, "", "error: open 'SHAPES.CGA'\nerror: read shapes\n", {"-"}, 1},
    {"existing, answer N", {"maps", "-g"}, "n", kQuestion + "error: write map file 'maps/vorn.Morvane.tmx'\n", kWritten, 1},
    {"existing, asked once", {"maps", "-g"}, "y", kQuestion, kWritten, 0},
    {"existing, --overwrite", {"maps", "--overwrite"}, "", "", kWritten, 0},
    {"tileset is a directory", {"maps", "--overwrite"}, "", "error: open 'maps/vornpc_map.png'\nerror: write tileset file 'maps/vornpc_map.tsx'\n", {"vornpc_map.png"}, 1},
    {"map is a directory", {"maps", "--overwrite"}, "", "error: open 'maps/vorn.Morvane.tmx'\nerror: write map file 'maps/vorn.Morvane.tmx'\n", kWritten, 1},
    {"map on a full device", {"maps", "--overwrite", "full"}, "", "error: write 'maps/vorn.Morvane.tmx'\nerror: write map file 'maps/vorn.Morvane.tmx'\n", kWritten, 1},
};

INSTANTIATE_TEST_SUITE_P(Pcmap, TiledFailures, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return "case_" + std::to_string(info.index); });

}  // namespace
