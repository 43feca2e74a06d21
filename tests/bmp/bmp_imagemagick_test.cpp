// Cross-checks against an independent BMP implementation, ImageMagick: it
// must read every BMP we write to the same colours, and our reader must read
// the Windows V3 BMPs it writes to the colours it was given. Skipped where
// ImageMagick is not installed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bitmap.h"
#include "bmp_bytes.h"
#include "stdio_file.h"
#include "tool_run.h"

namespace {

using bmp_test::captured_stdout;
using Bytes = std::vector<uint8_t>;
namespace fs = std::filesystem;

#ifdef VORN_IMAGEMAGICK_CONVERT
const char* const kConvert = VORN_IMAGEMAGICK_CONVERT;
#else
const char* const kConvert = nullptr;
#endif

#define REQUIRE_IMAGEMAGICK() \
    if (!kConvert || !fs::exists(kConvert)) GTEST_SKIP() << "ImageMagick's convert is not installed"

std::string quoted(const std::string& s)
{
    std::string q = "'";
    for (char ch : s) q += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return q + "'";
}

// Runs a shell command; its standard output, and whether it exited with 0.
bool run_command(const std::string& command, Bytes* out)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    Bytes data;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0) data.insert(data.end(), buf, buf + n);
    const int status = pclose(pipe);
    if (out) *out = std::move(data);
    return status == 0;
}

// ImageMagick's reading of a picture file: red, green, blue bytes per pixel,
// top row first.
Bytes imagemagick_rgb(const fs::path& file)
{
    Bytes rgb;
    EXPECT_TRUE(
        run_command(std::string(kConvert) + " " + quoted(file.string()) + " -depth 8 rgb:- 2>&1", &rgb))
        << std::string(rgb.begin(), rgb.end());
    return rgb;
}

// Colour of pixel i of a picture in the Bitmap layout, as red, green, blue.
void append_rgb(Bytes& rgb, uint32_t bits, const Bytes& pixels, std::span<const uint8_t> palette,
                size_t i)
{
    if (bits <= 8) {
        const size_t e = pixels[i] * 4u;
        rgb.insert(rgb.end(), {palette[e + 2], palette[e + 1], palette[e]});
    } else if (bits == 16) {
        const unsigned v = pixels[i * 2] | pixels[i * 2 + 1] << 8;
        const auto expand = [](unsigned c) { return static_cast<uint8_t>(c * 8 + c / 4); };
        rgb.insert(rgb.end(), {expand(v >> 10 & 31), expand(v >> 5 & 31), expand(v & 31)});
    } else {
        const size_t n = bits / 8;
        rgb.insert(rgb.end(), {pixels[i * n + 2], pixels[i * n + 1], pixels[i * n]});
    }
}

Bytes expanded_rgb(uint32_t width, uint32_t height, uint32_t bits, const Bytes& pixels,
                   std::span<const uint8_t> palette)
{
    Bytes rgb;
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i)
        append_rgb(rgb, bits, pixels, palette, i);
    return rgb;
}

// Compares two pixel byte strings and names the first pixel that differs.
testing::AssertionResult same_pixels(const Bytes& got, const Bytes& expected, size_t bytes_per_pixel)
{
    if (got == expected) return testing::AssertionSuccess();
    if (got.size() != expected.size())
        return testing::AssertionFailure() << got.size() << " bytes, expected " << expected.size();
    size_t i = 0;
    while (got[i] == expected[i]) ++i;
    const size_t pixel = i / bytes_per_pixel;
    auto failure = testing::AssertionFailure() << "pixel " << pixel << " differs:";
    for (size_t k = 0; k < bytes_per_pixel; ++k)
        failure << " " << int(got[pixel * bytes_per_pixel + k]) << "/"
                << int(expected[pixel * bytes_per_pixel + k]);
    return failure << " (got/expected)";
}

// ---- ours, read by ImageMagick ----------------------------------------------------

struct OursCase {
    uint32_t bits;
    uint32_t width;
};

class ImageMagickReadsOurs : public testing::TestWithParam<OursCase> {};

