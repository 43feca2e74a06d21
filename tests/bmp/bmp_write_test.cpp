// The BMP writer: header fields, row encoding and padding for every bit
// count, palettes, and write_bitmap_file's question, failures and clean-up.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "bmp_bytes.h"
#include "tool_run.h"

namespace {

using bmp_test::BmpFields;
using bmp_test::captured_stdout;
using bmp_test::header_bytes;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

// ---- create_bitmap_header --------------------------------------------------

struct HeaderCase {
    uint32_t width;
    uint32_t height;
    uint16_t bits;
    uint32_t data_offset;
    uint32_t image_size;
};

class CreateHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(CreateHeader, FillsEveryField)
{
    const HeaderCase& c = GetParam();
    BmpHeader h;
    h.reserved1 = 0xAAAA;  // every field is written, none left as it came
    h.colors_used = 77;
    ASSERT_EQ(create_bitmap_header(h, c.width, c.height, c.bits), 0);
    EXPECT_EQ(h.file_size, c.data_offset + c.image_size);
    EXPECT_EQ(h.reserved1, 0);
    EXPECT_EQ(h.reserved2, 0);
    EXPECT_EQ(h.data_offset, c.data_offset);
    EXPECT_EQ(h.info_size, 40u);
    EXPECT_EQ(h.width, c.width);
    EXPECT_EQ(h.height, c.height);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bit_count, c.bits);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.image_size, c.image_size);
    EXPECT_EQ(h.x_resolution, 0u);
    EXPECT_EQ(h.y_resolution, 0u);
    EXPECT_EQ(h.colors_used, 0u);
    EXPECT_EQ(h.colors_important, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, CreateHeader,
    testing::Values(HeaderCase{4096, 4096, 4, 118, 8388608},  // the large 4-bit world picture
                    HeaderCase{1, 3, 1, 62, 12}, HeaderCase{9, 2, 1, 62, 8},
                    HeaderCase{32, 1, 1, 62, 4}, HeaderCase{33, 1, 1, 62, 8},
                    HeaderCase{3, 5, 4, 118, 20}, HeaderCase{8, 1, 4, 118, 4},
                    HeaderCase{9, 1, 4, 118, 8}, HeaderCase{5, 2, 8, 1078, 16},
                    HeaderCase{4, 2, 8, 1078, 8}, HeaderCase{3, 2, 16, 54, 16},
                    HeaderCase{2, 2, 16, 54, 8}, HeaderCase{3, 3, 24, 54, 36},
                    HeaderCase{4, 3, 24, 54, 36}, HeaderCase{1, 1, 24, 54, 4},
                    HeaderCase{3, 2, 32, 54, 24}, HeaderCase{0, 0, 8, 1078, 0},
                    // the widest rows whose sums must not wrap in 32 bits
                    HeaderCase{0xFFFFFFFFu, 1, 1, 62, 0x20000000u},
                    HeaderCase{0xFFFFFFFFu, 1, 4, 118, 0x80000000u}));

TEST(CreateHeader, RefusesOtherBitCounts)
{
    for (uint16_t bits : {0, 2, 3, 7, 12, 15, 31, 33, 48, 64, 65535}) {
        BmpHeader h;
        EXPECT_EQ(create_bitmap_header(h, 4, 4, bits), -1) << "bits " << bits;
    }
}

TEST(CreateHeader, RefusesSizesBeyondTheThirtyTwoBitFields)
{
    struct {
        uint32_t width, height;
        uint16_t bits;
    } const cases[] = {
        {0xFFFFFFFFu, 2, 32},        // row length alone passes 32 bits
        {0x40000000u, 1, 32},        // image size exactly 2^32
        {0x10000u, 0x10000u, 8},     // image size 2^32
        {0xFFFFFFFFu, 0xFFFFFFFFu, 24},
        {0xFFFFFFFFu, 1, 8},         // row length 2^32: w + 3 must not wrap to 2
        {0xFFFFFFFCu, 1, 8},         // image fits, file size (with 1078) passes 2^32
        {0x80000000u, 0x80000000u, 32},  // 2^64 bytes: a 64-bit product wraps to 0
        {0x80000000u, 2863311531u, 24},  // 2^64 + 2^31 bytes: wraps to 2^31
    };
    for (const auto& c : cases) {
        BmpHeader h;
        EXPECT_EQ(create_bitmap_header(h, c.width, c.height, c.bits), -1)
            << c.width << "x" << c.height << "x" << c.bits;
    }
}

