// Reading TOWNE.BIN and PEOPLE.BIN out of a floppy image into town records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fat12_writer.h"
#include "tool_run.h"
#include "towne.h"

namespace {

using vorn_test::TempDir;

std::vector<uint8_t> counting(size_t size, uint32_t step)
{
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i * step + i / 251);
    return bytes;
}

struct ReadResult {
    int result;
    std::string out;
};

ReadResult read_towns(std::vector<uint8_t>& towns, const std::string& path, uint32_t offset)
{
    testing::internal::CaptureStdout();
    const int result = read_town_data(towns, path.c_str(), offset);
    return {result, testing::internal::GetCapturedStdout()};
}

TEST(TownData, RecordsJoinEachMapBlockWithItsPeopleBlock)
{
    const std::vector<uint8_t> maps = counting(kTowneBinBytes, 7);
    const std::vector<uint8_t> people = counting(kPeopleBinBytes, 13);
    for (const uint32_t offset : {4096U, 0U}) {
        TempDir dir;
        const auto path = (dir / "m.img").string();
        vorn_test::write_file(path, sample::fat12_image(sample::FloppyKind::k2DD720K,
                                                        {{"PEOPLE.BIN", people}, {"TOWNE.BIN", maps}}, offset));
        std::vector<uint8_t> towns(kTownDataBytes, 0xCC);
        const ReadResult r = read_towns(towns, path, offset);
        ASSERT_EQ(r.result, 0);
        EXPECT_EQ(r.out, "");
        for (size_t i = 0; i < kTownCount; ++i) {
            const uint8_t* record = &towns[i * kTownRecordBytes];
            EXPECT_TRUE(std::equal(record, record + 1024, maps.begin() + static_cast<long>(i * 1024))) << i;
            EXPECT_TRUE(std::equal(record + 1024, record + 1280, people.begin() + static_cast<long>(i * 256))) << i;
        }
    }
}

TEST(TownData, ShortFilesLeaveZerosBehindTheirEnd)
{
    TempDir dir;
    const auto path = (dir / "m.img").string();
    const std::vector<uint8_t> maps = counting(1500, 3);
    const std::vector<uint8_t> people(10, 0xAB);
    vorn_test::write_file(path, sample::fat12_image(sample::FloppyKind::k2DD640K,
                                                    {{"TOWNE.BIN", maps}, {"PEOPLE.BIN", people}}, 0));
    std::vector<uint8_t> towns(kTownDataBytes, 0xCC);
    const ReadResult r = read_towns(towns, path, 0);
    ASSERT_EQ(r.result, 0);
    EXPECT_EQ(r.out, "file size mismatch 'TOWNE.BIN' 1500 != 17408 ... ignored\n"
                     "file size mismatch 'PEOPLE.BIN' 10 != 4352 ... ignored\n");
    std::vector<uint8_t> want(kTownDataBytes, 0);
    std::copy(maps.begin(), maps.begin() + 1024, want.begin());
    std::copy(maps.begin() + 1024, maps.end(), want.begin() + kTownRecordBytes);
    std::copy(people.begin(), people.end(), want.begin() + 1024);
    EXPECT_EQ(towns, want);
}

TEST(TownData, FailuresNameTheImageAndFileAndLeaveTheRecordsAlone)
{
    TempDir dir;
    const auto path = (dir / "m.img").string();
    struct Case {
        std::vector<sample::FloppyFile> files;
        std::string out;
    };
    const Case cases[] = {
        {{{"PEOPLE.BIN", std::vector<uint8_t>(kPeopleBinBytes)}},
         "can't find 'TOWNE.BIN'\nerror: read disk image '" + path + "/TOWNE.BIN'\n"},
        {{{"TOWNE.BIN", std::vector<uint8_t>(kTowneBinBytes)}},
         "can't find 'PEOPLE.BIN'\nerror: read disk image '" + path + "/PEOPLE.BIN'\n"},
        {{{"TOWNE.BIN", std::vector<uint8_t>(kTowneBinBytes)}, {"PEOPLE.BIN", std::vector<uint8_t>(4353)}},
         "file size error 'PEOPLE.BIN' 4353 > 4352\nerror: read disk image '" + path + "/PEOPLE.BIN'\n"},
    };
    for (const Case& c : cases) {
        vorn_test::write_file(path, sample::fat12_image(sample::FloppyKind::k2HD1232K, c.files, 0));
        std::vector<uint8_t> towns(kTownDataBytes, 0xCC);
        const ReadResult r = read_towns(towns, path, 0);
        EXPECT_EQ(r.result, -1);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(towns, std::vector<uint8_t>(kTownDataBytes, 0xCC));
    }

    // An image of no size that a disk or container has.
    std::vector<uint8_t> odd = sample::fat12_image(sample::FloppyKind::k2HD1232K, cases[0].files, 0);
    odd.push_back(0);
    vorn_test::write_file(path, odd);
    std::vector<uint8_t> towns(kTownDataBytes, 0xCC);
    const ReadResult r = read_towns(towns, path, 4096);
    EXPECT_EQ(r.result, -1);
    EXPECT_EQ(r.out, "unsupported image '" + path + "'\nerror: read disk image '" + path + "'\n");

    std::vector<uint8_t> small(kTownDataBytes - 1);
    EXPECT_EQ(read_town_data(small, path.c_str(), 0), -1);
}

}  // namespace
