// Retouching: the worked colours, the row layout of the 24-bit result, and
// the colours of random rows against a plain column-by-column evaluation of
// the colour model (the tool reuses results; every byte must still match).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>

#include "a2_test_util.h"
#include "hires.h"
#include "retouch.h"

namespace {

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A picture of `rows` rows whose even rows hold the sub-pixels of the given
// hi-res bytes, repeated to fill the width; odd rows hold junk that must
// never be read.
Bitmap picture(const std::vector<uint8_t>& bytes, size_t repeat, uint32_t rows = 2)
{
    Bitmap b;
    b.width = static_cast<uint32_t>(bytes.size() * 14 * repeat);
    b.height = rows;
    b.bits_per_pixel = 4;
    b.size = b.width * rows;
    b.palette = kHiresPalette;
    b.pixels.assign(static_cast<size_t>(b.width) * rows, 0x5A);
    for (uint32_t y = 0; y < rows; y += 2)
        for (size_t i = 0; i < bytes.size() * repeat; ++i)
            hires_decode_byte(bytes[i % bytes.size()],
                              std::span<uint8_t, 14>(b.pixels.data() + y * b.width + i * 14, 14));
    return b;
}

Rgb at(const Bitmap& b, size_t x, size_t y = 0)
{
    const uint8_t* p = b.pixels.data() + (y * b.width + x) * 3;
    return {p[2], p[1], p[0]};
}

TEST(Retouch, MeanHue)
{
    struct Case {
        uint32_t a, b;
        double hue;
    };
    const Case cases[] = {{3, 3, 0},     {1, 2, 0},     {2, 1, 0},   {9, 12, 135}, {1, 6, 337.5},
                          {0, 9, 90},    {9, 0, 90},    {0, 5, -99.9}, {4, 8, 180}, {6, 3, 315},
                          {12, 12, 180}, {13, 14, 180}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(retouch_mean_hue(c.a, c.b), c.hue) << c.a << "," << c.b;
}

TEST(Retouch, SolidAreas)
{
    struct Case {
        std::vector<uint8_t> bytes;
        Rgb colour;
    };
    const Case cases[] = {
        {{0x7F, 0x7F}, {255, 255, 255}},
        {{0x2A, 0x55}, {202, 63, 255}},
        {{0xD5, 0xAA}, {217, 109, 0}},
    };
    for (const Case& c : cases) {
        Bitmap b = picture(c.bytes, 8, 4);
        ASSERT_EQ(retouch_bitmap(b), 0);
        for (uint32_t y = 0; y < 4; ++y)
            for (size_t x = 0; x < b.width; ++x) ASSERT_EQ(at(b, x, y), c.colour) << "column " << x;
    }
}

TEST(Retouch, LoneDot)
{
    // Dot 4 of byte 2: sub-pixels 36 and 37 (j = 9).
    std::vector<uint8_t> bytes(8, 0);
    bytes[2] = 0x10;
    Bitmap b = picture(bytes, 1);
    ASSERT_EQ(retouch_bitmap(b), 0);
    const Rgb want[] = {{0, 30, 12}, {0, 54, 8}, {98, 152, 74}, {98, 152, 74}, {20, 49, 0}, {14, 21, 0}};
    for (size_t x = 0; x < b.width; ++x) {
        const Rgb w = x >= 34 && x < 40 ? want[x - 34] : Rgb{0, 0, 0};
        EXPECT_EQ(at(b, x), w) << "column " << x;
    }
}

TEST(Retouch, ResultIsTwentyFourBitsWithoutPaletteAndRowsPaired)
{
    Bitmap b = picture({0x2A, 0x81, 0x7F, 0x00, 0xD5, 0x33, 0x40}, 3, 6);
    ASSERT_EQ(retouch_bitmap(b), 0);
    EXPECT_EQ(b.bits_per_pixel, 24u);
    EXPECT_TRUE(b.palette.empty());
    EXPECT_EQ(b.size, b.width * 6 * 3);
    ASSERT_EQ(b.pixels.size(), b.size);
    const size_t stride = b.width * 3;
    for (uint32_t y = 0; y < 6; y += 2)
        EXPECT_TRUE(std::equal(b.pixels.begin() + y * stride, b.pixels.begin() + (y + 1) * stride,
                               b.pixels.begin() + (y + 1) * stride));
}

// The colour model evaluated column by column, in double precision.
std::vector<Rgb> model_row(std::vector<uint8_t> in)
{
    const int64_t w = static_cast<int64_t>(in.size());
    auto wrap = [&](int64_t x) { return ((x % w) + w) % w; };
    auto weight = [](int64_t x) { return kHiresWeights[static_cast<uint64_t>(x) & 3]; };
    for (int64_t x = 0; x < w; x += 14)
        if (in[x] == 255) in[x] = x == 0 ? in[w - 1] : in[x - 1];
    std::vector<double> bright(in.size()), hue(in.size()), sat(in.size());
    for (int64_t x = 0; x < w; ++x) {
        uint32_t a = 0, b = 0;
        for (int64_t c = x - 2; c <= x + 1; ++c) a += in[wrap(c)] ? weight(c) : 0;
        for (int64_t c = x - 1; c <= x + 2; ++c) b += in[wrap(c)] ? weight(c) : 0;
        bright[x] = (std::popcount(a) / 4.0 + std::popcount(b) / 4.0) / 2;
        const double h1 = kRetouchHue[a], h2 = kRetouchHue[b];
        if (h1 < -1) hue[x] = h2;
        else if (h2 < -1) hue[x] = h1;
        else {
            double m = (h1 + h2) / 2;
            if (h1 - h2 < -180 || h1 - h2 > 180) m += 180;
            while (m >= 360) m -= 360;
            hue[x] = m;
        }
    }
    for (int64_t x = 0; x < w; ++x) {
        if (hue[x] < -1) {
            hue[x] = 0;
            sat[x] = 0;
            continue;
        }
        int n = 0;
        for (int k = 1; k <= 6 && hue[wrap(x - k)] == hue[x]; ++k) ++n;
        for (int k = 1; k <= 6 && hue[wrap(x + k)] == hue[x]; ++k) ++n;
        sat[x] = (n + 6) / 18.0;
    }
    std::vector<Rgb> out(in.size());
    auto cut = [](double v) { return std::clamp(static_cast<int>(std::clamp(v, -1e6, 1e6)), 0, 255); };
    for (int64_t x = 0; x < w; ++x) {
        double y = bright[x];
        if (y == 0) continue;
        if (!in[x]) y = y * sat[x];
        const double s = sat[x] * 0.7;
        double h = hue[x] + 10;
        if (h > 360) h -= 360;
        const double i = s * std::sin(h * 3.141592653589793 / 180) * 0.595716;
        const double q = s * std::cos(h * 3.141592653589793 / 180) * 0.522591;
        out[x] = {cut((y + 0.9563 * i + 0.621 * q) * 255), cut((y - 0.2721 * i - 0.6474 * q) * 255),
                  cut((y - 1.107 * i + 1.7046 * q) * 255)};
    }
    return out;
}

TEST(Retouch, RandomRowsMatchTheColourModel)
{
    std::mt19937 rng(12345);
    for (uint32_t width : {28u * 16, 14u * 3, 9u, 5u, 3u, 2u, 1u}) {
        for (int round = 0; round < 20; ++round) {
            Bitmap b;
            b.width = width;
            b.height = 2;
            b.bits_per_pixel = 4;
            b.pixels.resize(width * 2);
            const int density = round % 5;  // from sparse to dense rows
            for (auto& p : b.pixels) p = static_cast<uint8_t>(rng() % 5 < static_cast<unsigned>(density));
            if (round % 4 == 3) {
                // Long runs of one hue, broken here and there.
                const uint32_t period = 2 + rng() % 3;
                for (uint32_t x = 0; x < width; ++x) b.pixels[x] = (x / period) % 2 == 0;
                for (int flips = 0; flips < 3; ++flips) b.pixels[rng() % width] ^= 1;
            }
            for (uint32_t x = 0; x < width; x += 14)
                if (rng() % 2) b.pixels[x] = 255;
            const std::vector<uint8_t> row(b.pixels.begin(), b.pixels.begin() + width);
            ASSERT_EQ(retouch_bitmap(b), 0);
            const auto want = model_row(row);
            for (uint32_t x = 0; x < width; ++x) ASSERT_EQ(at(b, x), want[x]) << "width " << width << " column " << x;
        }
    }
}

TEST(Retouch, OddHeightKeepsItsLastRow)
{
    Bitmap b = picture({0x7F}, 2, 3);
    ASSERT_EQ(retouch_bitmap(b), 0);
    EXPECT_EQ(b.pixels.size(), 28u * 3 * 3);
}

}  // namespace
