// The town composer: tile translation, beneath shapes, people and the mask.
//
// The test shapes are 3 x 2 pixels. Every pixel of shape n carries n in its
// first byte and its own position in the tile (line x 3 + column) in the
// second, so a drawn pixel tells which shape and which pixel of it landed
// there.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "towne.h"

namespace {

constexpr uint32_t kTileW = 3;
constexpr uint32_t kTileH = 2;
constexpr uint32_t kTilePixels = kTileW * kTileH;

struct Fixture {
    ShapeSet shapes;
    ShapeMask mask;
    Bitmap bitmap;
    std::vector<uint8_t> town = std::vector<uint8_t>(kTownRecordBytes, 0);
    uint32_t bpp;

    explicit Fixture(uint32_t bytes_per_pixel = 2, uint32_t sheet_rows = 16) : bpp(bytes_per_pixel)
    {
        shapes.tile_width = kTileW;
        shapes.tile_height = kTileH;
        shapes.bits_per_pixel = bpp * 8;
        shapes.bytes_per_pixel = bpp;
        shapes.pixels.assign(static_cast<size_t>(16) * kTileW * sheet_rows * kTileH * bpp, 0);
        for (uint32_t n = 0; n < 16 * sheet_rows; ++n) {
            for (uint32_t l = 0; l < kTileH; ++l) {
                for (uint32_t c = 0; c < kTileW; ++c) {
                    uint8_t* p = &shapes.pixels[shape_row_offset(shapes, n, l) + c * bpp];
                    p[0] = static_cast<uint8_t>(n);
                    if (bpp > 1) p[1] = static_cast<uint8_t>(l * kTileW + c);
                    for (uint32_t j = 2; j < bpp; ++j) p[j] = static_cast<uint8_t>(0xA0 + j);
                }
            }
        }
        bitmap.width = 32 * kTileW;
        bitmap.height = 32 * kTileH;
        bitmap.bits_per_pixel = bpp * 8;
        bitmap.size = bitmap.width * bitmap.height * bpp;
        bitmap.pixels.assign(bitmap.size, 0xEE);
    }

    // An all-opaque mask of the shape set's geometry.
    void add_mask(uint32_t sheet_rows = 16)
    {
        mask.tile_width = kTileW;
        mask.tile_height = kTileH;
        mask.bits_per_pixel = 1;
        mask.bytes_per_pixel = 1;
        mask.pixels.assign(static_cast<size_t>(16) * kTileW * sheet_rows * kTileH, 0);
    }

    // Sets the mask of shape n, pixel i (line x 3 + column) to see-through.
    void clear_mask_pixel(uint32_t n, uint32_t i)
    {
        const size_t row = static_cast<size_t>(n / 16) * kTileH + i / kTileW;
        mask.pixels[row * 16 * kTileW + (n % 16) * kTileW + i % kTileW] = 1;
    }

    void set_tile(uint32_t x, uint32_t y, uint8_t v) { town[y * 32 + x] = v; }

    void set_person(uint32_t k, uint8_t code, uint8_t x, uint8_t y)
    {
        town[kTownMapBytes + k] = code;
        town[kTownMapBytes + 32 + k] = x;
        town[kTownMapBytes + 64 + k] = y;
    }

    // Draws the town and returns what it printed.
    std::string draw(int no_npcs = 0)
    {
        testing::internal::CaptureStdout();
        const int result = draw_town_map(bitmap, shapes, mask, town, no_npcs);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(result, 0);
        return out;
    }

    const uint8_t* pixel(uint32_t x, uint32_t y, uint32_t i) const
    {
        const size_t row = static_cast<size_t>(y) * kTileH + i / kTileW;
        const size_t col = static_cast<size_t>(x) * kTileW + i % kTileW;
        return &bitmap.pixels[(row * 32 * kTileW + col) * bpp];
    }

    // The shape whose pixel i landed as pixel i of tile (x, y); -1 when the
    // pixel is not that pixel of any shape.
    int shape_of_pixel(uint32_t x, uint32_t y, uint32_t i) const
    {
        const uint8_t* p = pixel(x, y, i);
        if (p[1] != i) return -1;
        return p[0];
    }

