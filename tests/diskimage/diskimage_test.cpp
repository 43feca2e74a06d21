// The FAT12 image reader against images made by the project's own writer and
// hand-made corruptions of them.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "byteorder.h"
#include "diskimage.h"
#include "disk_test_util.h"
#include "fat12_writer.h"
#include "tool_run.h"

namespace {

using sample::FloppyFile;
using sample::FloppyKind;
using vorn_test::TempDir;

struct KindCase {
    FloppyKind kind;
    int32_t bytes_per_sector;
    int32_t total_sectors;
    int32_t sectors_per_fat;
    int32_t first_root_sector;
    int32_t root_entries;
    int32_t first_data_sector;
    int32_t sectors_per_cluster;
    int32_t clusters;
};

constexpr KindCase kKinds[] = {
    {FloppyKind::k2HD1232K, 1024, 1232, 2, 5, 192, 11, 1, 1221},
    {FloppyKind::k2DD720K, 512, 1440, 3, 7, 112, 14, 2, 713},
    {FloppyKind::k2DD640K, 512, 1280, 2, 5, 112, 12, 2, 634},
};

std::vector<FloppyFile> some_files()
{
    return {{"TOWNE.BIN", disk_test::pattern_bytes(17408, 1)},
            {"PEOPLE.BIN", disk_test::pattern_bytes(4352, 2)},
            {"EMPTY.DAT", {}},
            {"ODD", disk_test::pattern_bytes(1025, 3)}};
}

class DiskImageKinds : public ::testing::TestWithParam<std::tuple<KindCase, uint32_t>> {};

TEST_P(DiskImageKinds, OpensRecognisesGeometryAndReadsEveryFile)
{
    const auto& [k, offset] = GetParam();
    TempDir dir;
    const std::vector<FloppyFile> files = some_files();
    const auto path = dir / "disk.img";
    vorn_test::write_file(path, sample::fat12_image(k.kind, files, offset));

    DiskImage image;
    std::string out;
    ASSERT_EQ(disk_test::open_image(image, path, offset, &out), 0) << out;
    EXPECT_EQ(out, "");
    EXPECT_EQ(image.data_offset, offset);
    EXPECT_EQ(image.image_size, offset + sample::fat12_disk_bytes(k.kind));
    EXPECT_EQ(image.bytes_per_sector, k.bytes_per_sector);
    EXPECT_EQ(image.total_sectors, k.total_sectors);
    EXPECT_EQ(image.sectors_per_fat, k.sectors_per_fat);
    EXPECT_EQ(image.first_root_sector, k.first_root_sector);
    EXPECT_EQ(image.root_entries, k.root_entries);
    EXPECT_EQ(image.first_data_sector, k.first_data_sector);
    EXPECT_EQ(image.sectors_per_cluster, k.sectors_per_cluster);
    EXPECT_EQ(image.clusters, k.clusters);

    // The last cluster ends exactly at the last sector of the image.
    const int32_t last = disk_image_cluster_to_sector(image, k.clusters + 1);
    EXPECT_EQ(last + k.sectors_per_cluster - 1, k.total_sectors - 1);
    EXPECT_EQ(disk_image_sector_offset(image, k.total_sectors - 1) + k.bytes_per_sector,
              static_cast<int64_t>(image.image_size));
    EXPECT_EQ(disk_image_sector_offset(image, k.total_sectors), -1);
    EXPECT_EQ(disk_image_cluster_to_sector(image, k.clusters + 2), -1);
    EXPECT_EQ(disk_image_cluster_to_sector(image, 1), -1);
    EXPECT_EQ(disk_image_fat_entry(image, k.clusters + 2), -1);
    EXPECT_EQ(disk_image_fat_entry(image, -1), -1);
    EXPECT_GE(disk_image_fat_entry(image, k.clusters + 1), 0);

    for (const FloppyFile& file : files) {
        std::vector<uint8_t> buffer(file.data.size());
        std::string read_out;
        EXPECT_EQ(disk_test::read_file(image, file.name.c_str(), buffer, 1, &read_out), 0) << read_out;
        EXPECT_EQ(read_out, "");
        EXPECT_EQ(buffer, file.data) << file.name;
    }
    disk_image_close(image);
    EXPECT_TRUE(image.data.empty());
    EXPECT_TRUE(image.fat.empty());
    EXPECT_EQ(image.total_sectors, 0);
}

INSTANTIATE_TEST_SUITE_P(AllGeometries, DiskImageKinds,
                         ::testing::Combine(::testing::ValuesIn(kKinds), ::testing::Values(0u, 4096u)),
                         [](const auto& info) {
                             return "kind" + std::to_string(static_cast<int>(std::get<0>(info.param).kind)) +
                                    "_offset" + std::to_string(std::get<1>(info.param));
                         });

// ---- recognising the image -------------------------------------------------

TEST(DiskImageOpen, RefusesEverySizeButTheThreeGeometries)
{
    TempDir dir;
    const std::vector<uint8_t> fdi = sample::fat12_image(FloppyKind::k2HD1232K, some_files(), 4096);
    struct Case {
        size_t size;
        uint32_t offset;
        bool accepted;
    };
    const Case cases[] = {
        {fdi.size(), 4096, true},      {fdi.size(), 0, false},          {fdi.size() + 1, 4096, false},
        {fdi.size() - 1, 4096, false}, {fdi.size() - 4096, 0, true},    {737280, 0, true},
        {655360, 0, true},             {737280 + 4096, 4096, true},     {655360 + 1, 0, false},
        {0, 0, false},                 {4096, 4096, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(c.size, 0);
        std::copy_n(fdi.begin(), std::min(bytes.size(), fdi.size()), bytes.begin());
        const auto path = dir / "sized.img";
        vorn_test::write_file(path, bytes);
        DiskImage image;
        std::string out;
        const int result = disk_test::open_image(image, path, c.offset, &out);
        if (c.accepted) {
            EXPECT_EQ(result, 0) << c.size;
        } else {
            EXPECT_EQ(result, -1) << c.size;
            EXPECT_EQ(out, "unsupported image '" + path.string() + "'\n");
            EXPECT_TRUE(image.data.empty());
            EXPECT_EQ(image.data_offset, 0u);
        }
        disk_image_close(image);
    }
}

TEST(DiskImageOpen, HugeFileIsRefusedWithoutBeingRead)
{
    TempDir dir;
    const auto path = dir / "huge.img";
    vorn_test::write_file(path, std::vector<uint8_t>{1});
    std::error_code ec;
    std::filesystem::resize_file(path, 6ull << 30, ec);  // sparse: takes no room
    if (ec) GTEST_SKIP() << "cannot make a sparse file here";
    DiskImage image;
    std::string out;
    EXPECT_EQ(disk_test::open_image(image, path, 4096, &out), -1);
    EXPECT_EQ(out, "unsupported image '" + path.string() + "'\n");
}

TEST(DiskImageOpen, MissingFileDirectoryAndFifo)
{
    TempDir dir;
    DiskImage image;
    std::string out;
    const auto missing = dir / "missing.fdi";
    EXPECT_EQ(disk_test::open_image(image, missing, 4096, &out), -1);
    EXPECT_EQ(out, "open error '" + missing.string() + "'\n");

    EXPECT_EQ(disk_test::open_image(image, dir.path(), 0, &out), -1);
    EXPECT_EQ(out, "open error '" + dir.path().string() + "'\n");
#ifndef _WIN32
    const auto fifo = dir / "fifo.fdi";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(disk_test::open_image(image, fifo, 4096, &out), -1);  // must not wait for a writer
    EXPECT_EQ(out, "open error '" + fifo.string() + "'\n");
#endif
    EXPECT_TRUE(image.data.empty());
}

TEST(DiskImageOpen, OpenClearsWhatTheRecordHeldBefore)
{
    DiskImage image;
    image.data_offset = 7;
    image.clusters = 99;
    image.root_entries = 5;
    std::string out;
    TempDir dir;
    EXPECT_EQ(disk_test::open_image(image, dir / "none", 4096, &out), -1);
    EXPECT_EQ(image.data_offset, 0u);
    EXPECT_EQ(image.clusters, 0);
    EXPECT_EQ(image.root_entries, 0);
    disk_image_close(image);  // closing a cleared record is harmless
    disk_image_close(image);
}

// ---- the FAT ---------------------------------------------------------------

TEST(DiskImageFat, DecodesTwelveBitEntriesPackedTwoToThreeBytes)
{
    TempDir dir;
    std::vector<uint8_t> bytes = sample::fat12_image(FloppyKind::k2DD720K, {}, 0);
    uint8_t* fat = bytes.data() + 512;
    const uint8_t head[] = {0xFE, 0xFF, 0xFF, 0x03, 0x40, 0x00, 0xAB, 0xCD, 0xEF};
    std::memcpy(fat, head, sizeof head);
    // The last pair of the table: entries 714 and 715 (715 only pads the pair).
    fat[714 / 2 * 3] = 0x21;
    fat[714 / 2 * 3 + 1] = 0x43;
    fat[714 / 2 * 3 + 2] = 0x65;
    const auto path = dir / "fat.xdf";
    vorn_test::write_file(path, bytes);
    DiskImage image;
    ASSERT_EQ(disk_test::open_image(image, path, 0, nullptr), 0);
    EXPECT_EQ(disk_image_fat_entry(image, 0), 0xFFE);
    EXPECT_EQ(disk_image_fat_entry(image, 1), 0xFFF);
    EXPECT_EQ(disk_image_fat_entry(image, 2), 0x003);
    EXPECT_EQ(disk_image_fat_entry(image, 3), 0x004);
    EXPECT_EQ(disk_image_fat_entry(image, 4), 0xDAB);
    EXPECT_EQ(disk_image_fat_entry(image, 5), 0xEFC);
    EXPECT_EQ(disk_image_fat_entry(image, 714), 0x321);
    EXPECT_EQ(disk_image_fat_entry(image, 715), -1);  // beyond N + 1
    disk_image_close(image);
}

TEST(DiskImageFat, TooSmallForTheClustersIsRefused)
{
    DiskImage image;
    image.data.assign(4096, 0);
    image.bytes_per_sector = 512;
    image.total_sectors = 8;
    image.first_data_sector = 2;
    image.sectors_per_cluster = 1;
    image.first_fat_sector = 1;
    image.sectors_per_fat = 1;  // 341 entries: enough for 6 + 2
    EXPECT_EQ(disk_image_load_fat(image), 0);
    image.total_sectors = 400;  // 398 + 2 entries do not fit
    testing::internal::CaptureStdout();
    EXPECT_EQ(disk_image_load_fat(image), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "can't calculate FAT size\n");

    DiskImage empty;
    testing::internal::CaptureStdout();
    EXPECT_EQ(disk_image_load_fat(empty), -1);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

// A FAT whose byte count is no multiple of three and whose entry count is
// odd: the pair that holds the last entry reaches past the FAT's bytes, which
// must not be read (the sanitizer build sees it); the last entry itself lies
// wholly inside.
TEST(DiskImageFat, LastPairAtTheEndOfAnOddSizedFat)
{
    struct Case {
        int32_t bytes_per_sector, total_sectors;  // a FAT of one sector; data from sector 1
        std::vector<uint32_t> entries;
    };
    const Case cases[] = {
        {5, 2, {0x201, 0x030, 0x504}},
        {8, 4, {0x201, 0x030, 0x504, 0x060, 0x807}},
        {11, 6, {0x201, 0x030, 0x504, 0x060, 0x807, 0x090, 0xB0A}},
    };
    for (const Case& c : cases) {
        DiskImage image;
        image.data.assign(64, 0);
        for (size_t i = 0; i < image.data.size(); ++i) image.data[i] = static_cast<uint8_t>(i + 1);
        image.bytes_per_sector = c.bytes_per_sector;
        image.total_sectors = c.total_sectors;
        image.first_fat_sector = 0;
        image.sectors_per_fat = 1;
        image.first_data_sector = c.total_sectors - static_cast<int32_t>(c.entries.size()) + 2;
        image.sectors_per_cluster = 1;
        ASSERT_EQ(disk_image_load_fat(image), 0) << c.bytes_per_sector;
        for (size_t n = 0; n < c.entries.size(); ++n)
            EXPECT_EQ(disk_image_fat_entry(image, static_cast<int32_t>(n)), static_cast<int32_t>(c.entries[n]))
                << c.bytes_per_sector << " entry " << n;
    }
}

// ---- names -----------------------------------------------------------------

TEST(DiskImageNames, MakeDosName)
{
    struct Case {
        const char* name;
        int result;
        const char* form;
    };
    const Case cases[] = {
        {"TOWNE.BIN", 0, "TOWNE   BIN"},   {"MAP.BIN", 0, "MAP     BIN"},
        {"A.B.C", 0, "A       B.C"},       {"ABCDEFGH.ABC", 0, "ABCDEFGHABC"},
        {"shape.pat", 0, "shape   pat"},   {"NOEXT", 0, "NOEXT      "},
        {"NAME.", 0, "NAME       "},       {".BIN", 0, "        BIN"},
        {"", 0, "           "},            {"ABCDEFGHI", -1, nullptr},
        {"ABCDEFGHI.BIN", -1, nullptr},    {"MAP.BINS", -1, nullptr},
        {"\xE5X.Y", 0, "\x05X      Y  "}, {"A.\xE5", 0, "A       \xE5  "},
    };
    for (const Case& c : cases) {
        uint8_t form[12];
        EXPECT_EQ(make_dos_name(form, c.name), c.result) << c.name;
        if (c.form) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(form), 11), c.form) << c.name;
            EXPECT_EQ(form[11], 0);
        }
    }
}

