// Cross-checks with floptool, a floppy image converter written independently
// of this suite: the WOZ files it writes of the sample DSK images decode to
// the same sectors and draw the same picture, and it reads the NIB and WOZ
// files of the sample generator back to the sectors they were made from.
#include <gtest/gtest.h>

#include <cstdlib>

#include "a2_container.h"
#include "sample_a2.h"
#include "sample_a2_containers.h"
#include "tool_run.h"

namespace {

using Bytes = std::vector<uint8_t>;
using sample::A2Damage;
using vorn_test::read_file;
using vorn_test::write_file;

bool have_floptool()
{
    static const bool have = std::system("floptool version >/dev/null 2>&1") == 0;
    return have;
}

// floptool flopconvert FROM TO in out, in dir.
bool convert(const vorn_test::TempDir& dir, const std::string& from, const std::string& to, const std::string& in,
             const std::string& out)
{
    const std::string command = "floptool flopconvert " + from + " " + to + " '" + (dir / in).string() + "' '" +
                                (dir / out).string() + "' >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

TEST(A2Floptool, ItsWozFilesOfDskImagesDecodeToTheSameSectorsAndPicture)
{
    if (!have_floptool()) GTEST_SKIP() << "floptool (Debian package mame-tools) is not installed";
    vorn_test::TempDir dir;
    for (const auto& [stem, disk] : {std::pair{"boot", sample::a2_program_disk(false)},
                                     std::pair{"morvane", sample::a2_morvane_disk(false)}}) {
        const std::string name = stem;
        write_file(dir / (name + ".dsk"), disk);
        ASSERT_TRUE(convert(dir, "a2_16sect_dos", "woz", name + ".dsk", name + ".woz")) << name;
        const Bytes woz = read_file(dir / (name + ".woz"));
        A2SectorRun run;
        ASSERT_EQ(a2_container_probe(woz), kA2Woz2) << name;
        ASSERT_EQ(a2_container_decode(run, name.c_str(), woz, kA2Woz2, kA2AllTracks), 0) << name;
        EXPECT_EQ(run.order, 1);
        EXPECT_TRUE(run.faults.empty()) << name;
        EXPECT_TRUE(run.image == disk) << name;
    }
    const auto dsk =
        vorn_test::run_tool("vorna2map", {"-d1", "boot.dsk", "-d2", "morvane.dsk", "-o", "dsk.bmp"}, dir.path());
    const auto woz =
        vorn_test::run_tool("vorna2map", {"-d1", "boot.woz", "-d2", "morvane.woz", "-o", "woz.bmp"}, dir.path());
    EXPECT_EQ(dsk.status, 0);
    EXPECT_EQ(woz.status, 0);
    EXPECT_EQ(woz.out, dsk.out);
    EXPECT_TRUE(read_file(dir / "woz.bmp") == read_file(dir / "dsk.bmp"));
}

TEST(A2Floptool, ItReadsTheGeneratedNibAndWozFilesBackToTheirSectors)
{
    if (!have_floptool()) GTEST_SKIP() << "floptool (Debian package mame-tools) is not installed";
    vorn_test::TempDir dir;
    const Bytes disk = sample::a2_program_disk(false);
    // Track 20, sector 2 (bytes 82,432 to 82,687) without its fields reads
    // as zeros; with a wrong checksum nibble floptool, which does not check
    // it, still reads the data.
    Bytes without_20_2 = disk;
    std::fill_n(without_20_2.begin() + (20 * 16 + 2) * 256, 256, 0);
    struct Case {
        const char* format;
        Bytes file;
        const Bytes& sectors;
    };
    const Case cases[] = {
        {"a2_nib", sample::a2_nib(disk), disk},
        {"woz", sample::a2_woz(disk, 1), disk},
        {"woz", sample::a2_woz(disk, 2, 2), disk},
        {"woz", sample::a2_woz(disk, 2, 3), disk},
        {"a2_nib", sample::a2_nib(disk, {A2Damage::missing, 20, 2}), without_20_2},
        {"woz", sample::a2_woz(disk, 2, 2, {A2Damage::no_data, 20, 2}), without_20_2},
        {"a2_nib", sample::a2_nib(disk, {A2Damage::checksum, 20, 2}), disk},
    };
    int k = 0;
    for (const Case& c : cases) {
        const std::string in = "in" + std::to_string(k++);
        write_file(dir / in, c.file);
        ASSERT_TRUE(convert(dir, c.format, "a2_16sect_dos", in, in + ".dsk")) << in;
        EXPECT_TRUE(read_file(dir / (in + ".dsk")) == c.sectors) << in;
    }
}

}  // namespace
