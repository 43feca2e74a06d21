// The layered world map: byte translation, shores, shapes laid over the shape
// beneath through the mask, gates and balloon over their tile, and warnings.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "layered_map.h"

namespace {

constexpr uint32_t kNone = kNoBeneath;

// ---- translation -----------------------------------------------------------

struct TranslateCase {
    int value;
    int no_shores;
    uint32_t shape;
    uint32_t beneath;
    int result;
};

const TranslateCase kTranslateCases[] = {
    {0, 0, 0, kNone, 0},      {22, 0, 22, kNone, 0},    {23, 0, 23, 0, 0},
    {24, 0, 24, kNone, 0},    {25, 0, 25, 0, 0},        {26, 0, 26, kNone, 0},
    {48, 0, 48, kNone, 0},    {49, 0, 49, 2, 0},        {52, 0, 52, 2, 0},
    {53, 0, 53, kNone, 0},    {54, 0, 54, kNone, 0},    {55, 0, 55, 4, 0},
    {56, 0, 56, 62, 0},       {57, 0, 57, kNone, 0},    {59, 0, 59, kNone, 0},
    {60, 0, 60, 62, 0},       {61, 0, 61, 4, 0},        {62, 0, 62, kNone, 0},
    {67, 0, 67, kNone, 0},    {126, 0, 126, kNone, 0},  {127, 0, 127, kNone, 0},
    {128, 0, 126, kNone, -1}, {150, 0, 126, kNone, -1}, {194, 0, 126, kNone, -1},
    {195, 0, 273, 0, 0},      {209, 0, 287, 0, 0},      {210, 0, 273, 1, 0},
    {224, 0, 287, 1, 0},      {225, 0, 273, 2, 0},      {232, 0, 280, 2, 0},
    {239, 0, 287, 2, 0},      {240, 0, 126, kNone, -1}, {255, 0, 126, kNone, -1},
    // Without shores the byte is the water beneath, drawn alone.
    {195, 1, 0, kNone, 0},    {209, 1, 0, kNone, 0},    {210, 1, 1, kNone, 0},
    {225, 1, 2, kNone, 0},    {239, 1, 2, kNone, 0},
    // The no-shores switch changes nothing else.
    {23, 1, 23, 0, 0},        {56, 1, 56, 62, 0},       {194, 1, 126, kNone, -1},
    {240, 1, 126, kNone, -1}, {100, 1, 100, kNone, 0},
};

TEST(LayeredTranslate, FollowsTheTileTable)
{
    for (const TranslateCase& c : kTranslateCases) {
        LayeredTile tile;
        tile.shape = 999;
        tile.beneath = 999;
        const int result = layered_translate(tile, static_cast<uint8_t>(c.value), c.no_shores);
        EXPECT_EQ(result, c.result) << "byte " << c.value << " shores off " << c.no_shores;
        EXPECT_EQ(tile.shape, c.shape) << "byte " << c.value << " shores off " << c.no_shores;
        EXPECT_EQ(tile.beneath, c.beneath) << "byte " << c.value << " shores off " << c.no_shores;
    }
}

// ---- drawing ---------------------------------------------------------------

// A sheet whose every pixel byte tells shape, position and byte apart, and a
// mask that lets the layer beneath show through in a pattern per shape.
struct Scene {
    ShapeSet shapes;
    ShapeMask mask;
    Bitmap bitmap;
    std::vector<uint8_t> map = std::vector<uint8_t>(65536, 0);
};

uint8_t sheet_byte(uint32_t shape, uint32_t x, uint32_t y, uint32_t byte)
{
    return static_cast<uint8_t>(shape * 7 + x * 3 + y * 11 + byte * 101 + 1);
}

// Shapes whose number is a multiple of 5 are opaque; the others are
// transparent in a checkerboard that depends on the shape.
uint8_t mask_byte(uint32_t shape, uint32_t x, uint32_t y)
{
    return (shape % 5 != 0 && (x + y + shape) % 2 == 0) ? 1 : 0;
}

void make_scene(Scene& scene, uint32_t width, uint32_t height, uint32_t bytes_per_pixel,
                uint32_t shape_rows, bool with_mask)
{
    ShapeSet& s = scene.shapes;
    s.tile_width = width;
    s.tile_height = height;
    s.bits_per_pixel = bytes_per_pixel == 1 ? 8 : bytes_per_pixel * 8;
    s.bytes_per_pixel = bytes_per_pixel;
    const size_t stride = 16u * width * bytes_per_pixel;
    s.pixels.assign(stride * height * shape_rows, 0);
    for (uint32_t n = 0; n < shape_rows * 16; ++n)
        for (uint32_t y = 0; y < height; ++y)
            for (uint32_t x = 0; x < width; ++x)
                for (uint32_t b = 0; b < bytes_per_pixel; ++b)
                    s.pixels[((n / 16) * height + y) * stride + ((n % 16) * width + x) * bytes_per_pixel +
                             b] = sheet_byte(n, x, y, b);
    if (with_mask) {
        ShapeMask& m = scene.mask;
        m.tile_width = width;
        m.tile_height = height;
        m.bits_per_pixel = 1;
        m.bytes_per_pixel = 1;
        m.pixels.assign(16u * width * height * shape_rows, 0);
        for (uint32_t n = 0; n < shape_rows * 16; ++n)
            for (uint32_t y = 0; y < height; ++y)
                for (uint32_t x = 0; x < width; ++x)
                    m.pixels[((n / 16) * height + y) * 16 * width + (n % 16) * width + x] =
                        mask_byte(n, x, y);
    }
    Bitmap& b = scene.bitmap;
    b.width = 256 * width;
    b.height = 256 * height;
    b.bits_per_pixel = s.bits_per_pixel;
    b.size = b.width * b.height * bytes_per_pixel;
    b.pixels.assign(b.size, 0xEE);  // every byte must be overwritten
}

// The byte at index (y / 16 * 16 + x / 16) * 256 + y % 16 * 16 + x % 16.
void put_tile(Scene& scene, uint32_t x, uint32_t y, uint8_t value)
{
    scene.map[(y / 16 * 16 + x / 16) * 256 + (y % 16) * 16 + x % 16] = value;
}

// What a tile must show: shape over beneath (kNone: shape alone) through the
// scene's mask when it has one.
std::vector<uint8_t> expected_tile(const Scene& scene, uint32_t shape, uint32_t beneath)
{
    const ShapeSet& s = scene.shapes;
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < s.tile_height; ++y)
        for (uint32_t x = 0; x < s.tile_width; ++x) {
            const bool through =
                beneath != kNone && !scene.mask.pixels.empty() && mask_byte(shape, x, y) != 0;
            for (uint32_t b = 0; b < s.bytes_per_pixel; ++b)
                out.push_back(sheet_byte(through ? beneath : shape, x, y, b));
        }
    return out;
}

