// The container writers of the sample data and the decoders checked against
// floptool (MAME's floppy image converter): floptool turns each container we
// write back into the sectors it was made from (so the FDI becomes our HDM),
// and our reader gives the same sectors. Skipped where floptool is missing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "diskimage.h"
#include "disk_test_util.h"
#include "sample_containers.h"
#include "tool_run.h"

namespace {

#ifndef _WIN32

using sample::DiskForm;
using sample::FloppyKind;
using Bytes = std::vector<uint8_t>;

struct FloptoolCase {
    const char* label;
    FloppyKind kind;
    DiskForm form;
    const char* input_format;  // floptool's names
    const char* output_format;
};
void PrintTo(const FloptoolCase& c, std::ostream* os) { *os << c.label; }

// floptool writes raw sectors in the order of their numbers: the PC-98 form
// for 2HD and 720 KB disks, the COMPIS one for 640 KB. It reads FDI and NFD
// files as high-density disks whatever they hold; of its raw writers, the
// Pyldin one takes the 720 KB disk read that way. It reads no 2DD NFD or
// FDI of 640 KB back.
constexpr FloptoolCase kCases[] = {
    {"FDI 2HD", FloppyKind::k2HD1232K, DiskForm::kFdi, "pc98_fdi", "pc98"},
    {"FDI 720 KB", FloppyKind::k2DD720K, DiskForm::kFdi, "pc98_fdi", "pyldin"},
    {"D88 2HD", FloppyKind::k2HD1232K, DiskForm::kD88, "d88", "pc98"},
    {"D88 720 KB", FloppyKind::k2DD720K, DiskForm::kD88, "d88", "pc98"},
    {"D88 640 KB", FloppyKind::k2DD640K, DiskForm::kD88, "d88", "cpis"},
    {"NFD r0 2HD", FloppyKind::k2HD1232K, DiskForm::kNfd0, "nfd", "pc98"},
    {"NFD r0 720 KB", FloppyKind::k2DD720K, DiskForm::kNfd0, "nfd", "pyldin"},
    {"NFD r1 2HD", FloppyKind::k2HD1232K, DiskForm::kNfd1, "nfd", "pc98"},
    {"DIM 2HD", FloppyKind::k2HD1232K, DiskForm::kDim, "dim", "xdf"},
};

class Floptool : public ::testing::TestWithParam<FloptoolCase> {};

TEST_P(Floptool, TurnsOurContainerBackIntoItsSectors)
{
    const FloptoolCase& c = GetParam();
    const std::string floptool = disk_test::find_program("floptool");
    if (floptool.empty()) GTEST_SKIP() << "floptool (mame-tools) is not installed";
    vorn_test::TempDir dir;
    // Sectors of no file system: every byte differs from sector to sector.
    const Bytes raw = disk_test::pattern_bytes(sample::fat12_disk_bytes(c.kind), 40);
    const auto container = dir / "disk.img";
    const auto back = dir / "back.raw";
    vorn_test::write_file(container, sample::disk_in_form(c.kind, raw, c.form));
    ASSERT_TRUE(disk_test::run(floptool + " flopconvert " + c.input_format + " " + c.output_format + " " +
                               disk_test::quote(container) + " " + disk_test::quote(back)));
    EXPECT_EQ(vorn_test::read_file(back), raw);

    // Our reader agrees, at either data offset.
    for (const uint32_t offset : {0u, 4096u}) {
        DiskImage image;
        std::string out;
        ASSERT_EQ(disk_test::open_image(image, container, offset, &out), 0) << out;
        EXPECT_TRUE(std::equal(raw.begin(), raw.end(), image.data.begin() + offset)) << offset;
        disk_image_close(image);
    }
}

INSTANTIATE_TEST_SUITE_P(Forms, Floptool, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name;
    for (const char* p = info.param.label; *p; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
    return name;
});

#endif  // _WIN32

}  // namespace
