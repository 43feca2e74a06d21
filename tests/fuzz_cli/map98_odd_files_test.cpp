// vornpc98map and vornx68kmap on odd inputs and outputs: disk images and
// sheets that are directories, FIFOs or unreadable, and pictures that cannot
// be written. Each failure prints its message chain, ends with status 1 and
// leaves no picture behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "odd_files.h"
#include "port_tools.h"
#include "sheets.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using odd_files::Odd;
using port_tools::PortTool;
using vorn_test::RunResult;

namespace {

class Map98OddFiles : public ::testing::TestWithParam<PortTool> {
protected:
    vorn_test::TempDir dir;
    const PortTool& tool = GetParam();

    void SetUp() override
    {
        if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
        port_tools::write_images(tool, dir.path());
    }
    RunResult run(const std::vector<std::string>& args) { return vorn_test::run_tool(tool.name, args, dir.path()); }
    void expect_refused(const RunResult& r, const std::string& out, const std::vector<std::string>& before,
                        const std::string& what)
    {
        EXPECT_EQ(r.out, out) << tool.name << ": " << what;
        EXPECT_EQ(r.status, 1) << tool.name << ": " << what;
        EXPECT_EQ(odd_files::entries(dir.path()), before) << tool.name << ": " << what;
    }
    std::vector<Odd> odds() const
    {
        if (odd_files::running_as_root()) return {Odd::kDirectory, Odd::kFifo};
        return {Odd::kDirectory, Odd::kFifo, Odd::kUnreadable};
    }
};

std::string image_chain(const std::string& image) { return "open error '" + image + "'\nerror: read disk image '" + image + "'\n"; }

TEST_P(Map98OddFiles, DiskImagesThatAreNoFiles)
{
    // Images are only ever opened when they are regular files: a FIFO is
    // refused like a directory and never waited on.
    for (const Odd odd : odds()) {
        for (const bool first : {true, false}) {
            const std::string image = first ? tool.arvelon : tool.morvane;
            const auto feeder = odd_files::make_odd(dir / image, odd);
            const auto before = odd_files::entries(dir.path());
            // The PC-98 shapes come from both images, the X68000 ones from
            // the first; the map always comes from the second.
            const std::string tail = first || tool.pc98 ? "error: read shapes from disk image\n"
                                                        : "error: read map data '" + image + "/MAP.BIN'\n";
            expect_refused(run({}), image_chain(image) + tail, before, std::string(odd_files::odd_name(odd)) + " " + image);
            if (feeder) {
                EXPECT_EQ(feeder->served(), 0);
            }
            fs::remove_all(dir / image);
            port_tools::write_images(tool, dir.path());
        }
    }
}

TEST_P(Map98OddFiles, MapImageThatIsADirectoryWithSheets)
{
    vorn_test::write_file(dir / "shapes.bmp", sheets::tile_sheet(16, tool.shape_rows, 2, 2, 4));
    fs::remove(dir / tool.morvane);
    fs::create_directory(dir / tool.morvane);
    expect_refused(run({"-s", "shapes.bmp"}),
                   image_chain(tool.morvane) + "error: read map data '" + tool.morvane + "/MAP.BIN'\n",
                   odd_files::entries(dir.path()), "map image directory");
}

TEST_P(Map98OddFiles, SheetsThatAreNoFiles)
{
    const auto shapes = sheets::tile_sheet(16, tool.shape_rows, 2, 2, 4);
    const auto mask = sheets::tile_sheet(16, tool.shape_rows, 2, 2, 1);
    for (const Odd odd : odds()) {
        for (const bool shape_sheet : {true, false}) {
            vorn_test::write_file(dir / "shapes.bmp", shapes);
            vorn_test::write_file(dir / "mask.bmp", mask);
            const std::string name = shape_sheet ? "shapes.bmp" : "mask.bmp";
            const std::string what = std::string(odd_files::odd_name(odd)) + " " + name;
            const auto feeder = odd_files::make_odd(dir / name, odd);
            const auto before = odd_files::entries(dir.path());
            const auto r = run({"-s", "shapes.bmp", "-m", "mask.bmp", "-o", "out.bmp"});
            const std::string tail = std::string(shape_sheet ? "error: read shape bitmap '" : "error: read mask bitmap '") +
                                     name + "'\n";
            if (odd == Odd::kFifo) {
                // A sheet is read as a stream: from a FIFO it reads whole.
                EXPECT_EQ(r.out, "") << what;
                EXPECT_EQ(r.status, 0) << what;
                EXPECT_EQ(vorn_test::read_file(dir / "out.bmp").size(), 118u + 256u * 2 * 256u) << what;
                fs::remove(dir / "out.bmp");
            } else {
                // Neither a directory nor an unreadable file can be opened.
                expect_refused(r, "error: open '" + name + "'\n" + tail, before, what);
            }
            fs::remove_all(dir / "shapes.bmp");
            fs::remove_all(dir / "mask.bmp");
        }
    }
}

TEST_P(Map98OddFiles, PicturesThatCannotBeWritten)
{
    fs::create_directory(dir / "out");
    struct Case {
        std::string output, out;
    };
    const Case cases[] = {
        {"/dev/full",
         "error: write_bitmap() - can't write bitmap data\nerror: write bitmap '/dev/full'\n"
         "error: write bitmap file '/dev/full'\n"},
        {"out", "error: open 'out'\nerror: write bitmap file 'out'\n"},
        {"missing/x.bmp", "error: open 'missing/x.bmp'\nerror: write bitmap file 'missing/x.bmp'\n"},
    };
    vorn_test::write_file(dir / "shapes.bmp", sheets::tile_sheet(16, tool.shape_rows, 1, 1, 8));
    for (const Case& c : cases) {
        const auto before = odd_files::entries(dir.path());
        expect_refused(run({"-s", "shapes.bmp", "-o", c.output, "--overwrite"}), c.out, before, c.output);
        EXPECT_TRUE(fs::is_empty(dir / "out")) << c.output;
    }
    // A disk that fills up part way: no cut picture, no temporary file.
    const auto before = odd_files::entries(dir.path());
    expect_refused(odd_files::run_with_file_limit(tool.name, {"-s", "shapes.bmp", "-o", "new.bmp"}, dir.path(), 20),
                   "error: write_bitmap() - can't write bitmap data\nerror: write bitmap 'new.bmp'\n"
                   "error: write bitmap file 'new.bmp'\n",
                   before, "file size limit");
}

INSTANTIATE_TEST_SUITE_P(BothPorts, Map98OddFiles, ::testing::ValuesIn(port_tools::kWorldTools),
                         [](const auto& info) { return info.param.name; });

}  // namespace