std::vector<uint8_t> drawn_tile(const Scene& scene, uint32_t tx, uint32_t ty)
{
    const ShapeSet& s = scene.shapes;
    const size_t stride = 256u * s.tile_width * s.bytes_per_pixel;
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < s.tile_height; ++y) {
        const size_t row = (static_cast<size_t>(ty) * s.tile_height + y) * stride +
                           static_cast<size_t>(tx) * s.tile_width * s.bytes_per_pixel;
        out.insert(out.end(), scene.bitmap.pixels.begin() + static_cast<long>(row),
                   scene.bitmap.pixels.begin() + static_cast<long>(row + s.tile_width * s.bytes_per_pixel));
    }
    return out;
}

std::string draw(Scene& scene, uint32_t gates, int balloon, int no_shores)
{
    testing::internal::CaptureStdout();
    draw_layered_world_map(scene.bitmap, scene.shapes, scene.mask, scene.map, gates, balloon,
                           no_shores);
    return testing::internal::GetCapturedStdout();
}

struct TileCase {
    int value;
    uint32_t shape;    // with shores
    uint32_t beneath;  // with shores
};

// A tile of each kind of the table, laid out along row 40.
const TileCase kTileCases[] = {
    {0, 0, kNone},   {23, 23, 0},    {25, 25, 0},    {49, 49, 2},    {51, 51, 2},
    {55, 55, 4},     {56, 56, 62},   {60, 60, 62},   {61, 61, 4},    {67, 67, kNone},
    {127, 127, kNone}, {195, 273, 0}, {209, 287, 0}, {211, 274, 1}, {225, 273, 2},
    {239, 287, 2},   {128, 126, kNone}, {240, 126, kNone},
};

class LayeredDraw : public testing::TestWithParam<int> {};