// ---- reading files ---------------------------------------------------------

class DiskImageRead : public ::testing::Test {
protected:
    void SetUp() override { bytes_ = sample::fat12_image(FloppyKind::k2HD1232K, some_files(), 4096); }

    // Directory entry i of the root directory in bytes_.
    uint8_t* entry(int i) { return bytes_.data() + 4096 + 5 * 1024 + 32 * i; }
    void set_fat(uint32_t n, uint32_t value) { disk_test::set_fat12(bytes_.data() + 4096 + 1024, n, value); }

    // Opens bytes_ and reads name into buffer; the printed lines in out.
    int read(const char* name, std::vector<uint8_t>& buffer, int ignore_case, std::string* out)
    {
        const auto path = dir_ / "disk.fdi";
        vorn_test::write_file(path, bytes_);
        DiskImage image;
        if (disk_test::open_image(image, path, 4096, out) != 0) return -2;
        const int result = disk_test::read_file(image, name, buffer, ignore_case, out);
        disk_image_close(image);
        return result;
    }

    TempDir dir_;
    std::vector<uint8_t> bytes_;
};

TEST_F(DiskImageRead, LowerCaseNameNeedsTheIgnoreCaseFlag)
{
    std::vector<uint8_t> buffer(17408);
    std::string out;
    EXPECT_EQ(read("towne.bin", buffer, 1, &out), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(buffer, disk_test::pattern_bytes(17408, 1));
    EXPECT_EQ(read("towne.bin", buffer, 0, &out), -1);
    EXPECT_EQ(out, "can't find 'towne.bin'\n");
    EXPECT_EQ(read("TOWNE.BIN", buffer, 0, &out), 0);
}

TEST_F(DiskImageRead, IllegalNameIsNotSearched)
{
    std::vector<uint8_t> buffer(16);
    std::string out;
    EXPECT_EQ(read("TOWNEBINXX", buffer, 1, &out), -1);
    EXPECT_EQ(out, "illegal filename 'TOWNEBINXX'\n");
    EXPECT_EQ(read("TOWNE.BINX", buffer, 1, &out), -1);
    EXPECT_EQ(out, "illegal filename 'TOWNE.BINX'\n");
}

TEST_F(DiskImageRead, ShorterFileWarnsAndLeavesTheTail)
{
    std::vector<uint8_t> buffer(17408 + 10, 0xAA);
    std::string out;
    EXPECT_EQ(read("TOWNE.BIN", buffer, 1, &out), 0);
    EXPECT_EQ(out, "file size mismatch 'TOWNE.BIN' 17408 != 17418 ... ignored\n");
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 17408, disk_test::pattern_bytes(17408, 1).begin()));
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin() + 17408, buffer.end()), std::vector<uint8_t>(10, 0xAA));
}

