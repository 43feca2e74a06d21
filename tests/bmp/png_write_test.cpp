// PNG pictures of the row sink, read back by independent readers: ImageMagick
// must see the colours worked out here by hand for every bit count (indexed
// at 1, 4 and 8 bits; 16-bit channels v widened to v << 3 | v >> 2; the
// fourth byte of 32-bit pixels ignored), and pngcheck must find no fault.
// The bytes never depend on the thread count or on how the rows are handed.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "bitmap.h"
#include "row_sink.h"
#include "tool_run.h"

namespace {

using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

#ifdef VORN_IMAGEMAGICK_CONVERT
const char* const kConvert = VORN_IMAGEMAGICK_CONVERT;
#else
const char* const kConvert = nullptr;
#endif

// Runs a shell command: its standard output and error, and whether it
// exited with 0.
bool run_command(const std::string& command, Bytes* out)
{
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) out->insert(out->end(), buf, buf + n);
    return pclose(pipe) == 0;
}

struct PngCase {
    const char* name;
    uint32_t bits, width, height;
    Bytes palette;  // blue, green, red, reserved
    Bytes pixels;   // Bitmap form
    Bytes rgb;      // what a reader must see, worked out by hand
};

const PngCase kCases[] = {
    // 1 bit: any byte but 0 is entry 1; ten pixels span two bytes.
    {"one bit", 1, 10, 1, {0, 0, 0, 0, 255, 128, 64, 0},
     {0, 1, 7, 0, 0, 0, 0, 0, 200, 0},
     {0, 0, 0, 64, 128, 255, 64, 128, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 64, 128, 255, 0, 0, 0}},
    // 4 bits: odd width, a short palette (the missing entries are black).
    {"four bits", 4, 3, 2, {10, 20, 30, 0, 40, 50, 60, 0},
     {1, 0, 2, 0, 1, 1},
     {60, 50, 40, 30, 20, 10, 0, 0, 0, 30, 20, 10, 60, 50, 40, 60, 50, 40}},
    // 8 bits: no palette at all is all black.
    {"eight bits", 8, 2, 1, {}, {5, 250}, {0, 0, 0, 0, 0, 0}},
    // 16 bits: 5-bit blue, green, red from bit 0, little-endian.
    {"sixteen bits", 16, 2, 1, {},
     {0x1F, 0x00, 0xE1, 0x7D},  // blue 31; then red 31, green 15, blue 1
     {0, 0, 255, 255, 123, 8}},
    // 24 bits: blue, green, red; a row of 9 bytes that BMP pads to 12.
    {"twenty-four bits", 24, 3, 1, {}, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {3, 2, 1, 6, 5, 4, 9, 8, 7}},
    // 32 bits: the fourth byte carries no colour.
    {"thirty-two bits", 32, 2, 1, {}, {1, 2, 3, 99, 4, 5, 6, 0}, {3, 2, 1, 6, 5, 4}},
};

void PrintTo(const PngCase& c, std::ostream* os) { *os << c.name; }

class PngEncodings : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngEncodings, IndependentReadersSeeTheColours)
{
    if (!kConvert || !fs::exists(kConvert) || std::system("command -v pngcheck >/dev/null") != 0)
        GTEST_SKIP() << "needs ImageMagick and pngcheck";
    const PngCase& c = GetParam();
    vorn_test::TempDir dir;
    Bitmap bitmap;
    bitmap.width = c.width;
    bitmap.height = c.height;
    bitmap.bits_per_pixel = c.bits;
    bitmap.pixels = c.pixels;
    bitmap.palette = c.palette;
    const fs::path path = dir / "p.png";
    ASSERT_EQ(write_picture_file(path.c_str(), bitmap, 1, PictureFormat::kPng), 0);

    const Bytes file = vorn_test::read_file(path);
    // IHDR: bit depth and colour type at bytes 24 and 25; indexed pictures
    // keep their bit count and carry a PLTE of every entry, 3 bytes each.
    ASSERT_GT(file.size(), 45u);
    EXPECT_EQ(file[24], c.bits <= 8 ? c.bits : 8u) << c.name;
    EXPECT_EQ(file[25], c.bits <= 8 ? 3 : 2) << c.name;
    if (c.bits <= 8) {
        EXPECT_EQ(std::string(file.begin() + 37, file.begin() + 41), "PLTE") << c.name;
        EXPECT_EQ(file[35] << 8 | file[36], 3 << c.bits) << c.name;  // the length, big-endian
    }
    Bytes rgb, check;
    EXPECT_TRUE(run_command(std::string(kConvert) + " png:" + path.string() + " -depth 8 rgb:-", &rgb));
    EXPECT_EQ(rgb, c.rgb) << c.name;
    EXPECT_TRUE(run_command("pngcheck -q " + path.string(), &check)) << std::string(check.begin(), check.end());
}

INSTANTIATE_TEST_SUITE_P(BitCounts, PngEncodings, ::testing::ValuesIn(kCases));

// A picture of several deflate bands, with rows that differ in every byte.
Bitmap banded_picture()
{
    Bitmap bitmap;
    bitmap.width = 701;
    bitmap.height = 1203;
    bitmap.bits_per_pixel = 24;
    bitmap.pixels.resize(size_t{701} * 1203 * 3);
    uint32_t v = 12345;
    for (auto& p : bitmap.pixels) {
        v = v * 1103515245u + 12345u;
        p = static_cast<uint8_t>((v >> 16) % 7);  // compressible, yet never a repeat
    }
    return bitmap;
}

Bytes write_with(const Bitmap& bitmap, int threads, uint32_t rows_per_call, const fs::path& path)
{
    RowSink sink;
    sink.threads = threads;
    EXPECT_EQ(row_sink_open(sink, PictureFormat::kPng, path.c_str(), bitmap.width, bitmap.height, 24, {}, 1), 0);
    EXPECT_FALSE(row_sink_bottom_up(sink));
    const size_t row = size_t{bitmap.width} * 3;
    for (uint32_t y = 0; y < bitmap.height; y += rows_per_call) {
        const uint32_t n = std::min(rows_per_call, bitmap.height - y);
        EXPECT_EQ(row_sink_write(sink, bitmap.pixels.data() + y * row, n, row), 0);
    }
    EXPECT_EQ(row_sink_close(sink), 0);
    return vorn_test::read_file(path);
}

TEST(PngBands, SameBytesWhateverTheThreadsAndTheRowsPerCall)
{
    vorn_test::TempDir dir;
    const Bitmap bitmap = banded_picture();
    const Bytes one = write_with(bitmap, 1, 1203, dir / "one.png");
    struct Way {
        int threads;
        uint32_t rows_per_call;
    };
    for (const Way way : {Way{2, 1203}, Way{2, 1}, Way{3, 7}, Way{8, 500}})
        EXPECT_EQ(write_with(bitmap, way.threads, way.rows_per_call, dir / "other.png"), one)
            << way.threads << " threads, " << way.rows_per_call << " rows per call";
    // And the stream of bands decodes to the rows.
    if (!kConvert || !fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick's convert is not installed";
    Bytes rgb;
    ASSERT_TRUE(run_command(std::string(kConvert) + " png:" + (dir / "one.png").string() + " -depth 8 rgb:-", &rgb));
    ASSERT_EQ(rgb.size(), bitmap.pixels.size());
    size_t differ = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
        differ += rgb[i] != bitmap.pixels[i + 2] || rgb[i + 1] != bitmap.pixels[i + 1] || rgb[i + 2] != bitmap.pixels[i];
    EXPECT_EQ(differ, 0u);
}

}  // namespace
