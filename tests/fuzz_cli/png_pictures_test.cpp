// PNG output of every tool: each run with --png (or a .png name) prints what
// the same run prints for BMP, and its pictures, decoded by an independent
// reader (Pillow, or ImageMagick for 16-bit colour, whose 5-bit channels it
// widens as v << 3 | v >> 2), hold exactly the pixels of the BMP pictures;
// pngcheck finds no fault in them. PNG writes that fail leave nothing behind.
#include <gtest/gtest.h>

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

// How the PNG run names its output, beside a BMP run with -o out.bmp (or
// with the default names).
enum class Naming {
    kOption,     // --png -o out.png
    kDefault,    // --png and the default names, beside the default BMP names
    kUpperCase,  // -o OUT.PNG without --png
    kBmpName,    // --png -o out.bmp: PNG whatever the name says
};

enum class Reader { kPillow, kImageMagick };

struct PngCase {
    std::string tool;
    std::vector<std::string> args;
    Naming naming = Naming::kOption;
    Reader reader = Reader::kPillow;
};

void PrintTo(const PngCase& c, std::ostream* os)
{
    *os << c.tool;
    for (const auto& a : c.args) *os << ' ' << a;
}

std::string quote(const fs::path& p)
{
    std::string out = "'";
    for (const char ch : p.string()) out += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return out + "'";
}

// Runs a shell command; its standard output, or "(status N)" when it fails.
std::string shell(const std::string& command, const fs::path& scratch)
{
    const fs::path out = scratch / "shell.out";
    fs::remove(out);
    const int status = std::system((command + " >" + quote(out) + " 2>&1").c_str());
    const auto bytes = vorn_test::read_file(out);
    std::string text(bytes.begin(), bytes.end());
    if (status != 0) text += "(status " + std::to_string(status) + ")";
    return text;
}

// "same" when each BMP and the PNG beside it decode to the same RGB pixels
// (the PNG decoded as PNG whatever its name).
std::string compare_pixels(const std::vector<fs::path>& bmps, const std::vector<fs::path>& pngs, Reader reader,
                           const fs::path& scratch)
{
    if (reader == Reader::kImageMagick) {
        std::string out = "same";
        for (size_t i = 0; i < bmps.size(); ++i) {
            const std::string a = shell("/usr/bin/convert " + quote(bmps[i]) + " -depth 8 rgb:- | md5sum", scratch);
            const std::string b = shell("/usr/bin/convert png:" + quote(pngs[i]) + " -depth 8 rgb:- | md5sum", scratch);
            if (a != b || a.find("status") != std::string::npos) out = "differ: " + pngs[i].string();
        }
        return out;
    }
    const std::string script =
        "import sys\n"
        "from PIL import Image\n"
        "Image.MAX_IMAGE_PIXELS = None\n"
        "args = sys.argv[1:]\n"
        "bad = []\n"
        "for bmp, png in zip(args[0::2], args[1::2]):\n"
        "    a, b = Image.open(bmp), Image.open(png)\n"
        "    if b.format != 'PNG' or a.size != b.size or a.convert('RGB').tobytes() != b.convert('RGB').tobytes():\n"
        "        bad.append(png)\n"
        "print('differ: ' + ' '.join(bad) if bad else 'same')\n";
    vorn_test::write_file(scratch / "compare.py", script);
    std::string command = "/usr/bin/python3 " + quote(scratch / "compare.py");
    for (size_t i = 0; i < bmps.size(); ++i) command += " " + quote(bmps[i]) + " " + quote(pngs[i]);
    std::string out = shell(command, scratch);
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

class PngPictures : public ::testing::TestWithParam<PngCase> {
protected:
    vorn_test::TempDir dir, scratch;

    void SetUp() override
    {
        if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0 ||
            std::system("command -v pngcheck >/dev/null") != 0)
            GTEST_SKIP() << "needs /usr/bin/python3 with Pillow and pngcheck";
        const std::string& tool = GetParam().tool;
        if (tool == "vornpc_map") {
            vorn_test::write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
            vorn_test::write_file(dir / "SHAPES.CGA", sample::pc_shapes_cga());
            vorn_test::write_file(dir / "WORLD.MAP", sample::pc_world_map());
        } else if (tool == "vorna2map") {
            vorn_test::write_file(dir / "VORNboot.dsk", sample::a2_program_disk(false));
            vorn_test::write_file(dir / "vornmorvane.dsk", sample::a2_morvane_disk(false));
            vorn_test::write_file(dir / "VORNboot.po", sample::a2_program_disk(true));
            vorn_test::write_file(dir / "vornmorvane.po", sample::a2_morvane_disk(true));
        } else {
            for (const auto* tools : {port_tools::kWorldTools, port_tools::kTownTools})
                for (int i = 0; i < 2; ++i)
                    if (tools[i].name == tool) port_tools::write_images(tools[i], dir.path());
        }
        // Sheets whose tile rows pack on whole bytes and sheets whose do not.
        struct Sheet {
            const char* name;
            uint32_t rows, width, height, bits;
        };
        const Sheet sheets[] = {
            {"s1-3x2.bmp", 16, 3, 2, 1},   {"s1-8x2.bmp", 16, 8, 2, 1},   {"s4-3x3.bmp", 16, 3, 3, 4},
            {"s8-3x1.bmp", 16, 3, 1, 8},   {"s16-2x2.bmp", 16, 2, 2, 16}, {"s24-3x2.bmp", 16, 3, 2, 24},
            {"s32-2x2.bmp", 16, 2, 2, 32}, {"r18-4-2x2.bmp", 18, 2, 2, 4}, {"r18-4-3x3.bmp", 18, 3, 3, 4},
            {"m18-2x2.bmp", 18, 2, 2, 1},  {"m18-3x3.bmp", 18, 3, 3, 1},  {"r18-24-3x3.bmp", 18, 3, 3, 24},
        };
        for (const Sheet& s : sheets)
            vorn_test::write_file(dir / s.name, sheets::pattern_sheet(16, s.rows, s.width, s.height, s.bits));
    }
};

