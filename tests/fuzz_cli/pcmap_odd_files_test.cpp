// vornpc_map on odd inputs and outputs: game files and sheets that are
// directories, FIFOs or unreadable, and pictures written to a full device, a
// directory or a missing directory. Each failure prints its message chain,
// ends with status 1 and leaves no picture (and no temporary file) behind.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "odd_files.h"
#include "sample_ports.h"
#include "sheets.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using odd_files::FifoFeeder;
using vorn_test::read_file;
using vorn_test::run_tool;
using vorn_test::TempDir;
using vorn_test::write_file;

namespace {

class PcMapOddFiles : public ::testing::Test {
protected:
    TempDir dir;
    std::vector<uint8_t> map = sample::pc_world_map();

    void SetUp() override
    {
        write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
        write_file(dir / "SHAPES.CGA", sample::pc_shapes_cga());
        write_file(dir / "WORLD.MAP", map);
    }
    vorn_test::RunResult run(const std::vector<std::string>& args) { return run_tool("vornpc_map", args, dir.path()); }
    // The run failed as expected and left the directory as it was.
    void expect_refused(const vorn_test::RunResult& r, const std::string& out,
                        const std::vector<std::string>& before, const std::string& what)
    {
        EXPECT_EQ(r.out, out) << what;
        EXPECT_EQ(r.status, 1) << what;
        EXPECT_EQ(odd_files::entries(dir.path()), before) << what;
    }
};

TEST_F(PcMapOddFiles, GameFilesThatAreDirectories)
{
    struct Case {
        std::string file;
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {"WORLD.MAP", {}, "error: open 'WORLD.MAP'\nerror: read map data 'WORLD.MAP'\n"},
        {"SHAPES.EGA", {}, "error: open 'SHAPES.EGA'\nerror: read shapes\n"},
        {"SHAPES.CGA", {"--cga"}, "error: open 'SHAPES.CGA'\nerror: read shapes\n"},
    };
    // A directory cannot be opened as a file, as on Windows.
    for (const Case& c : cases) {
        fs::remove(dir / c.file);
        fs::create_directory(dir / c.file);
        expect_refused(run(c.args), c.out, odd_files::entries(dir.path()), c.file);
        fs::remove(dir / c.file);
        SetUp();
    }
}

TEST_F(PcMapOddFiles, DataPathThatIsAFile)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    expect_refused(run({"WORLD.MAP"}), "error: open 'WORLD.MAP/SHAPES.EGA'\nerror: read shapes\n",
                   odd_files::entries(dir.path()), "file as data path");
}

TEST_F(PcMapOddFiles, ShapeSheetThatIsADirectory)
{
    fs::create_directory(dir / "sheets");
    expect_refused(run({"-s", "sheets"}), "error: open 'sheets'\nerror: read shape bitmap 'sheets'\n",
                   odd_files::entries(dir.path()), "directory as sheet");
}

TEST_F(PcMapOddFiles, GameFilesFromFifos)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    // The whole map through a FIFO draws the same picture as from a file.
    ASSERT_EQ(run({"-o", "plain.bmp"}).status, 0);
    fs::remove(dir / "WORLD.MAP");
    {
        FifoFeeder feeder(dir / "WORLD.MAP", map);
        ASSERT_TRUE(feeder.ok());
        const auto r = run({"-o", "fifo.bmp"});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_EQ(read_file(dir / "fifo.bmp"), read_file(dir / "plain.bmp"));
    fs::remove(dir / "WORLD.MAP");
    fs::remove(dir / "fifo.bmp");

    // A FIFO that ends early is a file cut short.
    {
        FifoFeeder feeder(dir / "WORLD.MAP", std::vector<uint8_t>(map.begin(), map.begin() + 1000));
        ASSERT_TRUE(feeder.ok());
        expect_refused(run({}), "error: read 'WORLD.MAP'\nerror: read map data 'WORLD.MAP'\n",
                       odd_files::entries(dir.path()), "short FIFO");
    }
    fs::remove(dir / "SHAPES.EGA");
    {
        FifoFeeder feeder(dir / "SHAPES.EGA", {});
        ASSERT_TRUE(feeder.ok());
        expect_refused(run({}), "error: read 'SHAPES.EGA'\nerror: read shapes\n", odd_files::entries(dir.path()),
                       "empty FIFO");
    }
}