TEST_P(ImageMagickReadsOurs, SameColours)
{
    REQUIRE_IMAGEMAGICK();
    const OursCase& c = GetParam();
    const uint32_t height = 5;
    std::mt19937 random(c.bits * 1000 + c.width);
    const auto byte = [&] { return static_cast<uint8_t>(random() & 0xFF); };

    Bytes palette(c.bits <= 8 ? (size_t{4} << c.bits) : 0);
    for (uint8_t& b : palette) b = byte();  // fourth bytes too: they carry no colour
    Bitmap bitmap;
    bitmap.width = c.width;
    bitmap.height = height;
    bitmap.bits_per_pixel = c.bits;
    const size_t bytes_per_pixel = (c.bits + 7) / 8;
    bitmap.pixels.resize(c.width * height * bytes_per_pixel);
    for (uint8_t& b : bitmap.pixels)
        b = c.bits < 8 ? static_cast<uint8_t>(byte() % (1u << c.bits)) : byte();
    bitmap.size = static_cast<uint32_t>(bitmap.pixels.size());
    bitmap.palette = palette;

    vorn_test::TempDir dir;
    const fs::path path = dir / "ours.bmp";
    int result = 1;
    captured_stdout([&] { result = write_bitmap_file(path.c_str(), bitmap, 1); });
    ASSERT_EQ(result, 0);
    EXPECT_TRUE(same_pixels(imagemagick_rgb(path),
                            expanded_rgb(c.width, height, c.bits, bitmap.pixels, palette), 3));
}

std::vector<OursCase> ours_cases()
{
    std::vector<OursCase> cases;
    for (uint32_t bits : {1u, 4u, 8u, 16u, 24u, 32u})
        for (uint32_t width : {1u, 2u, 3u, 5u, 7u, 9u, 13u, 31u, 33u}) cases.push_back({bits, width});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(BitCountsAndWidths, ImageMagickReadsOurs, testing::ValuesIn(ours_cases()),
                         [](const testing::TestParamInfo<OursCase>& info) {
                             return std::to_string(info.param.bits) + "bit_w" +
                                    std::to_string(info.param.width);
                         });

// ---- ImageMagick's, read by ours ------------------------------------------------

struct TheirsCase {
    const char* name;
    uint32_t bits;     // what ImageMagick is expected to write
    int colours;       // distinct colours in the picture, 0 for any
    bool alpha;        // give the picture an alpha channel
    const char* options;
};

// A picture of random pixels from `colours` random colours (any colour when
// 0), as red, green, blue (and alpha, never 0) bytes, top row first.
Bytes random_picture(uint32_t width, uint32_t height, int colours, bool alpha, uint32_t seed)
{
    std::mt19937 random(seed);
    const auto byte = [&] { return static_cast<uint8_t>(random() & 0xFF); };
    std::vector<Bytes> set(static_cast<size_t>(colours));
    for (size_t k = 0; k < set.size(); ++k)
        set[k] = {byte(), byte(), static_cast<uint8_t>(k)};  // all distinct
    Bytes picture;
    for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
        if (colours > 0) {
            // Every colour at least once where the picture is large enough.
            const Bytes& c = set[i < set.size() ? i : random() % set.size()];
            picture.insert(picture.end(), c.begin(), c.end());
        } else {
            picture.insert(picture.end(), {byte(), byte(), byte()});
        }
        if (alpha) picture.push_back(static_cast<uint8_t>(1 + random() % 255));
    }
    return picture;
}

// Writes the picture as a PPM (or a PAM with alpha) for ImageMagick to read.
void write_netpbm(const fs::path& path, uint32_t width, uint32_t height, bool alpha,
                  const Bytes& picture)
{
    const std::string head =
        alpha ? "P7\nWIDTH " + std::to_string(width) + "\nHEIGHT " + std::to_string(height) +
                    "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n"
              : "P6\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
    Bytes file(head.begin(), head.end());
    file.insert(file.end(), picture.begin(), picture.end());
    vorn_test::write_file(path, file);
}

// ImageMagick compresses 8-bit pictures (RLE8) where that is shorter unless
// told not to; the pictures are written with "-compress None".
class OursReadsImageMagicks : public testing::TestWithParam<TheirsCase> {};