// ---- byte-exact files --------------------------------------------------------

struct WriteCase {
    const char* name;
    uint32_t width;
    uint32_t height;
    uint32_t bits;
    Bytes pixels;                 // Bitmap layout, top row first
    uint32_t data_offset;
    std::vector<Bytes> file_rows; // as they must lie in the file, bottom row first
};

class WriteFile : public testing::TestWithParam<WriteCase> {};

TEST_P(WriteFile, HeaderPaletteAndPaddedRows)
{
    const WriteCase& c = GetParam();
    const int entries = c.bits <= 8 ? 1 << c.bits : 0;
    const Bytes palette = bmp_test::counting_palette(entries, 0x10);

    Bitmap bitmap;
    bitmap.width = c.width;
    bitmap.height = c.height;
    bitmap.bits_per_pixel = c.bits;
    bitmap.size = static_cast<uint32_t>(c.pixels.size());
    bitmap.pixels = c.pixels;
    bitmap.palette = palette;

    vorn_test::TempDir dir;
    const fs::path path = dir / "out.bmp";
    std::string out;
    int result = 1;
    out = captured_stdout([&] { result = write_bitmap_file(path.c_str(), bitmap, 0); });
    ASSERT_EQ(result, 0);
    EXPECT_EQ(out, "");

    uint32_t image_size = 0;
    for (const Bytes& row : c.file_rows) image_size += static_cast<uint32_t>(row.size());
    const BmpFields fields = bmp_test::v3_fields(c.width, c.height, static_cast<uint16_t>(c.bits),
                                                 c.data_offset, image_size);
    const Bytes expected = bmp_test::bmp_file(fields, palette, c.file_rows);
    EXPECT_EQ(vorn_test::read_file(path), expected);
}

const WriteCase kWriteCases[] = {
    // 1 bit: leftmost pixel in bit 7, any non-zero byte a 1, rows padded to 4 bytes.
    {"w1_1bit", 1, 2, 1, {1, 0}, 62, {{0x00, 0, 0, 0}, {0x80, 0, 0, 0}}},
    {"w9_1bit", 9, 1, 1, {1, 0, 7, 0, 0, 0, 0, 1, 1}, 62, {{0xA1, 0x80, 0, 0}}},
    {"w8_1bit_byte7", 8, 1, 1, {7, 0, 0, 0, 0, 0, 0, 0xFF}, 62, {{0x81, 0, 0, 0}}},
    {"w33_1bit", 33, 1, 1, Bytes(33, 1), 62, {{0xFF, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0}}},
    // 4 bits: left pixel in the high half, odd last pixel alone in a high half.
    {"w3_4bit", 3, 1, 4, {0x1, 0xF, 0x7}, 118, {{0x1F, 0x70, 0, 0}}},
    {"w5_4bit", 5, 2, 4, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 118,
     {{0x67, 0x89, 0xA0, 0}, {0x12, 0x34, 0x50, 0}}},
    {"w8_4bit", 8, 1, 4, {0, 1, 2, 3, 12, 13, 14, 15}, 118, {{0x01, 0x23, 0xCD, 0xEF}}},
    // 8 bits: index bytes unchanged.
    {"w3_8bit", 3, 2, 8, {1, 2, 3, 4, 5, 255}, 1078, {{4, 5, 255, 0}, {1, 2, 3, 0}}},
    {"w4_8bit", 4, 1, 8, {9, 8, 7, 6}, 1078, {{9, 8, 7, 6}}},
    // 16 bits: two bytes a pixel, unchanged.
    {"w3_16bit", 3, 1, 16, {1, 2, 3, 4, 5, 6}, 54, {{1, 2, 3, 4, 5, 6, 0, 0}}},
    {"w2_16bit", 2, 2, 16, {1, 2, 3, 4, 5, 6, 7, 8}, 54, {{5, 6, 7, 8}, {1, 2, 3, 4}}},
    // 24 bits: width 3 gives 9 bytes and 3 zeros, width 4 no padding.
    {"w3_24bit", 3, 1, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 54, {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0}}},
    {"w4_24bit", 4, 1, 24, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 54,
     {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}}},
    {"w1_24bit", 1, 2, 24, {1, 2, 3, 4, 5, 6}, 54, {{4, 5, 6, 0}, {1, 2, 3, 0}}},
    // 32 bits: the fourth byte goes out as it stands.
    {"w1_32bit", 1, 2, 32, {1, 2, 3, 0xFE, 4, 5, 6, 0x80}, 54, {{4, 5, 6, 0x80}, {1, 2, 3, 0xFE}}},
};