TEST_F(PcMapOddFiles, ShapeSheetFromAFifo)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    const std::vector<uint8_t> sheet = sheets::tile_sheet(16, 16, 1, 1, 8);
    {
        FifoFeeder feeder(dir / "sheet.bmp", sheet);
        ASSERT_TRUE(feeder.ok());
        const auto r = run({"-s", "sheet.bmp"});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_EQ(read_file(dir / "vorn.Morvane.bmp").size(), 1078u + 256u * 256u);
    fs::remove(dir / "vorn.Morvane.bmp");
    fs::remove(dir / "sheet.bmp");
    {
        FifoFeeder feeder(dir / "sheet.bmp", std::vector<uint8_t>(sheet.begin(), sheet.end() - 10));
        ASSERT_TRUE(feeder.ok());
        expect_refused(run({"-s", "sheet.bmp"}),
                       "error: read_bitmap() - can't read bitmap data\nerror: read 'sheet.bmp'\n"
                       "error: read shape bitmap 'sheet.bmp'\n",
                       odd_files::entries(dir.path()), "short FIFO sheet");
    }
}

TEST_F(PcMapOddFiles, UnreadableGameFilesAndSheets)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    if (odd_files::running_as_root()) GTEST_SKIP() << "the superuser reads files of mode 000";
    write_file(dir / "sheet.bmp", sheets::tile_sheet(16, 16, 1, 1, 8));
    struct Case {
        std::string file;
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {"WORLD.MAP", {}, "error: open 'WORLD.MAP'\nerror: read map data 'WORLD.MAP'\n"},
        {"SHAPES.EGA", {}, "error: open 'SHAPES.EGA'\nerror: read shapes\n"},
        {"sheet.bmp", {"-s", "sheet.bmp"}, "error: open 'sheet.bmp'\nerror: read shape bitmap 'sheet.bmp'\n"},
    };
    for (const Case& c : cases) {
        fs::permissions(dir / c.file, fs::perms::none);
        expect_refused(run(c.args), c.out, odd_files::entries(dir.path()), c.file);
        fs::permissions(dir / c.file, fs::perms::owner_read | fs::perms::owner_write);
    }
}

TEST_F(PcMapOddFiles, PicturesThatCannotBeWritten)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    fs::create_directory(dir / "out");
    struct Case {
        std::string output;
        std::string out;
    };
    const Case cases[] = {
        {"/dev/full",
         "error: write_bitmap() - can't write bitmap data\nerror: write bitmap '/dev/full'\n"
         "error: write bitmap file '/dev/full'\n"},
        {"out", "error: open 'out'\nerror: write bitmap file 'out'\n"},
        {"missing/x.bmp", "error: open 'missing/x.bmp'\nerror: write bitmap file 'missing/x.bmp'\n"},
    };
    for (const Case& c : cases) {
        const auto before = odd_files::entries(dir.path());
        expect_refused(run({"-o", c.output, "--overwrite"}), c.out, before, c.output);
        EXPECT_TRUE(fs::is_empty(dir / "out")) << c.output;
    }
}

TEST_F(PcMapOddFiles, DiskFillingUpLeavesNoHalfPicture)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    // A new picture and one replacing an older file: the write fails part
    // way, and neither a cut picture nor a temporary file stays behind.
    write_file(dir / "old.bmp", std::string("older picture"));
    for (const std::string name : {"new.bmp", "old.bmp"}) {
        const auto before = odd_files::entries(dir.path());
        const auto r = odd_files::run_with_file_limit("vornpc_map", {"-o", name, "--overwrite"}, dir.path(), 200);
        expect_refused(r,
                       "error: write_bitmap() - can't write bitmap data\nerror: write bitmap '" + name +
                           "'\nerror: write bitmap file '" + name + "'\n",
                       before, name);
    }
    EXPECT_EQ(read_file(dir / "old.bmp").size(), 13u);
}

}  // namespace