// Each case: mask on/off and shores on/off, over the same map.
TEST_P(LayeredDraw, DrawsEveryTileOfTheTable)
{
    const bool with_mask = GetParam() & 1;
    const int no_shores = (GetParam() & 2) ? 1 : 0;
    Scene scene;
    make_scene(scene, 3, 2, 1, 18, with_mask);
    for (size_t i = 0; i < std::size(kTileCases); ++i)
        put_tile(scene, static_cast<uint32_t>(i) * 7 + 1, 40, static_cast<uint8_t>(kTileCases[i].value));
    draw(scene, 0, 0, no_shores);
    for (size_t i = 0; i < std::size(kTileCases); ++i) {
        const TileCase& c = kTileCases[i];
        uint32_t shape = c.shape;
        uint32_t beneath = c.beneath;
        if (no_shores && c.value >= 195 && c.value <= 239) {
            shape = c.beneath;
            beneath = kNone;
        }
        EXPECT_EQ(drawn_tile(scene, static_cast<uint32_t>(i) * 7 + 1, 40), expected_tile(scene, shape, beneath))
            << "byte " << c.value;
    }
    // Everything else is shape 0, and no byte keeps its fill value.
    EXPECT_EQ(drawn_tile(scene, 255, 255), expected_tile(scene, 0, kNone));
    EXPECT_EQ(drawn_tile(scene, 0, 40), expected_tile(scene, 0, kNone));
    for (uint8_t byte : scene.bitmap.pixels) ASSERT_NE(byte, 0xEE);
}

INSTANTIATE_TEST_SUITE_P(MaskAndShores, LayeredDraw, testing::Values(0, 1, 2, 3));

TEST(LayeredDraw, MaskedPixelsCopyEveryByteOfWidePixels)
{
    Scene scene;
    make_scene(scene, 5, 3, 3, 18, true);
    put_tile(scene, 200, 100, 23);
    put_tile(scene, 201, 100, 239);
    draw(scene, 0, 0, 0);
    EXPECT_EQ(drawn_tile(scene, 200, 100), expected_tile(scene, 23, 0));
    EXPECT_EQ(drawn_tile(scene, 201, 100), expected_tile(scene, 287, 2));
    EXPECT_NE(expected_tile(scene, 23, 0), expected_tile(scene, 23, kNone));
}

// Any mask byte that is not 0 lets the shape beneath through, also in rows
// wide enough to be composed several pixels at a time.
TEST(LayeredDraw, EveryNonZeroMaskByteShowsTheShapeBeneath)
{
    Scene ones;
    make_scene(ones, 19, 3, 1, 18, true);
    Scene values;
    make_scene(values, 19, 3, 1, 18, true);
    const uint8_t through[] = {1, 2, 4, 8, 16, 32, 64, 128, 255, 0x11, 0x80, 3};
    size_t next = 0;
    for (uint8_t& m : values.mask.pixels)
        if (m != 0) m = through[next++ % std::size(through)];
    for (Scene* scene : {&ones, &values}) {
        put_tile(*scene, 0, 0, 23);
        put_tile(*scene, 255, 255, 239);
        put_tile(*scene, 17, 200, 61);
    }
    draw(ones, 255, 1, 0);
    draw(values, 255, 1, 0);
    EXPECT_EQ(drawn_tile(ones, 0, 0), expected_tile(ones, 23, 0));
    EXPECT_EQ(drawn_tile(ones, 255, 255), expected_tile(ones, 287, 2));
    EXPECT_EQ(ones.bitmap.pixels, values.bitmap.pixels);
}

const uint32_t kGateSites[8][2] = {
    {224, 133}, {96, 102}, {38, 224}, {50, 37}, {166, 19}, {104, 194}, {23, 126}, {187, 167},
};

// Gates and balloon over tiles of different kinds; returns the scene drawn.
void gate_scene(Scene& scene, bool with_mask, uint32_t gates, int balloon)
{
    make_scene(scene, 3, 2, 1, 18, with_mask);
    const uint8_t values[8] = {23, 5, 200, 56, 150, 1, 127, 25};
    for (int k = 0; k < 8; ++k) put_tile(scene, kGateSites[k][0], kGateSites[k][1], values[k]);
    put_tile(scene, 233, 242, 55);
    draw(scene, gates, balloon, 0);
}

TEST(LayeredDraw, AllGatesLieOverTheTranslatedShapeOfTheirTile)
{
    Scene scene;
    gate_scene(scene, true, 255, 0);
    // The site's own beneath shape (0 under 23, 62 under 56) is dropped.
    const uint32_t under[8] = {23, 5, 278, 56, 126, 1, 127, 25};
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(drawn_tile(scene, kGateSites[k][0], kGateSites[k][1]), expected_tile(scene, 67, under[k]))
            << "phase " << k + 1;
    EXPECT_EQ(drawn_tile(scene, 233, 242), expected_tile(scene, 55, 4));
    EXPECT_NE(expected_tile(scene, 67, 23), expected_tile(scene, 67, kNone));
}

