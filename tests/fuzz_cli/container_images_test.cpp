// The four floppy tools on the game disks in every container form: each form
// draws byte for byte the pictures of the port's own form with the same
// messages; a damaged sector ends the run with its line and the tool's usual
// ones, unless it lies outside every file the tool reads.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "port_tools.h"
#include "sample_containers.h"
#include "sample_ports.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using port_tools::PortTool;
using sample::DiskForm;
using Bytes = std::vector<uint8_t>;

namespace {

struct ToolRun {
    int status = -1;
    std::string out;
    std::map<std::string, Bytes> pictures;
};

// Runs the tool in dir (args added) and takes the pictures it wrote.
ToolRun run_in(const PortTool& tool, const vorn_test::TempDir& dir, const std::vector<std::string>& args)
{
    const vorn_test::RunResult r = vorn_test::run_tool(tool.name, args, dir.path());
    ToolRun run{r.status, r.out, {}};
    for (const auto& entry : fs::directory_iterator(dir.path()))
        if (entry.path().extension() == ".bmp") run.pictures[entry.path().filename().string()] = vorn_test::read_file(entry.path());
    return run;
}

Bytes arvelon_disk(const PortTool& tool) { return tool.pc98 ? sample::pc98_arvelon_disk() : sample::x68k_arvelon_xdf(); }
Bytes morvane_disk(const PortTool& tool) { return tool.pc98 ? sample::pc98_morvane_disk() : sample::x68k_morvane_xdf(); }

// Writes both disks in the form as a.EXT and m.EXT; the arguments that name them.
std::vector<std::string> write_in_form(const PortTool& tool, const vorn_test::TempDir& dir, DiskForm form,
                                       const Bytes& morvane_file)
{
    const auto kind = sample::FloppyKind::k2HD1232K;
    const std::string a = "a." + sample::form_extension(form), m = "m." + sample::form_extension(form);
    vorn_test::write_file(dir / a, sample::disk_in_form(kind, arvelon_disk(tool), form));
    vorn_test::write_file(dir / m, morvane_file.empty() ? sample::disk_in_form(kind, morvane_disk(tool), form) : morvane_file);
    return {"-d1", a, "-d2", m};
}

class ContainerImages : public ::testing::TestWithParam<PortTool> {};

TEST_P(ContainerImages, EveryFormDrawsThePicturesOfThePortsOwnForm)
{
    const PortTool& tool = GetParam();
    vorn_test::TempDir own;
    port_tools::write_images(tool, own.path());
    const ToolRun expected = run_in(tool, own, {});
    ASSERT_EQ(expected.status, 0) << expected.out;
    ASSERT_FALSE(expected.pictures.empty());

    // The PC-98 port's own form is FDI, the X68000 one's XDF (raw sectors).
    std::vector<DiskForm> forms = {DiskForm::kHdm, DiskForm::kD88, DiskForm::kNfd0, DiskForm::kNfd1, DiskForm::kDim};
    if (!tool.pc98) forms.push_back(DiskForm::kFdi);
    for (const DiskForm form : forms) {
        vorn_test::TempDir dir;
        const ToolRun got = run_in(tool, dir, write_in_form(tool, dir, form, {}));
        const std::string label = tool.name + " on " + sample::form_extension(form);
        EXPECT_EQ(got.status, 0) << label;
        EXPECT_EQ(got.out, expected.out) << label;
        EXPECT_TRUE(got.pictures == expected.pictures) << label;
    }
}

TEST_P(ContainerImages, ADamagedMapSectorEndsTheRunAndOneOutsideTheFilesDoesNot)
{
    const PortTool& tool = GetParam();
    const bool world = tool.name.find("map") != std::string::npos;
    const auto kind = sample::FloppyKind::k2HD1232K;
    // The morvane disk holds (in 1,024-byte clusters from absolute sector 11,
    // 16 sectors a cylinder) SWSHAPE.PAT of 61 clusters on the PC-98 only,
    // then MAP.BIN of 64, TOWNE.BIN of 17 and PEOPLE.BIN of 5: MAP.BIN starts
    // at track 4 side 1 sector 1 (PC-98) or track 0 side 1 sector 4 (X68000),
    // TOWNE.BIN at track 8 side 1 sector 1 or track 4 side 1 sector 4.
    const int c = tool.pc98 ? 4 : 0, r = tool.pc98 ? 1 : 4;
    const int tc = world ? c : c + 4;
    sample::SampleTracks tracks = sample::sample_tracks(kind, morvane_disk(tool), true);
    for (auto& s : tracks[static_cast<size_t>(tc * 2 + 1)])
        if (s.record == r) s.status = 0xB0;
    const std::string file = world ? "MAP.BIN" : "TOWNE.BIN";
    const std::string tail = world ? "error: read map data 'm.d88/MAP.BIN'\n" : "error: read image file 'm.d88'\n";
    {
        vorn_test::TempDir dir;
        const ToolRun got = run_in(tool, dir, write_in_form(tool, dir, DiskForm::kD88, sample::d88_image(tracks, 0x20)));
        EXPECT_EQ(got.out, "damaged image 'm.d88': track " + std::to_string(tc) + " side 1 sector " + std::to_string(r) +
                               " data CRC error\nerror: read disk image 'm.d88/" + file + "'\n" + tail);
        EXPECT_EQ(got.status, 1);
        EXPECT_TRUE(got.pictures.empty());
    }
    // The last sector of the disk belongs to no file: the pictures are drawn.
    sample::SampleTracks sound = sample::sample_tracks(kind, morvane_disk(tool), true);
    sound[153].back().status = 0xB0;
    sound[153].push_back(sound[153].front());  // and a sector of a track twice
    vorn_test::TempDir own;
    port_tools::write_images(tool, own.path());
    const ToolRun expected = run_in(tool, own, {});
    vorn_test::TempDir dir;
    const ToolRun got = run_in(tool, dir, write_in_form(tool, dir, DiskForm::kD88, sample::d88_image(sound, 0x20)));
    EXPECT_EQ(got.status, 0) << got.out;
    EXPECT_EQ(got.out, expected.out);
    EXPECT_TRUE(got.pictures == expected.pictures);
}

INSTANTIATE_TEST_SUITE_P(FloppyTools, ContainerImages,
                         ::testing::Values(port_tools::kWorldTools[0], port_tools::kWorldTools[1], port_tools::kTownTools[0],
                                           port_tools::kTownTools[1]),
                         [](const auto& info) { return info.param.name; });

}  // namespace
