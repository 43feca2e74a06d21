// Colouring, blur and retouch a band of rows at a time: whatever rows a band
// starts and ends on (an odd row included, which takes the scan line above
// it), every row comes out as the whole-picture routine makes it and as the
// colours worked out by hand for the scan lines below.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <vector>

#include "a2_test_util.h"
#include "hires.h"
#include "retouch.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kBytesAcross = 8;
constexpr uint32_t kWidth = kBytesAcross * 14;  // 112 sub-pixels
constexpr uint32_t kLines = 6;
constexpr uint32_t kRows = 2 * kLines;

// Scan lines of hi-res bytes, each repeated across the row: a lone even
// dot (dot 4 of byte 2), nothing, seven lit dots, every odd dot lit; then
// two lines of random bytes (palette bits, so markers, included).
std::vector<Bytes> scan_lines()
{
    std::vector<Bytes> lines = {{0, 0, 0x10, 0, 0, 0, 0, 0}, {0}, {0x7F}, {0x2A, 0x55}};
    std::mt19937 rng(7);
    for (int i = 0; i < 2; ++i) {
        Bytes line(kBytesAcross);
        for (auto& b : line) b = static_cast<uint8_t>(rng());
        lines.push_back(line);
    }
    return lines;
}

// The composed picture: scan line k in row 2k, junk in the odd rows.
Bitmap composed()
{
    Bitmap b;
    b.width = kWidth;
    b.height = kRows;
    b.bits_per_pixel = 4;
    b.size = kWidth * kRows;
    b.pixels.assign(size_t{kWidth} * kRows, 0x5A);
    const auto lines = scan_lines();
    for (uint32_t k = 0; k < kLines; ++k)
        for (uint32_t i = 0; i < kBytesAcross; ++i)
            hires_decode_byte(lines[k][i % lines[k].size()],
                              std::span<uint8_t, 14>(b.pixels.data() + size_t{2 * k} * kWidth + i * 14, 14));
    return b;
}

// The scan lines alone, one after another, as a band composer leaves them.
Bytes scan_line_buffer(const Bitmap& b)
{
    Bytes lines;
    for (uint32_t k = 0; k < kLines; ++k)
        lines.insert(lines.end(), b.pixels.begin() + 2 * k * kWidth, b.pixels.begin() + (2 * k + 1) * kWidth);
    return lines;
}

// Palette indices of a row worked out by hand, or none (-1) for the random
// lines: {plain, blurred}.
std::vector<int> hand_colours(uint32_t line, bool blur)
{
    std::vector<int> row(kWidth, line >= 4 ? -1 : 0);
    switch (line) {
        case 0:  // sub-pixels 36 and 37, weights 4 and 8; blur spreads to 35..38
            for (uint32_t x = blur ? 35 : 36; x <= (blur ? 38u : 37u); ++x) row[x] = 12;
            break;
        case 2:  // every sub-pixel lit: white
            std::fill(row.begin(), row.end(), 15);
            break;
        case 3:  // odd dots: columns 4j+2 and 4j+3 purple; blurred, all purple
            for (uint32_t x = 0; x < kWidth; ++x)
                if (blur || x % 4 >= 2) row[x] = 3;
            break;
        default: break;
    }
    return row;
}

// Red, green, blue of a retouched row worked out by hand, or none.
std::vector<std::array<int, 3>> hand_retouch(uint32_t line)
{
    std::vector<std::array<int, 3>> row(kWidth, line >= 4 ? std::array<int, 3>{-1, -1, -1} : std::array<int, 3>{0, 0, 0});
    const std::array<int, 3> dot[] = {{0, 30, 12}, {0, 54, 8}, {98, 152, 74}, {98, 152, 74}, {20, 49, 0}, {14, 21, 0}};
    if (line == 0)
        for (int i = 0; i < 6; ++i) row[34 + i] = dot[i];
    if (line == 2) std::fill(row.begin(), row.end(), std::array<int, 3>{255, 255, 255});
    if (line == 3) std::fill(row.begin(), row.end(), std::array<int, 3>{202, 63, 255});
    return row;
}

// Band sizes in rows; each picture is cut into bands of one size from row 0.
const uint32_t kBandRows[] = {1, 2, 3, 5, 7, kRows};

TEST(BandEdges, ColouredAndBlurredRowsAreTheWholePicturesRows)
{
    for (const int blur : {0, 1}) {
        Bitmap whole = composed();
        colorize_bitmap(whole, blur);
        for (const uint32_t band : kBandRows) {
            Bytes lines = scan_line_buffer(composed());
            Bytes out(size_t{kWidth} * kRows, 0xEE);
            HiresWork work;
            for (uint32_t first = 0; first < kRows; first += band) {
                const uint32_t count = std::min(band, kRows - first);
                hires_colour_rows(lines.data() + first / 2 * kWidth, kWidth, first, count, kWidth, blur,
                                  out.data() + first * kWidth, kWidth, work);
            }
            for (uint32_t y = 0; y < kRows; ++y) {
                const auto hand = hand_colours(y / 2, blur != 0);
                for (uint32_t x = 0; x < kWidth; ++x) {
                    const uint8_t got = out[y * kWidth + x];
                    ASSERT_EQ(got, whole.pixels[y * kWidth + x]) << "blur " << blur << " band " << band << " row " << y << " column " << x;
                    if (hand[x] >= 0) {
                        ASSERT_EQ(got, hand[x]) << "blur " << blur << " band " << band << " row " << y << " column " << x;
                    }
                }
            }
        }
    }
}

TEST(BandEdges, RetouchedRowsAreTheWholePicturesRows)
{
    Bitmap whole = composed();
    ASSERT_EQ(retouch_bitmap(whole), 0);
    RetouchWork work;
    ASSERT_EQ(retouch_work_init(work, kWidth, kRows), 0);
    for (const uint32_t band : kBandRows) {
        Bytes lines = scan_line_buffer(composed());
        Bytes out(size_t{kWidth} * kRows * 3, 0xEE);
        for (uint32_t first = 0; first < kRows; first += band) {
            const uint32_t count = std::min(band, kRows - first);
            retouch_rows(work, lines.data() + first / 2 * kWidth, kWidth, first, count,
                         out.data() + first * kWidth * 3, kWidth * 3);
        }
        EXPECT_EQ(out, whole.pixels) << "band " << band;
        for (uint32_t y = 0; y < kRows; ++y) {
            const auto hand = hand_retouch(y / 2);
            for (uint32_t x = 0; x < kWidth; ++x) {
                if (hand[x][0] < 0) continue;
                const uint8_t* p = out.data() + (size_t{y} * kWidth + x) * 3;
                ASSERT_EQ((std::array<int, 3>{p[2], p[1], p[0]}), hand[x]) << "band " << band << " row " << y << " column " << x;
            }
        }
    }
}

}  // namespace
