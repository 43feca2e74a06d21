// DOS 3.3 image reader: catalog walk, track/sector lists, file reads, in
// both sector orders, on images built in the test.
#include <gtest/gtest.h>

#include <random>

#include "a2_test_util.h"
#include "dos33.h"
#include "sample_a2.h"
#include "tool_run.h"

namespace {

using sample::A2File;

std::vector<uint8_t> counting(size_t n, uint8_t seed = 0)
{
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + seed + i / 256);
    return v;
}

// Entry i (0-6) of the first catalog sector in a DOS 3.3-order image.
uint8_t* entry_at(std::vector<uint8_t>& image, uint32_t i)
{
    return image.data() + dos_at(17, 15) + 11 + i * 35;
}

class Dos33Test : public testing::TestWithParam<int> {
protected:
    vorn_test::TempDir dir;
    Dos33Disk disk;
    std::string path = (dir / "disk.dsk").string();
    std::string out;

    ~Dos33Test() override { dos33_close(disk); }

    // Writes the DOS-order image in the test's sector order and opens it.
    int open(const std::vector<uint8_t>& dos_order)
    {
        vorn_test::write_file(path, GetParam() == kSectorOrderProdos ? sample::a2_prodos_order(dos_order)
                                                                     : dos_order);
        int result = 0;
        out = captured([&] { result = dos33_open(disk, path.c_str(), GetParam()); });
        return result;
    }

    int read(const char* name, std::vector<uint8_t>& dest)
    {
        int result = 0;
        out = captured([&] { result = dos33_read_file(disk, name, dest); });
        return result;
    }
};

TEST_P(Dos33Test, BinaryFileOfItsOwnSizeReadsWholeAndQuietly)
{
    const auto data = counting(4096);
    ASSERT_EQ(open(sample::a2_dos33_image({{"S\x01HP0", 0x04, sample::a2_binary_contents(0x6000, data)}})), 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(disk.tracks, 35);
    EXPECT_EQ(disk.image_size, 143360);
    std::vector<uint8_t> dest(4096, 0xEE);
    EXPECT_EQ(read("S\x01HP0", dest), 4096);
    EXPECT_EQ(out, "");
    EXPECT_EQ(dest, data);
}

TEST_P(Dos33Test, CapacityOtherThanStoredLengthWarnsAndPadsWithZeros)
{
    const auto data = counting(4096, 3);
    ASSERT_EQ(open(sample::a2_dos33_image({{"SHAPE", 0x84, sample::a2_binary_contents(0x6000, data)}})), 0);
    std::vector<uint8_t> dest(5000, 0xEE);
    EXPECT_EQ(read("SHAPE", dest), 4096);
    EXPECT_EQ(out, "file size mismatch 'SHAPE' 4096 != 5000\n");
    EXPECT_TRUE(std::equal(data.begin(), data.end(), dest.begin()));
    EXPECT_TRUE(std::all_of(dest.begin() + 4096, dest.end(), [](uint8_t b) { return b == 0; }));
}

TEST_P(Dos33Test, StoredLengthLimitsTheRead)
{
    // The file occupies two data sectors, but its header says 100 bytes.
    auto contents = sample::a2_binary_contents(0x0800, counting(100, 9));
    contents.resize(400, 0x55);
    ASSERT_EQ(open(sample::a2_dos33_image({{"SMALL", 0x04, contents}})), 0);
    std::vector<uint8_t> dest(1000, 0xEE);
    EXPECT_EQ(read("SMALL", dest), 100);
    EXPECT_EQ(out, "file size mismatch 'SMALL' 100 != 1000\n");
    EXPECT_TRUE(std::equal(contents.begin() + 4, contents.begin() + 104, dest.begin()));
    EXPECT_EQ(dest[100], 0);
}

TEST_P(Dos33Test, HeaderByFileType)
{
    struct Case {
        uint8_t type;
        uint32_t header;
        uint32_t length_at;  // 99: no stored length
    };
    const Case cases[] = {{0x01, 2, 0}, {0x02, 2, 0}, {0x82, 2, 0}, {0x04, 4, 2},
                          {0x10, 6, 2}, {0x00, 0, 99}, {0x08, 0, 99}, {0x20, 0, 99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        auto contents = counting(700, c.type);
        if (c.length_at != 99) {
            contents[c.length_at] = 44;  // stored length 300
            contents[c.length_at + 1] = 1;
        }
        ASSERT_EQ(open(sample::a2_dos33_image({{"F", c.type, contents}})), 0);
        std::vector<uint8_t> dest(300);
        EXPECT_EQ(read("F", dest), 300);
        EXPECT_EQ(out, "");
        EXPECT_TRUE(std::equal(dest.begin(), dest.end(), contents.begin() + c.header));
        dos33_close(disk);
    }
}

TEST_P(Dos33Test, TypeZeroFileGivesWholeSectorsUntilTheyRunOut)
{
    const auto contents = counting(600);
    ASSERT_EQ(open(sample::a2_dos33_image({{"RAW", 0x00, contents}})), 0);
    std::vector<uint8_t> dest(4096, 0xEE);
    EXPECT_EQ(read("RAW", dest), 768);  // three sectors
    EXPECT_EQ(out, "");
    EXPECT_TRUE(std::equal(contents.begin(), contents.end(), dest.begin()));
    EXPECT_EQ(dest[700], 0);
}

TEST_P(Dos33Test, FileWithTwoListsContinuesInTheSecondList)
{
    const auto contents = counting(130 * 256, 5);  // 130 data sectors: two lists
    ASSERT_EQ(open(sample::a2_dos33_image({{"BIG", 0x00, contents}})), 0);
    ASSERT_EQ(disk.catalog.size(), 15u);
    const CatalogEntry* e = dos33_find_file(disk, "BIG");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->length, 132);
    ASSERT_EQ(e->lists.size(), 2u);
    EXPECT_EQ(e->lists[1].sector_offset, 122);
    std::vector<uint8_t> dest(40000);
    EXPECT_EQ(read("BIG", dest), 130 * 256);
    EXPECT_TRUE(std::equal(contents.begin(), contents.end(), dest.begin()));
}

TEST_P(Dos33Test, NamesMatchExactlyWithBit7Set)
{
    ASSERT_EQ(open(sample::a2_dos33_image({{"HELLO", 0x00, counting(256)}})), 0);
    const CatalogEntry* e = dos33_find_file(disk, "HELLO");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->name[0], 'H' | 0x80);
    EXPECT_EQ(e->name[5], 0xA0);
    EXPECT_EQ(dos33_find_file(disk, "hello"), nullptr);
    EXPECT_EQ(dos33_find_file(disk, "HELL"), nullptr);
    std::vector<uint8_t> dest(10);
    EXPECT_EQ(read("hello", dest), -1);
    EXPECT_EQ(out, "file not found 'hello'\n");
}

