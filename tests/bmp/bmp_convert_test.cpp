// Nearest-colour search and the bit-count converter (always to 1 bit, as
// every caller uses it).
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "bitmap.h"
#include "bmp_bytes.h"

namespace {

using bmp_test::captured_stdout;
using Bytes = std::vector<uint8_t>;

// Palette entries are blue, green, red, fourth byte.
Bytes entries(std::initializer_list<std::array<uint8_t, 4>> list)
{
    Bytes p;
    for (const auto& e : list) p.insert(p.end(), e.begin(), e.end());
    return p;
}

struct NearestCase {
    const char* name;
    int red, green, blue;
    Bytes palette;
    int count;
    int index;
};

class NearestEntry : public testing::TestWithParam<NearestCase> {};

TEST_P(NearestEntry, SquaredDistanceFirstOnTie)
{
    const NearestCase& c = GetParam();
    EXPECT_EQ(nearest_palette_entry(c.red, c.green, c.blue, c.palette, c.count), c.index);
}

const Bytes kGreys = entries({{0, 0, 0, 0}, {10, 10, 10, 0}, {20, 20, 20, 0}});
// Blue first, then red, then green (entries are stored blue, green, red).
const Bytes kPrimaries = entries({{255, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}});

const NearestCase kNearestCases[] = {
    {"tie_goes_to_first", 5, 5, 5, kGreys, 3, 0},
    {"tie_between_later_entries", 15, 15, 15, kGreys, 3, 1},
    {"exact_match", 20, 20, 20, kGreys, 3, 2},
    {"just_past_the_middle", 16, 16, 16, kGreys, 3, 2},
    {"count_limits_the_search", 20, 20, 20, kGreys, 2, 1},
    {"count_beyond_the_palette", 20, 20, 20, kGreys, 5, 2},
    {"empty_palette", 100, 100, 100, Bytes{}, 0, 0},
    {"red_is_the_third_byte", 255, 0, 0, kPrimaries, 3, 1},
    {"blue_is_the_first_byte", 0, 0, 255, kPrimaries, 3, 0},
    {"green_is_the_second_byte", 0, 250, 0, kPrimaries, 3, 2},
    {"fourth_byte_is_no_colour", 0, 0, 0, entries({{0, 0, 0, 255}, {0, 0, 0, 0}}), 2, 0},
    {"farthest_colour_is_still_found", 0, 0, 0, entries({{255, 255, 255, 0}}), 1, 0},
    {"farthest_of_two", 255, 255, 255, entries({{0, 0, 0, 0}, {1, 0, 0, 0}}), 2, 1},
    {"exact_match_after_a_near_one", 7, 8, 9, entries({{9, 8, 6, 0}, {9, 8, 7, 0}}), 2, 1},
};

INSTANTIATE_TEST_SUITE_P(Palettes, NearestEntry, testing::ValuesIn(kNearestCases),
                         [](const testing::TestParamInfo<NearestCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- convert_bit_count to 1 bit -------------------------------------------------

struct ConvertCase {
    const char* name;
    uint32_t width, height, source_bits;
    Bytes source_palette;
    Bytes source;
    Bytes target_palette;  // two entries, or empty for black and white
    Bytes expected;
};

class ConvertToOneBit : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConvertToOneBit, NearestTargetEntryPerPixel)
{
    const ConvertCase& c = GetParam();
    Bytes target;
    int result = 99;
    const std::string out = captured_stdout([&] {
        result = convert_bit_count(c.width, c.height, c.source_bits, c.source_palette, c.source, 1,
                                   c.target_palette, &target);
    });
    ASSERT_EQ(result, 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(target, c.expected);
}

const Bytes kBlackWhite(kBlackWhitePalette, kBlackWhitePalette + 8);
// 127 grey and 135 grey: the midpoint is 131.
const Bytes kCloseGreys = entries({{127, 127, 127, 0}, {135, 135, 135, 0}});
const Bytes kRedBlue = entries({{0, 0, 255, 0}, {255, 0, 0, 0}});

Bytes grey16(int entries_n)
{
    Bytes p;
    for (int i = 0; i < entries_n; ++i) {
        const auto v = static_cast<uint8_t>(i * 255 / (entries_n - 1));
        p.insert(p.end(), {v, v, v, 0});
    }
    return p;
}

const ConvertCase kConvertCases[] = {
    {"1bit_builtin_palette", 4, 1, 1, {}, {0, 1, 1, 0}, kBlackWhite, {0, 1, 1, 0}},
    {"1bit_to_builtin_target", 2, 1, 1, {}, {1, 0}, {}, {1, 0}},
    {"1bit_inverted_palette", 4, 1, 1, entries({{255, 255, 255, 0}, {0, 0, 0, 0}}),
     {0, 1, 1, 0}, kBlackWhite, {1, 0, 0, 1}},
    {"4bit_greys", 4, 2, 4, grey16(16), {0, 7, 8, 15, 15, 8, 7, 0}, kBlackWhite,
     {0, 0, 1, 1, 1, 1, 0, 0}},
    {"8bit_last_entry", 3, 1, 8,
     [] {
         Bytes p(1024, 0);
         p[255 * 4] = p[255 * 4 + 1] = p[255 * 4 + 2] = 200;
         p[128 * 4 + 2] = 255;  // entry 128: pure red, nearer to black
         return p;
     }(),
     {255, 128, 0}, kBlackWhite, {1, 0, 0}},
    // 16 bits: 5-bit channels, blue lowest, expanded as v * 8 + v / 4;
    // 16 gives 132 (entry 1), 15 gives 123 (entry 0), 31 gives 255.
    {"16bit_channel_expansion", 3, 1, 16, {},
     {0x10, 0x42, 0xEF, 0x3D, 0xFF, 0x7F},  // 0x4210, 0x3DEF, 0x7FFF
     kCloseGreys, {1, 0, 1}},
    {"16bit_channel_places", 3, 1, 16, {}, {0x00, 0x7C, 0x1F, 0x00, 0xE0, 0x83}, kRedBlue, {0, 1, 0}},
    {"24bit_bgr_order", 4, 1, 24, {}, {0, 0, 255, 255, 0, 0, 0, 0, 200, 190, 0, 0}, kRedBlue,
     {0, 1, 0, 1}},
    {"24bit_mid_grey", 3, 1, 24, {}, {128, 128, 128, 127, 127, 127, 0, 0, 0}, kBlackWhite, {1, 0, 0}},
    {"32bit_fourth_byte_ignored", 3, 1, 32, {}, {0, 0, 0, 255, 255, 255, 255, 0, 10, 10, 10, 200},
     kBlackWhite, {0, 1, 0}},
    {"32bit_bgr_order", 2, 1, 32, {}, {0, 0, 250, 0, 250, 0, 0, 0}, kRedBlue, {0, 1}},
};

INSTANTIATE_TEST_SUITE_P(Sources, ConvertToOneBit, testing::ValuesIn(kConvertCases),
                         [](const testing::TestParamInfo<ConvertCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ConvertToOneBit, TargetBufferIsClearedFirst)
{
    Bytes target(4, 0xEE);
    ASSERT_EQ(convert_bit_count(2, 2, 8, Bytes(1024, 0), Bytes{0, 0, 0, 0}, 1, kBlackWhite, &target), 0);
    EXPECT_EQ(target, Bytes(4, 0));
}

TEST(ConvertToOneBit, BadArguments)
{
    const Bytes pixels(12, 1);
    const Bytes palette16(64, 0);
    Bytes target;
    const struct {
        const char* name;
        uint32_t source_bits;
        Bytes source_palette;
        Bytes source;
        uint32_t target_bits;
        Bytes target_palette;
        Bytes* target;
    } cases[] = {
        {"source_bits_2", 2, {}, pixels, 1, kBlackWhite, &target},
        {"source_bits_12", 12, {}, pixels, 1, kBlackWhite, &target},
        {"target_bits_3", 8, Bytes(1024, 0), pixels, 3, kBlackWhite, &target},
        {"4bit_without_palette", 4, {}, pixels, 1, kBlackWhite, &target},
        {"8bit_without_palette", 8, {}, pixels, 1, kBlackWhite, &target},
        {"no_source", 8, Bytes(1024, 0), {}, 1, kBlackWhite, &target},
        {"no_target_place", 4, palette16, pixels, 1, kBlackWhite, nullptr},
    };
    for (const auto& c : cases) {
        int result = 0;
        captured_stdout([&] {
            result = convert_bit_count(3, 2, c.source_bits, c.source_palette, c.source, c.target_bits,
                                       c.target_palette, c.target);
        });
        EXPECT_EQ(result, -1) << c.name;
    }
}

TEST(ConvertToOneBit, ShortBuffersFailInsteadOfOverrunning)
{
    // A source with fewer bytes than width x height pixels, a short palette
    // and a pre-sized target that cannot hold the result.
    Bytes target;
    int r1 = 0, r2 = 0, r3 = 0, r4 = 0;
    captured_stdout([&] {
        r1 = convert_bit_count(4, 4, 24, {}, Bytes(4 * 4 * 3 - 1, 0), 1, kBlackWhite, &target);
        r2 = convert_bit_count(2, 1, 8, Bytes(64, 0), Bytes{200, 3}, 1, kBlackWhite, &target);
        r3 = convert_bit_count(2, 1, 1, {}, Bytes{0, 1}, 1, Bytes(4, 0), &target);
        Bytes small(3, 0);
        r4 = convert_bit_count(2, 2, 8, Bytes(1024, 0), Bytes(4, 0), 1, kBlackWhite, &small);
    });
    EXPECT_LT(r1, 0);
    EXPECT_LT(r2, 0);
    EXPECT_LT(r3, 0);
    EXPECT_LT(r4, 0);
}

}  // namespace