TEST_F(DiskImageRead, LongerFileFailsBeforeCopying)
{
    std::vector<uint8_t> buffer(17407, 0xAA);
    std::string out;
    EXPECT_EQ(read("TOWNE.BIN", buffer, 1, &out), -1);
    EXPECT_EQ(out, "file size error 'TOWNE.BIN' 17408 > 17407\n");
    EXPECT_EQ(buffer, std::vector<uint8_t>(17407, 0xAA));
}

TEST_F(DiskImageRead, SizeOfTwoGigabytesOrMoreIsRefused)
{
    put_le32(entry(0) + 28, 0x80000000u);
    std::vector<uint8_t> buffer(1024, 0xAA);
    std::string out;
    EXPECT_EQ(read("TOWNE.BIN", buffer, 1, &out), -1);
    EXPECT_EQ(out, "file size error 'TOWNE.BIN' 2147483648 > 1024\n");
    put_le32(entry(0) + 28, 0xFFFFFFFFu);
    EXPECT_EQ(read("TOWNE.BIN", buffer, 1, &out), -1);
    EXPECT_EQ(out, "file size error 'TOWNE.BIN' 4294967295 > 1024\n");
    EXPECT_EQ(buffer, std::vector<uint8_t>(1024, 0xAA));
}

TEST_F(DiskImageRead, EmptyFileCopiesNothingWhateverItsCluster)
{
    put_le16(entry(2) + 26, 0xFFFF);
    std::vector<uint8_t> buffer(4, 0xAA);
    std::string out;
    EXPECT_EQ(read("EMPTY.DAT", buffer, 1, &out), 0);
    EXPECT_EQ(out, "file size mismatch 'EMPTY.DAT' 0 != 4 ... ignored\n");
    EXPECT_EQ(buffer, std::vector<uint8_t>(4, 0xAA));
}