TEST_P(Dos33Test, LongNamesAreCutAtThirtyCharacters)
{
    const std::string name(30, 'N');
    ASSERT_EQ(open(sample::a2_dos33_image({{name, 0x00, counting(256)}})), 0);
    EXPECT_NE(dos33_find_file(disk, (name + "XYZ").c_str()), nullptr);
}

TEST_P(Dos33Test, DeletedEntryWithMatchingNameIsFoundButUnreadable)
{
    auto image = sample::a2_dos33_image({{"GONE", 0x00, counting(512)}, {"GONE", 0x00, counting(512, 1)}});
    entry_at(image, 0)[0] = kDos33DeletedTrack;
    ASSERT_EQ(open(image), 0);
    const CatalogEntry* e = dos33_find_file(disk, "GONE");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e, &disk.catalog[0].entries[0]);
    EXPECT_TRUE(e->lists.empty());
    std::vector<uint8_t> dest(512);
    EXPECT_EQ(read("GONE", dest), -1);
    EXPECT_EQ(out, "");
}

TEST_P(Dos33Test, FileShorterThanTwoSectorsIsUnreadable)
{
    auto image = sample::a2_dos33_image({{"ONE", 0x00, counting(256)}});
    entry_at(image, 0)[33] = 1;
    ASSERT_EQ(open(image), 0);
    std::vector<uint8_t> dest(256);
    EXPECT_EQ(read("ONE", dest), -1);
    EXPECT_EQ(out, "");
}

TEST_P(Dos33Test, CatalogLoopsFailTheOpen)
{
    for (const auto& [from, to] : {std::pair{15u, 15u}, {14u, 15u}, {13u, 14u}, {1u, 8u}}) {
        SCOPED_TRACE(from);
        auto image = sample::a2_dos33_image({});
        image[dos_at(17, from) + 1] = 17;
        image[dos_at(17, from) + 2] = static_cast<uint8_t>(to);
        EXPECT_EQ(open(image), -1);
        EXPECT_EQ(out, "can't get catalog '" + path + "'\n");
        EXPECT_TRUE(disk.catalog.empty());
        dos33_close(disk);
    }
}

