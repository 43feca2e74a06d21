// The reader against FAT12 images made by mkfs.fat and filled by mcopy, and
// the project's own image writer checked by mtools. Skipped where the tools
// are not installed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "diskimage.h"
#include "disk_test_util.h"
#include "fat12_writer.h"
#include "sample_ports.h"
#include "tool_run.h"

namespace {

namespace fs = std::filesystem;
using disk_test::find_program;
using disk_test::quote;
using disk_test::run;
using vorn_test::TempDir;

#ifndef _WIN32

struct Tools {
    std::string mkfs, mcopy, mdel;
    bool found() const { return !mkfs.empty() && !mcopy.empty() && !mdel.empty(); }
};

Tools tools()
{
    setenv("MTOOLS_SKIP_CHECK", "1", 1);
    return {find_program("mkfs.fat"), find_program("mcopy"), find_program("mdel")};
}

struct MkfsCase {
    const char* label;
    const char* options;
    int kib;
    int sectors_per_fat;
    uint32_t cluster_bytes;
};

constexpr MkfsCase kMkfsCases[] = {
    {"2HD", "-S 1024 -s 1 -r 192 -g 2/8 -M 0xFE", 1232, 2, 1024},
    {"2DD720", "-S 512 -s 2 -r 112 -g 2/9 -M 0xF9", 720, 3, 1024},
    {"2DD640", "-S 512 -s 2 -r 112 -g 2/8 -M 0xFB", 640, 2, 1024},
};

class MtoolsImages : public ::testing::TestWithParam<MkfsCase> {};

// Copies a file into the image with mcopy.
bool put(const Tools& t, const fs::path& image, const fs::path& host, const std::string& name)
{
    return run(t.mcopy + " -o -i " + quote(image) + " " + quote(host) + " ::" + name);
}

TEST_P(MtoolsImages, FilesComeOutAsMcopyPutThemIn)
{
    const Tools t = tools();
    if (!t.found()) GTEST_SKIP() << "mkfs.fat, mcopy or mdel not installed";
    const MkfsCase& c = GetParam();
    TempDir dir;
    const fs::path img = dir / "disk.img";
    ASSERT_TRUE(run(t.mkfs + " -C -F 12 -f 2 -R 1 -h 0 " + c.options + " " + quote(img) + " " +
                    std::to_string(c.kib)));
    const std::vector<uint8_t> fresh = vorn_test::read_file(img);
    ASSERT_GT(fresh.size(), 24u);
    ASSERT_EQ(fresh[22], c.sectors_per_fat) << "mkfs.fat chose another FAT size";

    // Files of cluster-edge sizes; deleting and rewriting makes later files
    // fill the holes and jump over the files between them.
    struct File {
        std::string name;
        std::vector<uint8_t> data;
    };
    std::vector<File> files = {
        {"FIRST.BIN", disk_test::pattern_bytes(3 * c.cluster_bytes, 11)},
        {"HOLE.BIN", disk_test::pattern_bytes(2 * c.cluster_bytes + 1, 12)},
        {"MIDDLE.BIN", disk_test::pattern_bytes(5 * c.cluster_bytes - 1, 13)},
        {"HOLE2.BIN", disk_test::pattern_bytes(c.cluster_bytes, 14)},
        {"TAIL.BIN", disk_test::pattern_bytes(4 * c.cluster_bytes, 15)},
    };
    for (const File& f : files) {
        vorn_test::write_file(dir / f.name, f.data);
        ASSERT_TRUE(put(t, img, dir / f.name, f.name));
    }
    ASSERT_TRUE(run(t.mdel + " -i " + quote(img) + " ::HOLE.BIN ::HOLE2.BIN"));
    const std::vector<File> more = {
        {"FRAG.BIN", disk_test::pattern_bytes(9 * c.cluster_bytes + 100, 16)},
        {"EMPTY.DAT", {}},
        {"SHAPE.PAT", disk_test::pattern_bytes(30000, 17)},
    };
    for (const File& f : more) {
        vorn_test::write_file(dir / f.name, f.data);
        ASSERT_TRUE(put(t, img, dir / f.name, f.name));
    }
    // A lower-case host name: mcopy stores an upper-case short name.
    vorn_test::write_file(dir / "towne.bin", disk_test::pattern_bytes(17408, 18));
    ASSERT_TRUE(put(t, img, dir / "towne.bin", "towne.bin"));
    files.erase(files.begin() + 3);
    files.erase(files.begin() + 1);
    files.insert(files.end(), more.begin(), more.end());
    files.push_back({"TOWNE.BIN", disk_test::pattern_bytes(17408, 18)});

    const std::vector<uint8_t> disk = vorn_test::read_file(img);
    for (const uint32_t offset : {0u, 4096u}) {
        std::vector<uint8_t> bytes(offset, 0x5A);  // a header that is never looked at
        bytes.insert(bytes.end(), disk.begin(), disk.end());
        const fs::path path = dir / (offset ? "disk.fdi" : "disk.xdf");
        vorn_test::write_file(path, bytes);
        DiskImage image;
        std::string out;
        ASSERT_EQ(disk_test::open_image(image, path, offset, &out), 0) << out;
        for (const File& f : files) {
            std::vector<uint8_t> buffer(f.data.size());
            EXPECT_EQ(disk_test::read_file(image, f.name.c_str(), buffer, 1, &out), 0) << f.name << out;
            EXPECT_EQ(buffer, f.data) << f.name;
        }
        // FRAG.BIN really is in pieces: its chain jumps at least once.
        uint8_t form[12];
        ASSERT_EQ(make_dos_name(form, "FRAG.BIN"), 0);
        const auto entry = disk_image_find_entry(image, image.root_entries, form, 0);
        ASSERT_FALSE(entry.empty());
        int jumps = 0;
        int32_t cluster = static_cast<int32_t>(disk_entry_first_cluster(entry));
        for (int steps = 0; steps < 20; ++steps) {
            const int32_t next = disk_image_fat_entry(image, cluster);
            if (next < 2 || next >= 0xFF0) break;
            jumps += next != cluster + 1;
            cluster = next;
        }
        EXPECT_GE(jumps, 1);
        disk_image_close(image);
    }
}

INSTANTIATE_TEST_SUITE_P(Geometries, MtoolsImages, ::testing::ValuesIn(kMkfsCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(SampleImages, MtoolsReadsWhatTheWriterStored)
{
    const Tools t = tools();
    if (!t.found()) GTEST_SKIP() << "mcopy not installed";
    TempDir dir;
    const std::vector<uint8_t> fdi = sample::pc98_morvane_fdi();
    ASSERT_EQ(fdi.size(), 1265664u);
    const fs::path img = dir / "morvane.img";
    vorn_test::write_file(img, std::vector<uint8_t>(fdi.begin() + 4096, fdi.end()));
    const std::pair<const char*, std::vector<uint8_t>> files[] = {
        {"SWSHAPE.PAT", sample::pc98_swshape_pat()},
        {"MAP.BIN", sample::map_bin()},
        {"TOWNE.BIN", sample::towne_bin()},
        {"PEOPLE.BIN", sample::people_bin()},
    };
    for (const auto& [name, data] : files) {
        const fs::path out = dir / name;
        ASSERT_TRUE(run(t.mcopy + " -n -i " + quote(img) + " ::" + name + " " + quote(out))) << name;
        EXPECT_EQ(vorn_test::read_file(out), data) << name;
    }
}

#endif  // _WIN32

struct WriterCase {
    sample::FloppyKind kind;
    uint32_t offset;
};

class WriterImages : public ::testing::TestWithParam<WriterCase> {};

// The sample writer's images read back through the module, the files being
// large enough to reach far into the disk.
TEST_P(WriterImages, ReadBackThroughTheModule)
{
    const WriterCase& c = GetParam();
    TempDir dir;
    const std::vector<sample::FloppyFile> files = {
        {"OCSHAPE.PAT", sample::pc98_ocshape_pat()},
        {"SHAPE.PAT", sample::x68k_shape_pat()},
        {"MAP.BIN", sample::map_bin()},
        {"ZERO", {}},
        {"PEOPLE.BIN", sample::people_bin()},
    };
    const std::vector<uint8_t> bytes = sample::fat12_image(c.kind, files, c.offset);
    ASSERT_FALSE(bytes.empty());
    const fs::path path = dir / "writer.img";
    vorn_test::write_file(path, bytes);
    DiskImage image;
    ASSERT_EQ(disk_test::open_image(image, path, c.offset, nullptr), 0);
    for (const auto& f : files) {
        std::vector<uint8_t> buffer(f.data.size());
        std::string out;
        EXPECT_EQ(disk_test::read_file(image, f.name.c_str(), buffer, 0, &out), 0) << out;
        EXPECT_EQ(buffer, f.data) << f.name;
    }
    disk_image_close(image);
}

INSTANTIATE_TEST_SUITE_P(Kinds, WriterImages,
                         ::testing::Values(WriterCase{sample::FloppyKind::k2HD1232K, 4096},
                                           WriterCase{sample::FloppyKind::k2DD720K, 0},
                                           WriterCase{sample::FloppyKind::k2DD640K, 4096}),
                         [](const auto& info) {
                             return "kind" + std::to_string(static_cast<int>(info.param.kind)) + "_offset" +
                                    std::to_string(info.param.offset);
                         });

}  // namespace