// The names of the pictures a run writes: the town table's or one name.
std::vector<std::string> picture_names(const std::string& tool, const std::string& one, const std::string& ending)
{
    if (tool.find("towne") == std::string::npos) return {one};
    std::vector<std::string> names;
    for (const char* town : {"Castle_Morvane_2F", "Castle_Morvane_1F", "The_Athenaril", "Solace_Abbey", "Wyrm's_Keep",
                             "Starmere", "Crownhaven", "Daskar", "Oakhollow", "Torvik", "Valdane", "Kelda_Mor",
                             "Orleth", "Fenny", "Corsair's_Nest", "Dunmere", "Brindle"})
        names.push_back(std::string("vorn.") + town + ending);
    return names;
}

TEST_P(PngPictures, SamePixelsAndMessagesAsTheBmpRun)
{
    const PngCase& c = GetParam();
    // Named pictures go to bmp/ and png/; default names (the town tools have
    // no other) land side by side where the tool runs.
    fs::create_directory(dir / "bmp");
    fs::create_directory(dir / "png");
    std::vector<std::string> bmp_args = c.args, png_args = c.args;
    std::string bmp_name = "vorn.Morvane.bmp", png_name = "vorn.Morvane.png";
    switch (c.naming) {
        case Naming::kOption: bmp_name = "bmp/out.bmp", png_name = "png/out.png"; break;
        case Naming::kUpperCase: bmp_name = "bmp/out.bmp", png_name = "png/OUT.PNG"; break;
        case Naming::kBmpName: bmp_name = "bmp/out.bmp", png_name = "png/out.bmp"; break;
        case Naming::kDefault: break;
    }
    if (c.naming != Naming::kDefault) {
        bmp_args.insert(bmp_args.end(), {"-o", bmp_name});
        png_args.insert(png_args.end(), {"-o", png_name});
    }
    if (c.naming != Naming::kUpperCase) png_args.push_back("--png");
    bmp_args.push_back("--overwrite");
    png_args.push_back("--overwrite");
    const auto bmp = vorn_test::run_tool(c.tool, bmp_args, dir.path());
    const auto png = vorn_test::run_tool(c.tool, png_args, dir.path());
    EXPECT_EQ(bmp.status, 0) << bmp.out;
    EXPECT_EQ(png.status, 0);
    EXPECT_EQ(png.out, bmp.out);
    std::vector<fs::path> bmps, pngs;
    for (const auto& name : picture_names(c.tool, bmp_name, ".bmp")) bmps.push_back(dir / name);
    for (const auto& name : picture_names(c.tool, png_name, ".png")) pngs.push_back(dir / name);
    std::string checks;
    for (size_t i = 0; i < bmps.size(); ++i) {
        ASSERT_TRUE(fs::exists(bmps[i]) && fs::exists(pngs[i])) << pngs[i];
        checks += " " + quote(pngs[i]);
    }
    EXPECT_EQ(compare_pixels(bmps, pngs, c.reader, scratch.path()), "same");
    EXPECT_EQ(shell("pngcheck -q" + checks, scratch.path()), "");
}