TEST_F(DiskImageRead, BrokenChains)
{
    // TOWNE.BIN takes clusters 2-18, PEOPLE.BIN 19-23.
    struct Case {
        uint32_t cluster;  // entry changed
        uint32_t value;
        const char* message;
        size_t copied;  // bytes in place before the failure
    };
    const Case cases[] = {
        {18, 0xFFF, "illegal cluster 0xFFF\n", 0},  // the size runs past the chain's end
        {5, 0xFF7, "illegal cluster 0xFF7\n", 4 * 1024},
        {5, 0x000, "illegal cluster 0x0\n", 4 * 1024},
        {5, 0x001, "illegal cluster 0x1\n", 4 * 1024},
        {3, 1223, "can't get sector from cluster 0x4C7\n", 2 * 1024},  // N + 2
        {3, 0xFEF, "can't get sector from cluster 0xFEF\n", 2 * 1024},
    };
    for (const Case& c : cases) {
        SetUp();
        set_fat(c.cluster, c.value);
        const uint32_t size = c.cluster == 18 ? 17409 : 17408;  // past the chain: one byte more
        put_le32(entry(0) + 28, size);
        std::vector<uint8_t> buffer(size, 0);
        std::string out;
        EXPECT_EQ(read("TOWNE.BIN", buffer, 1, &out), -1) << c.message;
        EXPECT_EQ(out, c.message);
        const size_t copied = c.copied ? c.copied : 17408;
        const std::vector<uint8_t> expected = disk_test::pattern_bytes(17408, 1);
        EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + copied, expected.begin())) << c.message;
    }
}

