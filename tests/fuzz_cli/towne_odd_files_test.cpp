// vornpc98towne and vornx68ktowne on odd inputs and outputs: disk images
// that are directories, FIFOs or unreadable, and pictures that cannot be
// written. A failure ends the run at once with its message chain and status
// 1; the picture being written is never left half written.
#include <gtest/gtest.h>

#include <algorithm>
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

constexpr const char* kFirstTown = "vorn.Castle_Morvane_2F.bmp";
constexpr const char* kSixthTown = "vorn.Starmere.bmp";

class TowneOddFiles : public ::testing::TestWithParam<PortTool> {
protected:
    vorn_test::TempDir dir;
    const PortTool& tool = GetParam();

    void SetUp() override
    {
        if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
        port_tools::write_images(tool, dir.path());
        // 1 x 1 tiles keep the 17 pictures small.
        vorn_test::write_file(dir / "shapes.bmp", sheets::tile_sheet(16, tool.shape_rows, 1, 1, 8));
    }
    RunResult run(const std::vector<std::string>& args) { return vorn_test::run_tool(tool.name, args, dir.path()); }
    void expect_refused(const RunResult& r, const std::string& out, const std::vector<std::string>& before,
                        const std::string& what)
    {
        EXPECT_EQ(r.out, out) << tool.name << ": " << what;
        EXPECT_EQ(r.status, 1) << tool.name << ": " << what;
        EXPECT_EQ(odd_files::entries(dir.path()), before) << tool.name << ": " << what;
    }
};

std::string image_chain(const std::string& image) { return "open error '" + image + "'\nerror: read disk image '" + image + "'\n"; }

TEST_P(TowneOddFiles, DiskImagesThatAreNoFiles)
{
    std::vector<Odd> odds = {Odd::kDirectory, Odd::kFifo};
    if (!odd_files::running_as_root()) odds.push_back(Odd::kUnreadable);
    for (const Odd odd : odds) {
        for (const bool first : {true, false}) {
            const std::string image = first ? tool.arvelon : tool.morvane;
            const std::string what = std::string(odd_files::odd_name(odd)) + " " + image;
            const auto feeder = odd_files::make_odd(dir / image, odd);
            const auto before = odd_files::entries(dir.path());
            // The PC-98 shapes come from both images, the X68000 ones from
            // the first; the towns always come from the second.
            const std::string tail = first || tool.pc98 ? "error: read shapes from disk image\n"
                                                        : "error: read image file '" + image + "'\n";
            expect_refused(run({}), image_chain(image) + tail, before, what);
            // With sheets only the second image is read, for the towns.
            if (!first)
                expect_refused(run({"-s", "shapes.bmp"}), image_chain(image) + "error: read image file '" + image + "'\n",
                               before, what + " with sheets");
            if (feeder) {
                EXPECT_EQ(feeder->served(), 0) << what;
            }
            fs::remove_all(dir / image);
            port_tools::write_images(tool, dir.path());
        }
    }
}

TEST_P(TowneOddFiles, PicturesThatCannotBeWritten)
{
    struct Case {
        std::string setup;  // what stands under the first picture's name
        std::string out;
    };
    const std::string name = kFirstTown;
    const Case cases[] = {
        {"directory", "[Castle Morvane 2F]\nerror: open '" + name + "'\nerror: write bitmap file '" + name + "'\n"},
        {"link to /dev/full",
         "[Castle Morvane 2F]\nerror: write_bitmap() - can't write bitmap data\nerror: write bitmap '" + name +
             "'\nerror: write bitmap file '" + name + "'\n"},
        {"link into a missing directory",
         "[Castle Morvane 2F]\nerror: open '" + name + "'\nerror: write bitmap file '" + name + "'\n"},
    };
    for (const Case& c : cases) {
        if (c.setup == "directory") fs::create_directory(dir / name);
        if (c.setup == "link to /dev/full") fs::create_symlink("/dev/full", dir / name);
        if (c.setup == "link into a missing directory") fs::create_symlink("missing/x.bmp", dir / name);
        const auto before = odd_files::entries(dir.path());
        expect_refused(run({"-s", "shapes.bmp", "--overwrite"}), c.out, before, c.setup);
        fs::remove(dir / name);
    }
}

TEST_P(TowneOddFiles, FailureHalfWayEndsTheRun)
{
    // The sixth picture cannot be written: the five before it are complete,
    // nothing comes after it.
    fs::create_directory(dir / kSixthTown);
    const auto r = run({"-s", "shapes.bmp", "--overwrite"});
    EXPECT_EQ(r.out,
              "[Castle Morvane 2F]\n[Castle Morvane 1F]\n[The Athenaril]\n[Solace Abbey]\n[Wyrm's Keep]\n"
              "[Starmere]\nerror: open 'vorn.Starmere.bmp'\nerror: write bitmap file 'vorn.Starmere.bmp'\n");
    EXPECT_EQ(r.status, 1);
    const auto names = odd_files::entries(dir.path());
    EXPECT_EQ(std::count_if(names.begin(), names.end(), [](const std::string& n) { return n.rfind("vorn.", 0) == 0; }),
              6);
    for (const char* town : {"vorn.Castle_Morvane_2F.bmp", "vorn.Wyrm's_Keep.bmp"})
        EXPECT_EQ(vorn_test::read_file(dir / town).size(), 1078u + 32u * 32u) << town;
}

TEST_P(TowneOddFiles, DiskFillingUpLeavesNoHalfPicture)
{
    const auto before = odd_files::entries(dir.path());
    // 16 x 16 tiles: 512 x 512 pixels at 8 bits, far over the limit.
    vorn_test::write_file(dir / "big.bmp", sheets::tile_sheet(16, tool.shape_rows, 16, 16, 8));
    auto expected = before;
    expected.push_back("big.bmp");
    std::sort(expected.begin(), expected.end());
    expect_refused(odd_files::run_with_file_limit(tool.name, {"-s", "big.bmp"}, dir.path(), 100),
                   "[Castle Morvane 2F]\nerror: write_bitmap() - can't write bitmap data\nerror: write bitmap '" +
                       std::string(kFirstTown) + "'\nerror: write bitmap file '" + kFirstTown + "'\n",
                   expected, "file size limit");
}

INSTANTIATE_TEST_SUITE_P(BothPorts, TowneOddFiles, ::testing::ValuesIn(port_tools::kTownTools),
                         [](const auto& info) { return info.param.name; });

}  // namespace