const PngCase kCases[] = {
    {"vornpc_map", {}, Naming::kDefault},
    {"vornpc_map", {"--cga", "-g", "-b"}},
    {"vornpc_map", {"-p", "3"}, Naming::kUpperCase},
    {"vornpc_map", {"-s", "s1-3x2.bmp"}},
    {"vornpc_map", {"-s", "s1-8x2.bmp"}, Naming::kBmpName},
    {"vornpc_map", {"-s", "s4-3x3.bmp", "-g"}},
    {"vornpc_map", {"-s", "s8-3x1.bmp"}},
    {"vornpc_map", {"-s", "s16-2x2.bmp"}, Naming::kOption, Reader::kImageMagick},
    {"vornpc_map", {"-s", "s24-3x2.bmp", "-b"}},
    {"vornpc_map", {"-s", "s32-2x2.bmp"}},
    {"vornpc98map", {"-g", "-b"}, Naming::kDefault},
    {"vornpc98map", {"-M", "-p", "2"}},
    {"vornpc98map", {"-r", "17"}},
    {"vornpc98map", {"-s", "r18-4-3x3.bmp", "-m", "m18-3x3.bmp", "-r", "18", "-g", "-b"}},
    {"vornpc98map", {"-s", "r18-4-2x2.bmp", "-m", "m18-2x2.bmp", "-r", "18"}},
    {"vornpc98map", {"-s", "r18-24-3x3.bmp", "-m", "m18-3x3.bmp", "-r", "18", "-g"}},
    {"vornx68kmap", {}},
    {"vornx68kmap", {"-n", "-p", "5"}, Naming::kUpperCase},
    {"vornpc98towne", {}, Naming::kDefault},
    {"vornpc98towne", {"-n"}, Naming::kDefault},
    {"vornpc98towne", {"-M"}, Naming::kDefault},
    {"vornpc98towne", {"-s", "r18-4-3x3.bmp", "-m", "m18-3x3.bmp", "-r", "18"}, Naming::kDefault},
    {"vornx68ktowne", {"-s", "r18-24-3x3.bmp", "-m", "m18-3x3.bmp", "-r", "18"}, Naming::kDefault},
    {"vornx68ktowne", {}, Naming::kDefault},
    {"vorna2map", {}, Naming::kDefault},
    {"vorna2map", {"-B", "-g"}},
    {"vorna2map", {"-B", "-B", "-b"}},
    {"vorna2map", {"--po", "-d1", "VORNboot.po", "-d2", "vornmorvane.po", "-p", "1"}},
    {"vorna2map", {"-s", "s4-3x3.bmp", "-B"}},
};

INSTANTIATE_TEST_SUITE_P(EveryTool, PngPictures, ::testing::ValuesIn(kCases), [](const auto& info) {
    return info.param.tool + "_" + std::to_string(info.index);
});

// PNG files that cannot be written: the write-error chain and status 1, and
// no picture or temporary file left, as for BMP.
TEST(PngFailedWrites, NothingIsLeftBehind)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
    vorn_test::write_file(dir / "WORLD.MAP", sample::pc_world_map());
    port_tools::write_images(port_tools::kWorldTools[0], dir.path());
    fs::create_directory(dir / "out");
    const std::string data = "error: write_bitmap() - can't write bitmap data\n";
    struct Case {
        std::string tool;
        std::vector<std::string> args;
        std::string out;
        unsigned file_limit_kib;  // 0: none
    };
    const Case cases[] = {
        {"vornpc_map", {"--png", "-o", "/dev/full"}, data + "error: write bitmap '/dev/full'\nerror: write bitmap file '/dev/full'\n", 0},
        {"vornpc_map", {"-o", "out.png"}, "error: open 'out.png'\nerror: write bitmap file 'out.png'\n", 0},
        {"vornpc_map", {"--png", "-o", "out"}, "error: open 'out'\nerror: write bitmap file 'out'\n", 0},
        {"vornpc_map", {"-o", "missing/x.png"}, "error: open 'missing/x.png'\nerror: write bitmap file 'missing/x.png'\n", 0},
        {"vornpc_map", {"--png", "-o", ""}, "error: open ''\nerror: write bitmap file ''\n", 0},
        {"vornpc_map", {"-o", "new.png", "-g"}, data + "error: write bitmap 'new.png'\nerror: write bitmap file 'new.png'\n", 100},
        {"vornpc98map", {"--png"}, data + "error: write bitmap 'vorn.Morvane.png'\nerror: write bitmap file 'vorn.Morvane.png'\n", 200},
    };
    fs::create_directory(dir / "out.png");
    for (const Case& c : cases) {
        const auto before = odd_files::entries(dir.path());
        std::vector<std::string> args = c.args;
        args.push_back("--overwrite");
        const auto r = c.file_limit_kib ? odd_files::run_with_file_limit(c.tool, args, dir.path(), c.file_limit_kib)
                                        : vorn_test::run_tool(c.tool, args, dir.path());
        EXPECT_EQ(r.out, c.out) << c.tool << " " << c.args.back();
        EXPECT_EQ(r.status, 1) << c.tool << " " << c.args.back();
        EXPECT_EQ(odd_files::entries(dir.path()), before) << c.tool << " " << c.args.back();
        EXPECT_TRUE(fs::is_empty(dir / "out")) << c.args.back();
    }
}

}  // namespace
