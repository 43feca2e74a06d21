// Parts, reductions and atlas layers of the pictures (--area, --shrink,
// --atlas) for each tool and mode, checked by views_check.py (Pillow and
// numpy) against the whole --png picture of the same options; the refused
// arguments; and an atlas layer that is kept when its replacement is
// declined or fails part way.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "odd_files.h"
#include "port_tools.h"
#include "sample_a2.h"
#include "sample_ports.h"
#include "sheets.h"
#include "tool_run.h"

namespace fs = std::filesystem;

namespace {

struct ViewCase {
    std::string tool;
    std::vector<std::string> args;  // the options that shape the picture
    std::string layer;              // the atlas layer the run writes
    std::string picture;            // the --png picture compared (a town tool writes 17)
    std::vector<std::string> areas;
    std::string shrink;
};

void PrintTo(const ViewCase& c, std::ostream* os)
{
    *os << c.tool;
    for (const auto& a : c.args) *os << ' ' << a;
}

std::string quote(const std::string& s)
{
    std::string out = "'";
    for (const char ch : s) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

// The map's four corners and edges, and a part inside.
const std::vector<std::string> kWorldAreas = {"0,0,3,5", "250,251,6,5", "0,100,256,2", "123,0,1,256", "37,41,9,7"};
const std::vector<std::string> kTownAreas = {"0,0,32,1", "31,0,1,32", "5,6,7,8"};

const ViewCase kCases[] = {
    {"vornpc_map", {}, "world-pc-ega", "out.png", kWorldAreas, "16"},
    {"vornpc_map", {"--cga", "-g", "-b"}, "world-pc-cga", "out.png", kWorldAreas, "2"},
    // Tiles of 3 x 3 pixels at 4 bits: parts that begin inside a byte.
    {"vornpc_map", {"-s", "s4-3x3.bmp"}, "world-pc-sheet", "out.png", kWorldAreas, "2"},
    {"vornpc98map", {"-g", "-b"}, "world-pc98", "out.png", kWorldAreas, "32"},
    {"vornx68kmap", {"-n"}, "world-x68k-noshores", "out.png", kWorldAreas, "4"},
    {"vornpc98towne", {}, "town-pc98-Wyrm's_Keep", "vorn.Wyrm's_Keep.png", kTownAreas, "8"},
    {"vornx68ktowne", {"-M"}, "town-x68k-Castle_Morvane_2F-nomask", "vorn.Castle_Morvane_2F.png", kTownAreas, "4"},
    // Colours, blur and retouch read the neighbouring tiles.
    {"vorna2map", {}, "world-a2", "out.png", kWorldAreas, "4"},
    {"vorna2map", {"-B", "-p", "3"}, "world-a2-blur", "out.png", kWorldAreas, "8"},
    {"vorna2map", {"-B", "-B"}, "world-a2-retouch", "out.png", kWorldAreas, "32"},
};

void write_inputs(const std::string& tool, const fs::path& dir)
{
    if (tool == "vornpc_map") {
        vorn_test::write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
        vorn_test::write_file(dir / "SHAPES.CGA", sample::pc_shapes_cga());
        vorn_test::write_file(dir / "WORLD.MAP", sample::pc_world_map());
        vorn_test::write_file(dir / "s4-3x3.bmp", sheets::pattern_sheet(16, 16, 3, 3, 4));
    } else if (tool == "vorna2map") {
        vorn_test::write_file(dir / "VORNboot.dsk", sample::a2_program_disk(false));
        vorn_test::write_file(dir / "vornmorvane.dsk", sample::a2_morvane_disk(false));
    } else {
        for (const auto* tools : {port_tools::kWorldTools, port_tools::kTownTools})
            for (int i = 0; i < 2; ++i)
                if (tools[i].name == tool) port_tools::write_images(tools[i], dir);
    }
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more)
{
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

bool town_tool(const std::string& tool) { return tool.find("towne") != std::string::npos; }

class Views : public ::testing::TestWithParam<ViewCase> {
protected:
    vorn_test::TempDir dir;

    void SetUp() override
    {
        if (std::system("/usr/bin/python3 -c 'import PIL, numpy' 2>/dev/null") != 0)
            GTEST_SKIP() << "needs /usr/bin/python3 with Pillow and numpy";
        write_inputs(GetParam().tool, dir.path());
    }

};

TEST_P(Views, AreasShrinksAndLayersAreThoseOfTheWholePicture)
{
    const ViewCase& c = GetParam();
    const bool towns = town_tool(c.tool);
    // Draws with the case's options and more into the named file: a town
    // tool writes every town under its own name, and the one compared is
    // renamed.
    const auto draw = [&](std::vector<std::string> more, const std::string& name) {
        if (towns) more.insert(more.end(), {"--png", "--overwrite"});
        else more.insert(more.end(), {"-o", name});
        const auto result = vorn_test::run_tool(c.tool, with(c.args, more), dir.path());
        ASSERT_EQ(result.status, 0) << result.out;
        if (towns) fs::rename(dir / c.picture, dir / name);
    };
    const std::string tiles = towns ? "32" : "256";
    std::string checks = " whole.png " + tiles;
    draw({"--png"}, "whole.png");
    for (size_t i = 0; i < c.areas.size(); ++i) {
        // The first world part as BMP, the others as PNG.
        const std::string name = "area" + std::to_string(i) + (i == 0 && !towns ? ".bmp" : ".png");
        draw({"--area", c.areas[i]}, name);
        checks += " " + quote("area:" + c.areas[i] + ":" + name);
    }
    draw({"--shrink", c.shrink}, "shrink.png");
    checks += " shrink:" + c.shrink + ":shrink.png";
    const auto result = vorn_test::run_tool(c.tool, with(c.args, {"--atlas", "atlas"}), dir.path());
    ASSERT_EQ(result.status, 0) << result.out;
    checks += " " + quote("atlas:atlas/" + c.layer);

    const std::string command = "cd " + quote(dir.path().string()) + " && /usr/bin/python3 " +
                                quote((fs::path(VORN_TESTS_DIR) / "views_check.py").string()) + checks +
                                " > check.out 2>&1";
    (void)std::system(command.c_str());
    const auto bytes = vorn_test::read_file(dir / "check.out");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "ok\n");
}

// Cases named by tool and place, as ctest and the Windows check list them.
INSTANTIATE_TEST_SUITE_P(EveryTool, Views, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.tool + "_" + std::to_string(info.index); });

// Arguments refused before anything is written, with their one line.
struct Refusal {
    std::string tool;
    std::vector<std::string> args;
    std::string out;
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.tool;
    for (const auto& a : r.args) *os << ' ' << a;
}

const Refusal kRefusals[] = {
    {"vornpc_map", {"--area", "0,0,0,1"}, "error: illegal area '0,0,0,1'\n"},
    {"vornpc_map", {"--area", "255,0,2,1"}, "error: illegal area '255,0,2,1'\n"},
    {"vornpc98map", {"--area", "0,256,1,1"}, "error: illegal area '0,256,1,1'\n"},
    {"vornx68kmap", {"--area", "1,2,3"}, "error: illegal area '1,2,3'\n"},
    {"vorna2map", {"--area", "1,2,3,4,5"}, "error: illegal area '1,2,3,4,5'\n"},
    {"vorna2map", {"--area", "0x10,0,1,1"}, "error: illegal area '0x10,0,1,1'\n"},
    {"vornpc_map", {"--area", "-1,0,1,1"}, "error: illegal area '-1,0,1,1'\n"},
    {"vornpc_map", {"--area", "0,0,99999999999,1"}, "error: illegal area '0,0,99999999999,1'\n"},
    {"vornpc98towne", {"--area", "0,0,33,1"}, "error: illegal area '0,0,33,1'\n"},
    {"vornx68ktowne", {"--area", "0, 0,1,1"}, "error: illegal area '0, 0,1,1'\n"},
    {"vornpc_map", {"--area"}, "error: no area value\n"},
    {"vornpc_map", {"--shrink", "3"}, "error: illegal shrink '3'\n"},
    {"vornpc98map", {"--shrink", "64"}, "error: illegal shrink '64'\n"},
    {"vornpc98towne", {"--shrink", "1"}, "error: illegal shrink '1'\n"},
    {"vorna2map", {"--shrink", "two"}, "error: illegal shrink 'two'\n"},
    {"vornx68kmap", {"--shrink"}, "error: no shrink value\n"},
    {"vornpc_map", {"--atlas"}, "error: no directory name\n"},
    {"vornpc_map", {"--atlas", "a", "--area", "0,0,1,1"}, "error: --area does not apply to --atlas\n"},
    {"vornpc98map", {"--shrink", "2", "--atlas", "a"}, "error: --shrink does not apply to --atlas\n"},
    {"vorna2map", {"--tiled", "t", "--shrink", "2"}, "error: --shrink does not apply to --tiled\n"},
    // Sizes known once the tiles are loaded: 3 x 16 pixels across, 1 x 16 down.
    {"vornpc_map", {"--area", "0,0,3,1", "--shrink", "32"}, "error: illegal shrink '32'\n"},
    // The Apple II's tiles are 28 pixels wide.
    {"vorna2map", {"--area", "0,0,1,1", "--shrink", "8"}, "error: illegal shrink '8'\n"},
};

class RefusedViews : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusedViews, OneLineStatusOneAndNothingWritten)
{
    const Refusal& r = GetParam();
    vorn_test::TempDir dir;
    write_inputs(r.tool, dir.path());
    const auto before = odd_files::entries(dir.path());
    const auto result = vorn_test::run_tool(r.tool, r.args, dir.path());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, r.out);
    EXPECT_EQ(odd_files::entries(dir.path()), before);
}