TEST_P(Dos33Test, CatalogLinks)
{
    struct Case {
        uint8_t track, sector;
        int result;
        size_t sectors;
    };
    const Case cases[] = {{0, 5, 0, 2}, {50, 0, -1, 0}, {49, 0, 0, 3}, {255, 0, -1, 0}, {17, 16, -1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.track));
        auto image = sample::a2_dos33_image({});
        image.resize(50 * kDos33TrackBytes);
        image[dos_at(17, 14) + 1] = c.track;
        image[dos_at(17, 14) + 2] = c.sector;
        EXPECT_EQ(open(image), c.result);
        EXPECT_EQ(disk.catalog.size(), c.sectors);
        EXPECT_EQ(out, c.result == 0 ? "" : "can't get catalog '" + path + "'\n");
        dos33_close(disk);
    }
}

TEST_P(Dos33Test, CatalogLinkToTrackZeroEndsTheCatalog)
{
    std::vector<A2File> files;
    for (int i = 0; i < 8; ++i) files.push_back({"F" + std::to_string(i), 0x00, counting(256)});
    auto image = sample::a2_dos33_image(files);
    image[dos_at(17, 15) + 1] = 0;
    ASSERT_EQ(open(image), 0);
    EXPECT_EQ(disk.catalog.size(), 1u);
    EXPECT_NE(dos33_find_file(disk, "F6"), nullptr);
    EXPECT_EQ(dos33_find_file(disk, "F7"), nullptr);
}

TEST_P(Dos33Test, EighteenTracksAreEnoughSeventeenAreNot)
{
    auto image = sample::a2_dos33_image({{"F", 0x00, counting(256)}}, 35);
    image.resize(73728);
    // The file lies on track 18, outside the shortened image.
    EXPECT_EQ(open(image), 0);
    EXPECT_EQ(out, "illegal track/sector (12/00)\ncan't get track/sector list '" + path + "'\n");
    EXPECT_EQ(disk.tracks, 18);
    dos33_close(disk);
    image.resize(73727);
    EXPECT_EQ(open(image), -1);
    EXPECT_EQ(out, "disk image size error\ncan't get catalog '" + path + "'\n");
}

TEST_P(Dos33Test, ListOutsideTheImageDropsThatEntryAndAllAfterIt)
{
    auto image = sample::a2_dos33_image(
        {{"A", 0x00, counting(256)}, {"B", 0x00, counting(256)}, {"C", 0x00, counting(256, 2)}});
    entry_at(image, 1)[0] = 0x30;
    entry_at(image, 1)[1] = 0x02;
    ASSERT_EQ(open(image), 0);
    EXPECT_EQ(out, "illegal track/sector (30/02)\ncan't get track/sector list '" + path + "'\n");
    std::vector<uint8_t> dest(256);
    EXPECT_EQ(read("A", dest), 256);
    EXPECT_EQ(read("B", dest), -1);
    EXPECT_EQ(read("C", dest), -1);
    EXPECT_EQ(out, "");
}

TEST_P(Dos33Test, ListSectorNumberAbove15IsOutsideTheImage)
{
    auto image = sample::a2_dos33_image({{"A", 0x00, counting(256)}});
    entry_at(image, 0)[1] = 0x10;
    ASSERT_EQ(open(image), 0);
    EXPECT_EQ(out, "illegal track/sector (12/10)\ncan't get track/sector list '" + path + "'\n");
}

TEST_P(Dos33Test, DataSectorOutsideTheImageIsWarnedAndEndsTheRead)
{
    const auto data = counting(4096);
    auto image = sample::a2_dos33_image({{"S\x01HP0", 0x04, sample::a2_binary_contents(0x6000, data)}});
    // Pair 2 of the list at track 18, sector 0 points past the image.
    image[dos_at(18, 0) + 12 + 2 * 2] = 0x40;
    image[dos_at(18, 0) + 12 + 2 * 2 + 1] = 0x11;
    ASSERT_EQ(open(image), 0);
    EXPECT_EQ(out, "illegal track/sector list[00:02] (40/11)\n");
    std::vector<uint8_t> dest(4096);
    EXPECT_EQ(read("S\x01HP0", dest), 252 + 256);
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 508, dest.begin()));
    EXPECT_EQ(dest[508], 0);
}