TEST_F(DiskImageRead, FirstClusterOutsideTheDisk)
{
    put_le16(entry(1) + 26, 0xFFFF);
    std::vector<uint8_t> buffer(4352);
    std::string out;
    EXPECT_EQ(read("PEOPLE.BIN", buffer, 1, &out), -1);
    EXPECT_EQ(out, "illegal cluster 0xFFFF\n");
    put_le16(entry(1) + 26, 0x0FEF);
    EXPECT_EQ(read("PEOPLE.BIN", buffer, 1, &out), -1);
    EXPECT_EQ(out, "can't get sector from cluster 0xFEF\n");
}

TEST_F(DiskImageRead, ChainThatLoopsEndsWithTheRecordedSize)
{
    set_fat(20, 19);  // PEOPLE.BIN: 19 -> 20 -> 19 -> ...
    std::vector<uint8_t> buffer(4352);
    std::string out;
    EXPECT_EQ(read("PEOPLE.BIN", buffer, 1, &out), 0);
    const std::vector<uint8_t> file = disk_test::pattern_bytes(4352, 2);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 2048, file.begin()));
    EXPECT_TRUE(std::equal(buffer.begin() + 2048, buffer.begin() + 4096, file.begin()));
}

TEST_F(DiskImageRead, DeletedNameIsSearchedWithItsStandInByte)
{
    entry(3)[0] = 0x05;  // "ODD" becomes "\xE5DD"
    std::vector<uint8_t> buffer(1025);
    std::string out;
    EXPECT_EQ(read("\xE5" "DD", buffer, 1, &out), 0);
    EXPECT_EQ(buffer, disk_test::pattern_bytes(1025, 3));
    entry(3)[0] = 0xE5;  // now deleted: never found
    EXPECT_EQ(read("\xE5" "DD", buffer, 1, &out), -1);
}