INSTANTIATE_TEST_SUITE_P(EveryTool, RefusedViews, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return info.param.tool + "_" + std::to_string(info.index); });

// Every file of a layer, with its bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> layer_files(const fs::path& dir)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        if (entry.is_regular_file()) files.emplace_back(entry.path().string(), vorn_test::read_file(entry.path()));
    std::sort(files.begin(), files.end());
    return files;
}

TEST(AtlasLayer, KeptWhenItsReplacementIsDeclinedOrFailsPartWay)
{
    vorn_test::TempDir dir;
    write_inputs("vornpc_map", dir.path());
    ASSERT_EQ(vorn_test::run_tool("vornpc_map", {"--atlas", "atlas"}, dir.path()).status, 0);
    const auto layer = layer_files(dir / "atlas" / "world-pc-ega");

    auto result = vorn_test::run_tool("vornpc_map", {"-g", "--atlas", "atlas"}, dir.path(), "n\n");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "'world-pc-ega' already exists\noverwrite ? (Y or N): error: write bitmap file 'world-pc-ega'\n");
    EXPECT_EQ(layer_files(dir / "atlas" / "world-pc-ega"), layer);

    if (odd_files::posix_only_reason()) GTEST_SKIP() << odd_files::posix_only_reason();
    // Images past a size limit cannot be written: the run stops part way.
    result = odd_files::run_with_file_limit("vornpc_map", {"-g", "--overwrite", "--atlas", "atlas"}, dir.path(), 1);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "error: write_bitmap() - can't write bitmap data\nerror: write bitmap 'world-pc-ega'\n"
              "error: write bitmap file 'world-pc-ega'\n");
    EXPECT_EQ(layer_files(dir / "atlas" / "world-pc-ega"), layer);
    // Nothing is left of the layer that was being built.
    for (const auto& entry : fs::directory_iterator(dir / "atlas"))
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
}

}  // namespace
