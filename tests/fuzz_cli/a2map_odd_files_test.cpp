// vorna2map on odd inputs and outputs: disk images and sheets that are
// directories, FIFOs or unreadable, and pictures that cannot be written.
// Each failure prints its message chain, ends with status 1 and leaves no
// picture behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "odd_files.h"
#include "sample_a2.h"
#include "sheets.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using odd_files::FifoFeeder;
using vorn_test::RunResult;

namespace {

constexpr const char* kProgramDisk = "VORNboot.dsk";
constexpr const char* kMapDisk = "vornmorvane.dsk";

class A2MapOddFiles : public ::testing::Test {
protected:
    vorn_test::TempDir dir;

    void SetUp() override
    {
        vorn_test::write_file(dir / kProgramDisk, sample::a2_program_disk(false));
        vorn_test::write_file(dir / kMapDisk, sample::a2_morvane_disk(false));
        // 1 x 1 tiles keep the picture small.
        vorn_test::write_file(dir / "shapes.bmp", sheets::tile_sheet(16, 16, 1, 1, 4));
    }
    RunResult run(const std::vector<std::string>& args) { return vorn_test::run_tool("vorna2map", args, dir.path()); }
    void expect_refused(const RunResult& r, const std::string& out, const std::vector<std::string>& before,
                        const std::string& what)
    {
        EXPECT_EQ(r.out, out) << what;
        EXPECT_EQ(r.status, 1) << what;
        EXPECT_EQ(odd_files::entries(dir.path()), before) << what;
    }
};

const std::string kShapesFailed = "error: read disk image 'VORNboot.dsk'\nerror: read shapes from disk image\n";
const std::string kMapFailed = "error: read image file 'vornmorvane.dsk'\n";

TEST_F(A2MapOddFiles, DisksThatAreDirectories)
{
    fs::remove(dir / kProgramDisk);
    fs::create_directory(dir / kProgramDisk);
    // A directory cannot be opened as a file, as on Windows, whatever the
    // file system would answer to a seek or read on it.
    expect_refused(run({}), "open error 'VORNboot.dsk'\n" + kShapesFailed, odd_files::entries(dir.path()),
                   "program disk");
    fs::remove(dir / kProgramDisk);
    SetUp();
    fs::remove(dir / kMapDisk);
    fs::create_directory(dir / kMapDisk);
    expect_refused(run({}), "error: open 'vornmorvane.dsk'\n" + kMapFailed, odd_files::entries(dir.path()),
                   "map disk");
}

TEST_F(A2MapOddFiles, DisksFromFifos)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    const auto program = vorn_test::read_file(dir / kProgramDisk);
    const auto map = vorn_test::read_file(dir / kMapDisk);
    ASSERT_EQ(run({"-o", "plain.bmp"}).status, 0);
    // The program disk is sized before it is read: a FIFO has no size.
    fs::remove(dir / kProgramDisk);
    {
        FifoFeeder feeder(dir / kProgramDisk, program);
        ASSERT_TRUE(feeder.ok());
        expect_refused(run({}), "seek error 'VORNboot.dsk' (SEEK_END)\n" + kShapesFailed,
                       odd_files::entries(dir.path()), "program disk FIFO");
    }
    fs::remove(dir / kProgramDisk);
    vorn_test::write_file(dir / kProgramDisk, program);
    // The map tracks are read as a stream: whole, the same picture; cut
    // short, the read fails.
    fs::remove(dir / kMapDisk);
    {
        FifoFeeder feeder(dir / kMapDisk, map);
        ASSERT_TRUE(feeder.ok());
        const auto r = run({"-o", "fifo.bmp"});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_EQ(vorn_test::read_file(dir / "fifo.bmp"), vorn_test::read_file(dir / "plain.bmp"));
    fs::remove(dir / "fifo.bmp");
    fs::remove(dir / kMapDisk);
    {
        FifoFeeder feeder(dir / kMapDisk, std::vector<uint8_t>(map.begin(), map.begin() + 5000));
        ASSERT_TRUE(feeder.ok());
        expect_refused(run({}), "error: read 'vornmorvane.dsk'\n" + kMapFailed, odd_files::entries(dir.path()),
                       "short map disk FIFO");
    }
}

TEST_F(A2MapOddFiles, UnreadableDisksAndSheets)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    if (odd_files::running_as_root()) GTEST_SKIP() << "the superuser reads files of mode 000";
    struct Case {
        std::string file;
        std::vector<std::string> args;
        std::string out;
    };
    const Case cases[] = {
        {kProgramDisk, {}, "open error 'VORNboot.dsk'\n" + kShapesFailed},
        {kMapDisk, {}, "error: open 'vornmorvane.dsk'\n" + kMapFailed},
        {"shapes.bmp", {"-s", "shapes.bmp"}, "error: open 'shapes.bmp'\nerror: read shape bitmap 'shapes.bmp'\n"},
    };
    for (const Case& c : cases) {
        fs::permissions(dir / c.file, fs::perms::none);
        expect_refused(run(c.args), c.out, odd_files::entries(dir.path()), c.file);
        fs::permissions(dir / c.file, fs::perms::owner_read | fs::perms::owner_write);
    }
}

TEST_F(A2MapOddFiles, SheetThatIsADirectoryOrAFifo)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    const auto sheet = vorn_test::read_file(dir / "shapes.bmp");
    fs::remove(dir / "shapes.bmp");
    fs::create_directory(dir / "shapes.bmp");
    expect_refused(run({"-s", "shapes.bmp"}), "error: open 'shapes.bmp'\nerror: read shape bitmap 'shapes.bmp'\n",
                   odd_files::entries(dir.path()), "directory sheet");
    fs::remove(dir / "shapes.bmp");
    {
        FifoFeeder feeder(dir / "shapes.bmp", sheet);
        ASSERT_TRUE(feeder.ok());
        const auto r = run({"-s", "shapes.bmp", "-o", "out.bmp"});
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.status, 0);
    }
    EXPECT_TRUE(fs::is_regular_file(dir / "out.bmp"));
}

TEST_F(A2MapOddFiles, PicturesThatCannotBeWritten)
{
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
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
    for (const Case& c : cases) {
        const auto before = odd_files::entries(dir.path());
        expect_refused(run({"-s", "shapes.bmp", "-o", c.output, "--overwrite"}), c.out, before, c.output);
        EXPECT_TRUE(fs::is_empty(dir / "out")) << c.output;
    }
    const auto before = odd_files::entries(dir.path());
    expect_refused(odd_files::run_with_file_limit("vorna2map", {"-s", "shapes.bmp", "-o", "new.bmp"}, dir.path(), 20),
                   "error: write_bitmap() - can't write bitmap data\nerror: write bitmap 'new.bmp'\n"
                   "error: write bitmap file 'new.bmp'\n",
                   before, "file size limit");
}

}  // namespace