TEST_F(DiskImageRead, OnlyTheGivenNumberOfEntriesIsExamined)
{
    const auto path = dir_ / "disk.fdi";
    vorn_test::write_file(path, bytes_);
    DiskImage image;
    ASSERT_EQ(disk_test::open_image(image, path, 4096, nullptr), 0);
    uint8_t form[12];
    ASSERT_EQ(make_dos_name(form, "ODD"), 0);
    EXPECT_TRUE(disk_image_find_entry(image, 3, form, 0).empty());
    const std::span<const uint8_t> found = disk_image_find_entry(image, 4, form, 0);
    ASSERT_EQ(found.size(), 32u);
    EXPECT_EQ(disk_entry_size(found), 1025u);
    EXPECT_EQ(disk_entry_first_cluster(found), 24u);
    // The whole root directory may be searched: a name in its last entry.
    std::memcpy(entry(191), "LAST    BIN", 11);
    vorn_test::write_file(path, bytes_);
    disk_image_close(image);
    ASSERT_EQ(disk_test::open_image(image, path, 4096, nullptr), 0);
    ASSERT_EQ(make_dos_name(form, "LAST.BIN"), 0);
    EXPECT_FALSE(disk_image_find_entry(image, 192, form, 0).empty());
    EXPECT_TRUE(disk_image_find_entry(image, 191, form, 0).empty());
    disk_image_close(image);
}

TEST_F(DiskImageRead, ImageStaysUsableAfterAFailedRead)
{
    const auto path = dir_ / "disk.fdi";
    vorn_test::write_file(path, bytes_);
    DiskImage image;
    ASSERT_EQ(disk_test::open_image(image, path, 4096, nullptr), 0);
    std::vector<uint8_t> small(10), buffer(4352);
    std::string out;
    EXPECT_EQ(disk_test::read_file(image, "PEOPLE.BIN", small, 1, &out), -1);
    EXPECT_EQ(disk_test::read_file(image, "NOPE.BIN", small, 1, &out), -1);
    EXPECT_EQ(out, "can't find 'NOPE.BIN'\n");
    EXPECT_EQ(disk_test::read_file(image, "PEOPLE.BIN", buffer, 1, &out), 0);
    EXPECT_EQ(buffer, disk_test::pattern_bytes(4352, 2));
    disk_image_close(image);
}

// Random damage to the FAT and the root directory: every read ends with a
// result, inside the buffers (the sanitizer build checks the bounds).
TEST(DiskImageDamage, RandomCorruptionNeverReadsOutOfBounds)
{
    TempDir dir;
    const auto path = dir / "damaged.img";
    vorn_test::write_file(path, sample::fat12_image(FloppyKind::k2DD640K, some_files(), 0));
    DiskImage pristine;
    ASSERT_EQ(disk_test::open_image(pristine, path, 0, nullptr), 0);
    std::mt19937 random(12345);
    const char* names[] = {"TOWNE.BIN", "PEOPLE.BIN", "EMPTY.DAT", "ODD"};
    for (int round = 0; round < 300; ++round) {
        DiskImage image = pristine;
        // FAT and root directory: sectors 1 to 11 of 512 bytes.
        for (int hit = 0; hit < 1 + round % 40; ++hit)
            image.data[512 + random() % (11 * 512)] = static_cast<uint8_t>(random());
        ASSERT_EQ(disk_image_load_fat(image), 0);
        for (const char* name : names) {
            std::vector<uint8_t> buffer(random() % 20000);
            std::string out;
            const int result = disk_test::read_file(image, name, buffer, static_cast<int>(random() % 2), &out);
            EXPECT_TRUE(result == 0 || result == -1);
        }
    }
    disk_image_close(pristine);
}

}  // namespace