INSTANTIATE_TEST_SUITE_P(Encodings, WriteFile, testing::ValuesIn(kWriteCases),
                         [](const testing::TestParamInfo<WriteCase>& info) {
                             return std::string(info.param.name);
                         });

// Writes bitmap to a fresh file with overwrite set and returns its bytes.
Bytes written_bytes(const Bitmap& bitmap)
{
    vorn_test::TempDir dir;
    const fs::path path = dir / "out.bmp";
    int result = 1;
    const std::string out =
        captured_stdout([&] { result = write_bitmap_file(path.c_str(), bitmap, 1); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "");
    return vorn_test::read_file(path);
}

Bitmap small_bitmap(uint32_t bits)
{
    Bitmap b;
    b.width = 2;
    b.height = 1;
    b.bits_per_pixel = bits;
    b.size = 2;
    b.pixels = {1, 0};
    return b;
}

TEST(WritePalette, EmptyPaletteWritesZeroEntries)
{
    const struct {
        uint32_t bits;
        size_t entries;
    } cases[] = {{1, 2}, {4, 16}, {8, 256}};
    for (const auto& c : cases) {
        const Bytes file = written_bytes(small_bitmap(c.bits));
        ASSERT_EQ(file.size(), 54 + c.entries * 4 + 4) << c.bits;
        EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 54 + static_cast<long>(c.entries) * 4),
                  Bytes(c.entries * 4, 0))
            << c.bits;
    }
}

TEST(WritePalette, FourthByteIsCopiedAsItStands)
{
    const Bytes palette = {0x01, 0x02, 0x03, 0xAA, 0xF1, 0xF2, 0xF3, 0x55};
    Bitmap b = small_bitmap(1);
    b.palette = palette;
    const Bytes file = written_bytes(b);
    ASSERT_GE(file.size(), 62u);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 62), palette);
}

TEST(WritePalette, ShortPaletteIsFilledWithZeroEntries)
{
    const Bytes palette = {9, 8, 7, 6, 5, 4, 3, 2};  // two of sixteen entries
    Bitmap b = small_bitmap(4);
    b.palette = palette;
    const Bytes file = written_bytes(b);
    ASSERT_EQ(file.size(), 54u + 64 + 4);
    Bytes expected = palette;
    expected.resize(64, 0);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 118), expected);
}

TEST(WriteFile, LargeFourBitPictureSizes)
{
    Bitmap b;
    b.width = 4096;
    b.height = 4096;
    b.bits_per_pixel = 4;
    b.size = 4096 * 4096;
    b.pixels.assign(b.size, 0);
    b.pixels[0] = 0xC;                 // top left pixel: the last row of the file
    b.pixels[b.size - 1] = 0x3;        // bottom right pixel: end of the first row
    const Bytes file = written_bytes(b);
    ASSERT_EQ(file.size(), 8388726u);
    EXPECT_EQ(get_le32(&file[2]), 8388726u);
    EXPECT_EQ(get_le32(&file[10]), 118u);
    EXPECT_EQ(get_le32(&file[34]), 8388608u);
    EXPECT_EQ(file[118 + 2047], 0x03);
    EXPECT_EQ(file[118 + 2048 * 4095], 0xC0);
}

TEST(WriteFile, UnsupportedBitCountTouchesNoFile)
{
    for (uint32_t bits : {2u, 64u}) {
        vorn_test::TempDir dir;
        const fs::path fresh = dir / "fresh.bmp";
        const fs::path existing = dir / "old.bmp";
        vorn_test::write_file(existing, std::string("old"));
        Bitmap b = small_bitmap(bits);
        int r1 = 0, r2 = 0;
        const std::string out = captured_stdout([&] {
            r1 = write_bitmap_file(fresh.c_str(), b, 1);
            r2 = write_bitmap_file(existing.c_str(), b, 0);  // no question either
        });
        EXPECT_EQ(r1, -1);
        EXPECT_EQ(r2, -1);
        EXPECT_EQ(out, "error: create bitmap header\nerror: create bitmap header\n") << bits;
        EXPECT_FALSE(fs::exists(fresh));
        EXPECT_EQ(vorn_test::read_file(existing), Bytes({'o', 'l', 'd'}));
        EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{"old.bmp"});
    }
}