TEST_P(OursReadsImageMagicks, SameColours)
{
    REQUIRE_IMAGEMAGICK();
    const TheirsCase& c = GetParam();
    for (uint32_t width : {1u, 3u, 5u, 13u, 33u}) {
        SCOPED_TRACE("width " + std::to_string(width));
        const uint32_t height = 4;
        // Enough pixels for every colour of the set to appear.
        const uint32_t h = c.colours > 0 && width * height < static_cast<uint32_t>(c.colours)
                               ? (static_cast<uint32_t>(c.colours) + width - 1) / width
                               : height;
        const Bytes picture = random_picture(width, h, c.colours, c.alpha, width * 31 + c.bits);
        vorn_test::TempDir dir;
        const fs::path in = dir / (c.alpha ? "in.pam" : "in.ppm");
        const fs::path bmp = dir / "theirs.bmp";
        write_netpbm(in, width, h, c.alpha, picture);
        Bytes log;
        ASSERT_TRUE(run_command(std::string(kConvert) + " " + quoted(in.string()) + " " + c.options +
                                    " -compress None BMP3:" + quoted(bmp.string()) + " 2>&1",
                                &log))
            << std::string(log.begin(), log.end());

        UniqueFile fp = open_file(bmp.c_str(), "rb");
        ASSERT_TRUE(fp);
        BmpHeader header;
        Bytes palette, pixels;
        int result = 99;
        const std::string out =
            captured_stdout([&] { result = read_bitmap(fp.get(), header, &palette, &pixels, 0); });
        ASSERT_EQ(result, 0) << out;
        EXPECT_EQ(out, "");
        ASSERT_EQ(header.bit_count, c.bits) << "ImageMagick wrote another bit count";
        ASSERT_EQ(header.width, width);
        ASSERT_EQ(header.height, h);

        Bytes expected_rgb, expected_alpha, got_alpha;
        for (size_t i = 0; i < picture.size(); i += c.alpha ? 4 : 3) {
            expected_rgb.insert(expected_rgb.end(), picture.begin() + static_cast<long>(i),
                                picture.begin() + static_cast<long>(i) + 3);
            if (c.alpha) expected_alpha.push_back(picture[i + 3]);
        }
        // The same pixels as ImageMagick reads from its own file; for the
        // direct colours also the very colours it was given (its palettes
        // may merge a few colours of a picture).
        const Bytes got_rgb = expanded_rgb(width, h, c.bits, pixels, palette);
        EXPECT_TRUE(same_pixels(got_rgb, imagemagick_rgb(bmp), 3));
        if (c.colours == 0) {
            EXPECT_TRUE(same_pixels(got_rgb, expected_rgb, 3));
        }
        if (c.alpha) {
            for (size_t i = 3; i < pixels.size(); i += 4) got_alpha.push_back(pixels[i]);
            EXPECT_TRUE(same_pixels(got_alpha, expected_alpha, 1));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    BitCounts, OursReadsImageMagicks,
    testing::Values(TheirsCase{"1bit", 1, 2, false, "-type Palette"},
                    TheirsCase{"4bit", 4, 11, false, "-type Palette"},
                    TheirsCase{"8bit", 8, 150, false, "-type Palette"},
                    TheirsCase{"24bit", 24, 0, false, "-type TrueColor"},
                    TheirsCase{"32bit", 32, 0, true, "-define bmp3:alpha=true"}),
    [](const testing::TestParamInfo<TheirsCase>& info) { return std::string(info.param.name); });

// ImageMagick writes 16 bits only with bit-field masks (compression 3), which
// a Windows V3 reader of uncompressed files refuses.
TEST(OursReadsImageMagicks, SixteenBitsComeWithBitFieldsAndAreRefused)
{
    REQUIRE_IMAGEMAGICK();
    vorn_test::TempDir dir;
    const fs::path in = dir / "in.ppm";
    const fs::path bmp = dir / "theirs.bmp";
    write_netpbm(in, 5, 3, false, random_picture(5, 3, 0, false, 16));
    ASSERT_TRUE(run_command(std::string(kConvert) + " " + quoted(in.string()) +
                                " -define bmp:subtype=RGB555 BMP3:" + quoted(bmp.string()),
                            nullptr));
    const Bytes file = vorn_test::read_file(bmp);
    ASSERT_GE(file.size(), 54u);
    ASSERT_EQ(get_le16(&file[28]), 16);
    ASSERT_EQ(get_le32(&file[30]), 3u);

    UniqueFile fp = open_file(bmp.c_str(), "rb");
    BmpHeader header;
    Bytes pixels;
    int result = 0;
    const std::string out =
        captured_stdout([&] { result = read_bitmap(fp.get(), header, nullptr, &pixels, 0); });
    EXPECT_EQ(result, -1);
    EXPECT_EQ(out,
              "error: check_bitmap_header() - not support compression\n"
              "error: read_bitmap() - can't read bitmap header\n");
}

}  // namespace