    // The shape that fills tile (x, y) whole, or -1 when the tile is mixed.
    int shape_at(uint32_t x, uint32_t y) const
    {
        const int first = shape_of_pixel(x, y, 0);
        for (uint32_t i = 1; i < kTilePixels; ++i)
            if (shape_of_pixel(x, y, i) != first) return -1;
        return first;
    }
};

std::string map_warning(int x, int y, const char* hex)
{
    return "warning: map (" + std::to_string(x) + "," + std::to_string(y) + ") = " + hex + "\n";
}

std::string npc_warning(int x, int y, const char* hex)
{
    return "warning: npc (" + std::to_string(x) + "," + std::to_string(y) + ") = " + hex + "\n";
}

struct TileCase {
    uint8_t byte;
    int shape;
    int beneath;  // -1: nothing beneath
    const char* warning_hex;  // null: no warning
};

const TileCase kTileCases[] = {
    {23, 23, 0, nullptr},     {25, 25, 0, nullptr},     {40, 48, -1, nullptr},
    {43, 51, 2, nullptr},     {44, 52, 2, nullptr},     {61, 61, 4, nullptr},
    {183, 56, 62, nullptr},   {190, 60, 62, nullptr},   {191, 188, 62, nullptr},
    {194, 55, 4, nullptr},    {127, 127, -1, nullptr},  {0, 0, -1, nullptr},
    {22, 22, -1, nullptr},    {24, 24, -1, nullptr},    {41, 41, -1, nullptr},
    {62, 62, -1, nullptr},    {128, 126, -1, "80"},     {182, 126, -1, "B6"},
    {184, 126, -1, "B8"},     {189, 126, -1, "BD"},     {192, 126, -1, "C0"},
    {193, 126, -1, "C1"},     {195, 126, -1, "C3"},     {255, 126, -1, "FF"},
};

void PrintTo(const TileCase& tc, std::ostream* os) { *os << "tile byte " << int{tc.byte}; }

class TileTranslation : public testing::TestWithParam<TileCase> {};

TEST_P(TileTranslation, WithoutMaskDrawsTheShapeWhole)
{
    const TileCase& tc = GetParam();
    Fixture f;
    f.set_tile(5, 7, tc.byte);
    const std::string out = f.draw();
    EXPECT_EQ(out, tc.warning_hex ? map_warning(5, 7, tc.warning_hex) : "");
    EXPECT_EQ(f.shape_at(5, 7), tc.shape);
    EXPECT_EQ(f.shape_at(4, 7), 0);
    EXPECT_EQ(f.shape_at(5, 6), 0);
}

TEST_P(TileTranslation, WithMaskSeeThroughPixelsShowTheBeneathShape)
{
    const TileCase& tc = GetParam();
    Fixture f;
    f.add_mask();
    // Pixels 0 and 4 of the tile's own shape let the layer beneath show.
    f.clear_mask_pixel(static_cast<uint32_t>(tc.shape), 0);
    f.clear_mask_pixel(static_cast<uint32_t>(tc.shape), 4);
    f.set_tile(31, 31, tc.byte);
    const std::string out = f.draw();
    EXPECT_EQ(out, tc.warning_hex ? map_warning(31, 31, tc.warning_hex) : "");
    const int under = tc.beneath >= 0 ? tc.beneath : tc.shape;
    for (uint32_t i = 0; i < kTilePixels; ++i) {
        const int expected = (i == 0 || i == 4) ? under : tc.shape;
        EXPECT_EQ(f.shape_of_pixel(31, 31, i), expected) << "pixel " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Bytes, TileTranslation, testing::ValuesIn(kTileCases));

struct PersonCase {
    uint8_t code;
    int shape;
    const char* warning_hex;
};

std::vector<PersonCase> person_cases()
{
    std::vector<PersonCase> cases;
    for (int p = 1; p <= 32; ++p) cases.push_back({static_cast<uint8_t>(p), p, nullptr});
    const PersonCase table[] = {
        {33, 34, nullptr},   {34, 36, nullptr},   {35, 38, nullptr},   {36, 40, nullptr},
        {37, 44, nullptr},   {38, 42, nullptr},   {39, 46, nullptr},   {61, 61, nullptr},
        {64, 80, nullptr},   {65, 82, nullptr},   {66, 84, nullptr},   {67, 86, nullptr},
        {75, 75, nullptr},   {77, 88, nullptr},   {78, 90, nullptr},   {79, 92, nullptr},
        {80, 94, nullptr},   {132, 132, nullptr}, {134, 136, nullptr}, {135, 138, nullptr},
        {141, 156, nullptr}, {143, 164, nullptr}, {146, 176, nullptr}, {150, 192, nullptr},
        {151, 196, nullptr}, {152, 200, nullptr}, {153, 204, nullptr}, {158, 224, nullptr},
        {162, 240, nullptr}, {165, 252, nullptr}, {183, 56, nullptr},  {200, 200, "C8"},
        {40, 40, "28"},      {60, 60, "3C"},      {76, 76, "4C"},      {133, 133, "85"},
        {255, 255, "FF"},
    };
    cases.insert(cases.end(), std::begin(table), std::end(table));
    return cases;
}

void PrintTo(const PersonCase& pc, std::ostream* os) { *os << "person code " << int{pc.code}; }

class PersonTranslation : public testing::TestWithParam<PersonCase> {};

TEST_P(PersonTranslation, WithoutMaskThePersonReplacesItsTile)
{
    const PersonCase& pc = GetParam();
    Fixture f;
    f.set_tile(3, 4, 43);
    f.set_person(9, pc.code, 3, 4);
    const std::string out = f.draw();
    EXPECT_EQ(out, pc.warning_hex ? npc_warning(3, 4, pc.warning_hex) : "");
    EXPECT_EQ(f.shape_at(3, 4), pc.shape);
}

INSTANTIATE_TEST_SUITE_P(Codes, PersonTranslation, testing::ValuesIn(person_cases()));

TEST(TownPeople, TheLowerIndexWinsATileAndOnlyItsCodeIsTranslated)
{
    Fixture f;
    f.set_person(7, 200, 10, 12);  // would warn, but is hidden by person 2
    f.set_person(2, 33, 10, 12);
    EXPECT_EQ(f.draw(), "");
    EXPECT_EQ(f.shape_at(10, 12), 34);

    Fixture g;
    g.set_person(2, 200, 10, 12);
    g.set_person(7, 201, 10, 12);
    EXPECT_EQ(g.draw(), npc_warning(10, 12, "C8"));
    EXPECT_EQ(g.shape_at(10, 12), 200);
}

TEST(TownPeople, CodeZeroIsNobodyEvenWhereItsPlaceMatches)
{
    Fixture f;
    f.set_tile(0, 0, 7);
    f.set_person(0, 0, 0, 0);  // every unused slot looks like this
    f.set_tile(6, 6, 8);
    f.set_person(1, 0, 6, 6);
    f.set_person(4, 20, 6, 6);  // a later person on the same tile is found
    EXPECT_EQ(f.draw(), "");
    EXPECT_EQ(f.shape_at(0, 0), 7);
    EXPECT_EQ(f.shape_at(6, 6), 20);
}

TEST(TownPeople, PlacesAbove31AreNeverDrawn)
{
    Fixture plain;
    for (uint32_t i = 0; i < kTownMapBytes; ++i) plain.town[i] = static_cast<uint8_t>(i % 100);
    plain.draw();

    Fixture f;
    f.town = plain.town;
    const uint8_t far[][2] = {{32, 0}, {0, 32}, {40, 1}, {1, 255}, {255, 255}, {64, 64}};
    for (uint32_t k = 0; k < std::size(far); ++k)
        f.set_person(k, 200, far[k][0], far[k][1]);
    EXPECT_EQ(f.draw(), "");
    EXPECT_EQ(f.bitmap.pixels, plain.bitmap.pixels);
}

TEST(TownPeople, ThreeLayersThroughTheMask)
{
    for (const uint32_t bpp : {1U, 2U, 3U, 4U}) {
        SCOPED_TRACE(bpp);
        Fixture f(bpp);
        f.add_mask();
        // Person 5 is opaque only at pixel 0; shape 23 only at pixels 0 and 1.
        for (uint32_t i = 1; i < kTilePixels; ++i) f.clear_mask_pixel(5, i);
        for (uint32_t i = 2; i < kTilePixels; ++i) f.clear_mask_pixel(23, i);
        f.set_tile(12, 20, 23);
        f.set_person(0, 5, 12, 20);
        EXPECT_EQ(f.draw(), "");
        const int expected[kTilePixels] = {5, 23, 0, 0, 0, 0};
        for (uint32_t i = 0; i < kTilePixels; ++i) {
            const uint8_t* p = f.pixel(12, 20, i);
            EXPECT_EQ(p[0], expected[i]) << "pixel " << i;
            if (bpp > 1) {
                EXPECT_EQ(p[1], i);
            }
            for (uint32_t j = 2; j < bpp; ++j) EXPECT_EQ(p[j], 0xA0 + j);
        }
    }
}

TEST(TownPeople, APersonOverATileWithoutBeneathShowsTheTileThroughItsMask)
{
    Fixture f;
    f.add_mask();
    f.clear_mask_pixel(34, 2);
    f.clear_mask_pixel(34, 3);
    f.clear_mask_pixel(48, 2);  // nothing beneath 48: its own pixel stays
    f.set_tile(1, 2, 40);
    f.set_person(31, 33, 1, 2);
    EXPECT_EQ(f.draw(), "");
    const int expected[kTilePixels] = {34, 34, 48, 48, 34, 34};
    for (uint32_t i = 0; i < kTilePixels; ++i) EXPECT_EQ(f.shape_of_pixel(1, 2, i), expected[i]);
}

TEST(TownPeople, NoNpcsDrawsTilesAloneAndWarnsOnlyAboutTiles)
{
    Fixture f;
    f.set_tile(2, 0, 128);
    f.set_tile(3, 3, 9);
    f.set_person(0, 200, 3, 3);
    f.set_person(1, 201, 2, 0);
    EXPECT_EQ(f.draw(1), map_warning(2, 0, "80"));
    EXPECT_EQ(f.shape_at(3, 3), 9);
    EXPECT_EQ(f.shape_at(2, 0), 126);
}

TEST(TownWarnings, MapWarningComesBeforeNpcWarningAndTilesGoRowByRow)
{
    Fixture f;
    f.set_tile(1, 0, 0x90);
    f.set_tile(0, 1, 0xA0);
    f.set_person(3, 0xF0, 0, 1);
    f.set_person(4, 0xF1, 31, 0);
    EXPECT_EQ(f.draw(), map_warning(1, 0, "90") + npc_warning(31, 0, "F1") + map_warning(0, 1, "A0") +
                            npc_warning(0, 1, "F0"));
}

TEST(TownDraw, EveryPixelIsWritten)
{
    Fixture f;
    f.add_mask();
    for (uint32_t i = 0; i < kTownMapBytes; ++i) f.town[i] = static_cast<uint8_t>(i * 7);
    for (uint32_t k = 0; k < 32; ++k) f.set_person(k, static_cast<uint8_t>(k + 1), static_cast<uint8_t>(k), 3);
    f.draw();
    for (uint32_t y = 0; y < 32; ++y)
        for (uint32_t x = 0; x < 32; ++x)
            for (uint32_t i = 0; i < kTilePixels; ++i)
                ASSERT_NE(f.shape_of_pixel(x, y, i), -1) << x << "," << y << " pixel " << i;
}

// Any tile byte and any person code stays inside a set of exactly 256 shapes
// (the sanitizer build checks every read).
TEST(TownDraw, EveryByteAndCodeStaysInsideTheShapeSet)
{
    for (uint32_t group = 0; group < 8; ++group) {
        Fixture f;
        f.add_mask();
        for (uint32_t n = 0; n < 256; ++n) f.clear_mask_pixel(n, n % kTilePixels);
        for (uint32_t i = 0; i < kTownMapBytes; ++i) f.town[i] = static_cast<uint8_t>(i + group);
        for (uint32_t k = 0; k < 32; ++k)
            f.set_person(k, static_cast<uint8_t>(group * 32 + k), static_cast<uint8_t>(k), static_cast<uint8_t>(k));
        f.draw();
        for (uint32_t k = 0; k < 32; ++k) EXPECT_GE(f.shape_of_pixel(k, k, 0), 0);
    }
}

TEST(TownDraw, RefusesBuffersTooSmallForTheTown)
{
    {
        Fixture f(2, 15);  // 240 shapes: code 255 would fall outside
        EXPECT_EQ(draw_town_map(f.bitmap, f.shapes, f.mask, f.town, 0), -1);
        EXPECT_EQ(f.bitmap.pixels[0], 0xEE);
    }
    {
        Fixture f;
        f.add_mask(15);
        EXPECT_EQ(draw_town_map(f.bitmap, f.shapes, f.mask, f.town, 0), -1);
    }
    {
        Fixture f;
        f.bitmap.pixels.pop_back();
        EXPECT_EQ(draw_town_map(f.bitmap, f.shapes, f.mask, f.town, 0), -1);
    }
    {
        Fixture f;
        f.town.pop_back();
        EXPECT_EQ(draw_town_map(f.bitmap, f.shapes, f.mask, f.town, 0), -1);
    }
    {
        Fixture f;
        f.shapes.tile_width = 0x80000000U;  // sizes that overflow are refused, not wrapped
        f.shapes.tile_height = 0x80000000U;
        EXPECT_EQ(draw_town_map(f.bitmap, f.shapes, f.mask, f.town, 0), -1);
    }
}

}  // namespace
