// Sheets written by --export-shapes and --export-mask: every tool draws with
// them the pictures it draws from the game's data (or from the sheets they
// were exported from), byte for byte; Pillow finds in them the geometry,
// palette and pixels of the loaded tiles; and the options' refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "bitmap.h"
#include "hires.h"
#include "odd_files.h"
#include "pcmap.h"
#include "port_tools.h"
#include "sample_a2.h"
#include "sample_ports.h"
#include "shapes.h"
#include "sheets.h"
#include "tool_run.h"
#include "worldmap.h"

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

namespace {

struct Case {
    std::string tool;
    Args load;                     // the options that load the shapes (-s, -m, -r at fixed places)
    uint32_t rows;                 // shape rows of the exported sheets
    uint32_t width, height, bits;  // the shape sheet
};

// A sheet read with -s exports the rows it was read with: a.bmp (17 rows of
// 3 x 3 tiles) and b.bmp (18 rows of 2 x 2) read with 16 rows give 48 and 32
// pixel rows.
const Case kCases[] = {
    {"vornpc_map", {}, 16, 256, 256, 4},
    {"vornpc_map", {"--cga"}, 16, 256, 256, 4},
    {"vornpc_map", {"-s", "a.bmp"}, 16, 48, 48, 24},
    {"vornpc98map", {}, 23, 512, 736, 4},
    {"vornx68kmap", {}, 22, 576, 792, 4},
    {"vornpc98map", {"-s", "b.bmp", "-m", "bm.bmp", "-r", "18"}, 18, 32, 36, 4},
    {"vornpc98towne", {}, 23, 512, 736, 4},
    {"vornx68ktowne", {}, 22, 576, 792, 4},
    {"vornx68ktowne", {"-s", "c.bmp", "-m", "cm.bmp", "-r", "18"}, 18, 48, 54, 24},
    {"vorna2map", {"-s", "b.bmp"}, 16, 32, 32, 4},
    {"vorna2map", {}, 16, 448, 512, 4},  // the sub-pixels, drawn uncoloured
};

bool has_mask(const std::string& tool) { return tool.find("98") != std::string::npos || tool.find("68") != std::string::npos; }

// Compares Pillow's reading of a sheet (and the bit count and palette bytes
// of its headers) with the pixels and palette files: prints nothing when
// they agree.
const char* const kPillowCheck = R"(import struct, sys
from PIL import Image
path, size, bits = sys.argv[1], tuple(map(int, sys.argv[2:4])), int(sys.argv[4])
pixels, palette, raw, im = open('pixels', 'rb').read(), open('palette', 'rb').read(), open(path, 'rb').read(), Image.open(path)
if im.format != 'BMP' or im.size != size or struct.unpack_from('<H', raw, 28)[0] != bits: print('geometry')
elif bits > 8:
    if im.convert('RGB').tobytes() != bytes(pixels[k + j] for k in range(0, len(pixels), 3) for j in (2, 1, 0)): print('pixels')
else:
    rgb = bytes(palette[k + j] for k in range(0, len(palette), 4) for j in (2, 1, 0))
    if raw[54:54 + (4 << bits)] != palette or (im.mode != '1' and bytes(im.getpalette()[:3 << bits]) != rgb): print('palette')
    if (bytes(v // 255 for v in im.getdata()) if im.mode == '1' else im.tobytes()) != pixels: print('pixels')
)";

class ExportSheets : public testing::Test {
protected:
    vorn_test::TempDir dir;
    void SetUp() override
    {
        vorn_test::write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
        vorn_test::write_file(dir / "SHAPES.CGA", sample::pc_shapes_cga());
        vorn_test::write_file(dir / "WORLD.MAP", sample::pc_world_map());
        vorn_test::write_file(dir / "VORNboot.dsk", sample::a2_program_disk(false));
        vorn_test::write_file(dir / "vornmorvane.dsk", sample::a2_morvane_disk(false));
        for (const auto& tool : port_tools::kWorldTools) port_tools::write_images(tool, dir.path());
        vorn_test::write_file(dir / "a.bmp", sheets::pattern_sheet(16, 17, 3, 3, 24));
        vorn_test::write_file(dir / "b.bmp", sheets::pattern_sheet(16, 18, 2, 2, 4));
        vorn_test::write_file(dir / "bm.bmp", sheets::pattern_sheet(16, 18, 2, 2, 1));
        vorn_test::write_file(dir / "c.bmp", sheets::pattern_sheet(16, 18, 3, 3, 24));
        vorn_test::write_file(dir / "cm.bmp", sheets::pattern_sheet(16, 18, 3, 3, 1));
        vorn_test::write_file(dir / "old.bmp", std::string("old"));
        vorn_test::write_file(dir / "check.py", std::string(kPillowCheck));
    }
    vorn_test::RunResult run(const std::string& tool, const Args& args, const std::string& input = "")
    {
        return vorn_test::run_tool(tool, args, dir.path(), input);
    }
    // The pictures a run drew (every vorn.* file), taken out of the directory.
    std::map<std::string, std::vector<uint8_t>> take_pictures()
    {
        std::map<std::string, std::vector<uint8_t>> pictures;
        for (const auto& name : odd_files::entries(dir.path()))
            if (name.rfind("vorn.", 0) == 0) pictures[name] = vorn_test::read_file(dir / name), fs::remove(dir / name);
        return pictures;
    }
    // The set the tool loads, loaded here by the library.
    int load(const Case& c, ShapeSet& shapes, ShapeMask& mask)
    {
        auto at = [&](const std::string& name) { return (dir / name).string(); };
        shape_random_restart(1);
        if (!c.load.empty() && c.load[0] == "-s")
            return read_shape_bitmap(at(c.load[1]).c_str(), shapes, 16, c.rows) |
                   (c.load.size() > 2 ? read_mask_bitmap(at(c.load[3]).c_str(), mask, shapes.tile_width, shapes.tile_height, 16, c.rows) : 0);
        if (c.tool == "vornpc_map") return read_pc_shapes(dir.path().string().c_str(), shapes, !c.load.empty());
        if (c.tool == "vorna2map") return load_hires_shapes(at("VORNboot.dsk").c_str(), 1, shapes);
        if (c.tool.find("98") != std::string::npos)
            return load_pc98_shapes(at("VORN_Arvelon.fdi").c_str(), at("VORN_Morvane.fdi").c_str(), 4096, shapes, &mask, 1);
        return load_x68k_shapes(at("vorn-arvelon.xdf").c_str(), 0, shapes, &mask, 1);
    }
    // Pillow's reading of the sheet against the loaded set; "" when they agree.
    std::string pillow_check(const std::string& sheet, const ShapeSet& set, uint32_t width, uint32_t height, uint32_t bits)
    {
        std::vector<uint8_t> pixels(set.pixels.begin(), set.pixels.begin() + size_t{width} * height * set.bytes_per_pixel);
        for (uint8_t& p : pixels) p &= bits < 8 ? (1 << bits) - 1 : 255;  // a 4-bit file keeps the low four bits
        vorn_test::write_file(dir / "pixels", pixels);
        vorn_test::write_file(dir / "palette", set.palette);
        const int status = std::system(("cd '" + dir.path().string() + "' && /usr/bin/python3 check.py " + sheet + " " +
                                        std::to_string(width) + " " + std::to_string(height) + " " + std::to_string(bits) +
                                        " >check.out 2>&1").c_str());
        const auto out = vorn_test::read_file(dir / "check.out");
        return std::string(out.begin(), out.end()) + (status ? "(failed)" : "");
    }
};

TEST_F(ExportSheets, DrawingWithTheSheetsGivesThePicturesOfTheLoadedShapes)
{
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) GTEST_SKIP() << "needs Pillow";
    for (const Case& c : kCases) {
        const std::string label = c.tool + testing::PrintToString(c.load);
        const bool mask = has_mask(c.tool);
        Args out = c.load, back = {"-s", "s.bmp"};
        out.insert(out.end(), {"--export-shapes", "s.bmp", "--overwrite"});
        if (mask) out.insert(out.end(), {"--export-mask", "m.bmp"}), back.insert(back.end(), {"-m", "m.bmp", "-r", std::to_string(c.rows)});
        const auto exported = run(c.tool, out);
        EXPECT_EQ(exported.out + std::to_string(exported.status), "0") << label;
        EXPECT_TRUE(take_pictures().empty()) << label;

        ShapeSet shapes;
        ShapeMask loaded_mask;
        ASSERT_EQ(load(c, shapes, loaded_mask), 0) << label;
        EXPECT_EQ(pillow_check("s.bmp", shapes, c.width, c.height, c.bits), "") << label;
        EXPECT_EQ(mask ? pillow_check("m.bmp", loaded_mask, c.width, c.height, 1) : "", "") << label;

        if (c.tool == "vorna2map" && c.load.empty()) {
            // The map that the colouring step gets: the library composes it
            // from the hi-res shapes, whose marker 255 a 4-bit sheet keeps as 15.
            Bitmap composed;
            ASSERT_EQ(bitmap_create(composed, shapes, 256, 256), 0);
            const auto disk = sample::a2_morvane_disk(false);
            draw_world_map(composed, shapes, std::span(disk).first(65536), 0, 0, 16);
            EXPECT_GT(std::count(composed.pixels.begin(), composed.pixels.end(), kHiresMarker), 0);
            for (uint8_t& p : composed.pixels) p &= 15;
            ASSERT_EQ(write_bitmap_file((dir / "vorn.Morvane.bmp").string().c_str(), composed, 1), 0);
        } else {
            EXPECT_EQ(run(c.tool, c.load).status, 0) << label;
        }
        const auto expected = take_pictures();
        EXPECT_EQ(run(c.tool, back).status, 0) << label;
        const auto drawn = take_pictures();
        EXPECT_EQ(drawn.size(), c.tool.find("towne") == std::string::npos ? 1u : 17u) << label;
        EXPECT_TRUE(drawn == expected) << label;
    }
}

// Every refusal and every failed write ends with status 1 and writes nothing
// but the sheets before it; shapes that fail to load print what the drawing
// run prints.
TEST_F(ExportSheets, RefusalsAndTheOverwriteQuestion)
{
    struct Refusal {
        std::string tool;
        Args args;
        std::string input, out;
        int status;
        std::set<std::string> written;  // new BMP files, and old.bmp when it was replaced
    };
    const std::string asked = "'old.bmp' already exists\noverwrite ? (Y or N): ", kept = "error: write bitmap file 'old.bmp'\n";
    const std::string no_disk = "error: read disk image 'none.fdi'\nerror: read shapes from disk image\n";
    const Refusal cases[] = {
        {"vornpc_map", {"--export-shapes"}, "", "error: no bitmap name\n", 1, {}},
        {"vornpc98towne", {"--export-mask"}, "", "error: no bitmap name\n", 1, {}},
        {"vornpc_map", {"--export-mask", "m.bmp"}, "", "error: unknown option '--export-mask'\n", 1, {}},
        {"vorna2map", {"--export-mask", "m.bmp"}, "", "error: unknown option '--export-mask'\n", 1, {}},
        {"vornpc98map", {"--export-shapes", "s.bmp", "--export-mask", "m.bmp", "-M"}, "", "error: no mask to export\n", 1, {}},
        {"vornx68ktowne", {"-s", "c.bmp", "--export-mask", "m.bmp"}, "", "error: no mask to export\n", 1, {}},
        {"vornpc_map", {"-s", "junk.bmp", "--export-shapes", "s.bmp"}, "",
         "error: read_bitmap() - can't read bitmap header\nerror: read 'junk.bmp'\nerror: read shape bitmap 'junk.bmp'\n", 1, {}},
        {"vornpc98map", {"-d1", "none.fdi", "--export-shapes", "s.bmp", "--export-mask", "m.bmp"}, "", "open error 'none.fdi'\n" + no_disk, 1, {}},
        {"vornpc98towne", {"-m", "bm.bmp", "--export-mask", "m.bmp"}, "", "error: shape bitmap is not specified\n", 1, {}},
        {"vornx68kmap", {"--export-shapes", "old.bmp"}, "n\n", asked + kept, 1, {}},
        {"vornx68kmap", {"--export-shapes", "old.bmp"}, "y\n", asked, 0, {"old.bmp"}},
        {"vornpc98towne", {"--export-shapes", "s.bmp", "--export-mask", "old.bmp"}, "", asked + kept, 1, {"s.bmp"}},
        {"vornpc_map", {"--export-shapes", "old.bmp", "--overwrite"}, "", "", 0, {"old.bmp"}},
        {"vornpc_map", {"--export-shapes", "no/s.bmp"}, "", "error: open 'no/s.bmp'\nerror: write bitmap file 'no/s.bmp'\n", 1, {}},
        {"vornpc98map", {"--export-shapes", "/dev/full", "--overwrite"}, "",
         "error: write_bitmap() - can't write bitmap data\nerror: write bitmap '/dev/full'\nerror: write bitmap file '/dev/full'\n", 1, {}},
        // The last name wins and may look like an option; the sheets are BMP
        // whatever --png and the name say; no map or town disk is read.
        {"vornpc_map", {"--export-shapes", "a.png", "--png", "--export-shapes", "-s.png"}, "", "", 0, {"-s.png"}},
        {"vorna2map", {"-d2", "none.dsk", "--export-shapes", "s.bmp"}, "", "", 0, {"s.bmp"}},
        {"vornx68ktowne", {"-d2", "none.xdf", "--export-shapes", "s.bmp", "--export-mask", "m.bmp"}, "", "", 0, {"s.bmp", "m.bmp"}},
    };
    vorn_test::write_file(dir / "junk.bmp", std::string("BM junk"));
    for (const Refusal& c : cases) {
        if (std::count(c.args.begin(), c.args.end(), "/dev/full") && odd_files::posix_only_reason()) continue;
        const std::string label = c.tool + testing::PrintToString(c.args);
        const auto before = odd_files::entries(dir.path());
        const auto r = run(c.tool, c.args, c.input);
        EXPECT_EQ(r.out, c.out) << label;
        EXPECT_EQ(r.status, c.status) << label;
        std::set<std::string> written;
        for (const auto& name : odd_files::entries(dir.path()))
            if (name == "old.bmp" ? vorn_test::read_file(dir / name).size() > 3 : !std::count(before.begin(), before.end(), name)) {
                EXPECT_EQ(vorn_test::read_file(dir / name).at(0), 'B') << label << name;
                written.insert(name);
                fs::remove(dir / name);
            }
        EXPECT_EQ(written, c.written) << label;
        vorn_test::write_file(dir / "old.bmp", std::string("old"));
    }
}

}  // namespace