TEST(WriteFile, OverwriteSwitchReplacesWithoutQuestion)
{
    vorn_test::TempDir dir;
    const fs::path path = dir / "out.bmp";
    vorn_test::write_file(path, std::string(5000, 'x'));  // longer than the new file
    Bitmap b = small_bitmap(8);
    int result = 1;
    const std::string out = captured_stdout([&] { result = write_bitmap_file(path.c_str(), b, 1); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(vorn_test::read_file(path).size(), 54u + 1024 + 4);
    EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{"out.bmp"});
}

TEST(WriteFile, MissingDirectoryIsAnOpenError)
{
    vorn_test::TempDir dir;
    const std::string path = (dir / "no-such-dir" / "out.bmp").string();
    Bitmap b = small_bitmap(8);
    int result = 0;
    const std::string out = captured_stdout([&] { result = write_bitmap_file(path.c_str(), b, 0); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(out, "error: open '" + path + "'\n");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(WriteFile, NameAsLongAsTheSystemAllowsIsWritten)
{
    // 254 characters: a name the system accepts, though one with a suffix
    // added to it would be too long.
    vorn_test::TempDir dir;
    const std::string name = std::string(250, 'n') + ".bmp";
    for (const int overwrite : {0, 1}) {
        const fs::path path = dir / name;
        Bitmap b = small_bitmap(8);
        int result = -1;
        const std::string out =
            captured_stdout([&] { result = write_bitmap_file(path.string().c_str(), b, overwrite); });
        EXPECT_EQ(result, 0) << overwrite;
        EXPECT_EQ(out, "") << overwrite;
        EXPECT_EQ(vorn_test::read_file(path).size(), 54u + 1024 + 4) << overwrite;
        EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{name});
    }
}

// ---- through a process of its own: standard input and failed writes ---------

const char kQuestion[] = "overwrite ? (Y or N): ";

struct AnswerCase {
    const char* input;
    bool replaced;
};

class OverwriteQuestion : public testing::TestWithParam<AnswerCase> {};

TEST_P(OverwriteQuestion, FirstYesOrNoLetterDecides)
{
    const AnswerCase& c = GetParam();
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "out.bmp", std::string("old"));
    const auto run = vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "0"}, dir.path(), c.input);
    EXPECT_EQ(run.out, std::string("'out.bmp' already exists\n") + kQuestion);
    EXPECT_EQ(run.status, c.replaced ? 0 : 1);
    const Bytes file = vorn_test::read_file(dir / "out.bmp");
    if (c.replaced)
        EXPECT_EQ(file.size(), 54u + 64 * 64 * 3);
    else
        EXPECT_EQ(file, Bytes({'o', 'l', 'd'}));
    EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{"out.bmp"});
}

INSTANTIATE_TEST_SUITE_P(
    Answers, OverwriteQuestion,
    testing::Values(AnswerCase{"y\n", true}, AnswerCase{"Y\n", true}, AnswerCase{"yes\n", true},
                    AnswerCase{"n\n", false}, AnswerCase{"N\n", false}, AnswerCase{"no\n", false},
                    AnswerCase{"ok?\ny\n", true},      // no letter on the first line: read on
                    AnswerCase{"ok?\nN\n", false},
                    AnswerCase{"\n\n\nY", true},       // empty lines answer nothing
                    AnswerCase{"maybe\n", true},       // the y inside the word decides
                    AnswerCase{"sure, no\n", false},
                    AnswerCase{"", false},             // end of input: no
                    AnswerCase{"ok?\n", false},        // end of input after a line of nothing
                    AnswerCase{"?!", false}));

TEST(OverwriteQuestion, RestOfTheLineIsLeftForTheNextQuestion)
{
    vorn_test::TempDir dir;
    const auto run = vorn_test::run_tool("bmp_probe", {"ask", "3"}, dir.path(), "yn\nxx");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string(kQuestion) + "[1]\n" + kQuestion + "[0]\n" + kQuestion + "[0]\n");
}