TEST_P(Dos33Test, FirstDataSectorOutsideTheImageGivesNothing)
{
    auto image = sample::a2_dos33_image({{"F", 0x04, sample::a2_binary_contents(0, counting(300))}});
    image[dos_at(18, 0) + 12] = 0xFF;
    ASSERT_EQ(open(image), 0);
    EXPECT_EQ(out, "illegal track/sector list[00:00] (FF/01)\n");
    std::vector<uint8_t> dest(300, 0xEE);
    EXPECT_EQ(read("F", dest), 0);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(std::all_of(dest.begin(), dest.end(), [](uint8_t b) { return b == 0; }));
}

TEST_P(Dos33Test, LoopingListChainIsCutAtTheEntryLength)
{
    auto image = sample::a2_dos33_image({{"LOOP", 0x00, counting(512)}, {"NEXT", 0x00, counting(256)}});
    // The list at 18/0 links to itself.
    image[dos_at(18, 0) + 1] = 18;
    image[dos_at(18, 0) + 2] = 0;
    ASSERT_EQ(open(image), 0);
    EXPECT_EQ(out, "illegal track/sector (12/00)\ncan't get track/sector list '" + path + "'\n");
    EXPECT_TRUE(disk.catalog[0].entries[0].lists.empty());
    EXPECT_TRUE(disk.catalog[0].entries[1].lists.empty());
}

TEST_P(Dos33Test, ImagesBeyondOneMebibyteKeepTheirSizeButHoldOnlyWhatIsAddressable)
{
    auto image = sample::a2_dos33_image({{"F", 0x00, counting(512)}});
    image.resize(kDos33AddressableBytes + 3 * 4096 + 17);
    ASSERT_EQ(open(image), 0);
    EXPECT_EQ(disk.image_size, static_cast<int64_t>(image.size()));
    EXPECT_EQ(disk.tracks, 259);
    EXPECT_EQ(disk.image.size(), kDos33AddressableBytes);
    EXPECT_TRUE(dos33_sector_inside(disk, 255, 15));
    std::vector<uint8_t> dest(512);
    EXPECT_EQ(read("F", dest), 512);
}

TEST_P(Dos33Test, MissingFileFailsToOpen)
{
    out = captured([&] { EXPECT_EQ(dos33_open(disk, (dir / "none.dsk").string().c_str(), GetParam()), -1); });
    EXPECT_EQ(out, "open error '" + (dir / "none.dsk").string() + "'\n");
}

TEST_P(Dos33Test, CorruptCatalogsAndListsNeverReachOutsideTheImage)
{
    std::mt19937 rng(GetParam());
    const auto clean = sample::a2_dos33_image(
        {{"A", 0x04, sample::a2_binary_contents(0, counting(3000))}, {"B", 0x00, counting(200 * 256)}});
    const char* names[] = {"A", "B"};
    for (int round = 0; round < 200; ++round) {
        auto image = clean;
        image.resize(kDos33TrackBytes * (18 + rng() % 18));
        for (int i = 0; i < 12; ++i) {
            // Catalog sectors, list sectors and the first data sectors.
            const size_t at = (round % 2 ? dos_at(17, 15) : dos_at(18, 0)) + rng() % (2 * 256);
            image[at] = static_cast<uint8_t>(rng() % 4 == 0 ? 0xFF : rng());
        }
        if (open(image) == 0) {
            for (const char* name : names) {
                std::vector<uint8_t> dest(rng() % 70000);
                EXPECT_LE(read(name, dest), static_cast<int>(dest.size()));
            }
        }
        dos33_close(disk);
    }
}

INSTANTIATE_TEST_SUITE_P(BothOrders, Dos33Test, testing::Values(kSectorOrderDos, kSectorOrderProdos),
                         [](const testing::TestParamInfo<int>& info) {
                             return info.param == kSectorOrderDos ? std::string("Dos") : std::string("Prodos");
                         });

TEST(Dos33Geometry, ProdosOrderPlacesLogicalSectors)
{
    EXPECT_EQ(dos33_sector_offset(kProdosSectorOrder, 17, 1), 73216u);
    EXPECT_EQ(dos33_sector_offset(kProdosSectorOrder, 17, 15), 73472u);
    EXPECT_EQ(dos33_sector_offset(kDosSectorOrder, 17, 15), 73472u);
    EXPECT_EQ(dos33_sector_offset(kProdosSectorOrder, 0, 0), 0u);
    EXPECT_EQ(dos33_sector_offset(kProdosSectorOrder, 1, 14), 4096u + 256u);
}

}  // namespace