TEST(LayeredDraw, WithoutMaskGatesAndBalloonReplaceTheirTile)
{
    Scene scene;
    gate_scene(scene, false, 255, 1);
    for (int k = 0; k < 8; ++k)
        EXPECT_EQ(drawn_tile(scene, kGateSites[k][0], kGateSites[k][1]), expected_tile(scene, 67, kNone));
    EXPECT_EQ(drawn_tile(scene, 233, 242), expected_tile(scene, 24, kNone));
}

// Phase 3 alone, or the balloon alone, changes only its own tile.
TEST(LayeredDraw, OneGateOrTheBalloonChangesOnlyItsSite)
{
    Scene plain;
    gate_scene(plain, true, 0, 0);
    EXPECT_EQ(drawn_tile(plain, 38, 224), expected_tile(plain, 278, 0));
    struct {
        uint32_t gates;
        int balloon;
        uint32_t x, y, beneath;
    } const cases[] = {{4, 0, 38, 224, 278}, {0, 1, 233, 242, 55}};
    for (const auto& c : cases) {
        Scene scene;
        gate_scene(scene, true, c.gates, c.balloon);
        const uint32_t shape = c.balloon ? 24 : 67;
        EXPECT_EQ(drawn_tile(scene, c.x, c.y), expected_tile(scene, shape, c.beneath));
        EXPECT_NE(expected_tile(scene, shape, c.beneath), expected_tile(scene, shape, kNone));
        size_t differing = 0;
        for (size_t i = 0; i < plain.bitmap.pixels.size(); ++i)
            differing += plain.bitmap.pixels[i] != scene.bitmap.pixels[i];
        EXPECT_GT(differing, 0u);
        EXPECT_LE(differing, 3u * 2u);
    }
}

TEST(LayeredDraw, GateBitsAboveBitSevenChangeNothing)
{
    Scene plain;
    gate_scene(plain, true, 0, 0);
    Scene high;
    gate_scene(high, true, 0xFFFFFF00u, 0);
    EXPECT_EQ(plain.bitmap.pixels, high.bitmap.pixels);
}

TEST(LayeredDraw, WarnsForIllegalBytesInReadOrder)
{
    Scene scene;
    make_scene(scene, 2, 2, 1, 18, true);
    // Row by row these would come (255,0), (28,2), (3,5), (0,16); the map is
    // read chunk by chunk.
    put_tile(scene, 255, 0, 0xF0);
    scene.map[300] = 0x80;
    put_tile(scene, 3, 5, 0xC2);
    put_tile(scene, 0, 16, 0xFF);
    put_tile(scene, 10, 10, 0x7F);  // legal
    put_tile(scene, 11, 10, 0xC3);  // a shore
    const std::string out = draw(scene, 255, 1, 0);
    EXPECT_EQ(out,
              "warning: illegal data (3,5) = C2\n"
              "warning: illegal data (28,2) = 80\n"
              "warning: illegal data (255,0) = F0\n"
              "warning: illegal data (0,16) = FF\n");
    EXPECT_EQ(drawn_tile(scene, 28, 2), expected_tile(scene, 126, kNone));
    EXPECT_EQ(drawn_tile(scene, 0, 16), expected_tile(scene, 126, kNone));
}

// A sheet too short for the shores or a mask of another size must not be
// read past its end: the missing shapes come out blank, the mask is ignored.
TEST(LayeredDraw, ShortSheetAndForeignMaskStayInsideTheirBuffers)
{
    Scene scene;
    make_scene(scene, 3, 2, 1, 16, true);
    scene.mask.tile_width = 2;
    put_tile(scene, 1, 1, 239);
    put_tile(scene, 2, 1, 23);
    draw(scene, 0, 0, 0);
    EXPECT_EQ(drawn_tile(scene, 1, 1), std::vector<uint8_t>(6, 0));
    Scene plain;
    make_scene(plain, 3, 2, 1, 16, false);
    EXPECT_EQ(drawn_tile(scene, 2, 1), expected_tile(plain, 23, kNone));

    // A picture smaller than the map is left alone.
    Scene tiny;
    make_scene(tiny, 3, 2, 1, 18, false);
    tiny.bitmap.pixels.assign(100, 0xEE);
    draw(tiny, 0, 0, 0);
    EXPECT_EQ(tiny.bitmap.pixels, std::vector<uint8_t>(100, 0xEE));
}

}  // namespace