TEST(OverwriteQuestion, AbsentFileIsWrittenWithoutQuestion)
{
    vorn_test::TempDir dir;
    const auto run = vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "0"}, dir.path(), "n\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(vorn_test::read_file(dir / "out.bmp").size(), 54u + 64 * 64 * 3);
}

TEST(OverwriteQuestion, DirectoryOfThatNameCountsAsExisting)
{
    vorn_test::TempDir dir;
    fs::create_directory(dir / "out.bmp");
    const auto run = vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "0"}, dir.path(), "n\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string("'out.bmp' already exists\n") + kQuestion);
    EXPECT_TRUE(fs::is_directory(dir / "out.bmp"));
}

TEST(OverwriteQuestion, DirectoryCannotBeReplaced)
{
    // Told to overwrite, or answering yes: the directory cannot be opened as
    // a file, and nothing is left behind.
    vorn_test::TempDir dir;
    fs::create_directory(dir / "out.bmp");
    const auto forced = vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "1"}, dir.path());
    EXPECT_EQ(forced.status, 1);
    EXPECT_EQ(forced.out, "error: open 'out.bmp'\n");
    const auto asked = vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "0"}, dir.path(), "y\n");
    EXPECT_EQ(asked.status, 1);
    EXPECT_EQ(asked.out,
              std::string("'out.bmp' already exists\n") + kQuestion + "error: open 'out.bmp'\n");
    EXPECT_TRUE(fs::is_directory(dir / "out.bmp"));
    EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{"out.bmp"});
}

const char kWriteFailure[] = "error: write_bitmap() - can't write bitmap data\n";

TEST(FailedWrite, FullDeviceIsReportedAsFailure)
{
    vorn_test::TempDir dir;
    const auto run = vorn_test::run_tool("bmp_probe", {"write", "/dev/full", "1"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string(kWriteFailure) + "error: write bitmap '/dev/full'\n");
}

TEST(FailedWrite, KeepsTheFileItWasToReplaceAndLeavesNoTemporary)
{
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "out.bmp", std::string("old picture"));
    // The file size limit lets the header through and fails inside the rows.
    const auto run =
        vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "1", "2000"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string(kWriteFailure) + "error: write bitmap 'out.bmp'\n");
    EXPECT_EQ(vorn_test::read_file(dir / "out.bmp"),
              Bytes({'o', 'l', 'd', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));
    EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{"out.bmp"});
}

TEST(FailedWrite, AfterYesKeepsTheOldFileToo)
{
    vorn_test::TempDir dir;
    vorn_test::write_file(dir / "out.bmp", std::string("old"));
    const auto run =
        vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "0", "2000"}, dir.path(), "y\n");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string("'out.bmp' already exists\n") + kQuestion + kWriteFailure +
                           "error: write bitmap 'out.bmp'\n");
    EXPECT_EQ(vorn_test::read_file(dir / "out.bmp"), Bytes({'o', 'l', 'd'}));
    EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{"out.bmp"});
}

TEST(FailedWrite, LeavesNoTruncatedPictureUnderTheName)
{
    vorn_test::TempDir dir;
    const auto run =
        vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "1", "2000"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string(kWriteFailure) + "error: write bitmap 'out.bmp'\n");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(FailedWrite, WrittenInPlaceLeavesNoTruncatedPictureEither)
{
    // A name too long for a temporary file beside it is written in place; a
    // failed write removes what it created.
    vorn_test::TempDir dir;
    const std::string name = std::string(250, 'n') + ".bmp";
    const auto run = vorn_test::run_tool("bmp_probe", {"write", name, "1", "2000"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, std::string(kWriteFailure) + "error: write bitmap '" + name + "'\n");
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(FailedWrite, SucceedsUnderALimitThatFits)
{
    // The same run with room for the whole file: the limit itself is no fault.
    vorn_test::TempDir dir;
    const auto run =
        vorn_test::run_tool("bmp_probe", {"write", "out.bmp", "1", "20000"}, dir.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(bmp_test::directory_names(dir.path()), std::vector<std::string>{"out.bmp"});
}

}  // namespace
