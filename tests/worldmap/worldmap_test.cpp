#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "worldmap.h"

namespace {

// Shapes of 1 x 1 pixel whose single pixel holds the shape number, so the
// picture reads back as the tile grid.
ShapeSet numbered_shapes(uint32_t tile = 1)
{
    ShapeSet s;
    s.tile_width = s.tile_height = tile;
    s.bits_per_pixel = 8;
    s.bytes_per_pixel = 1;
    s.pixels.resize(size_t{16} * tile * 16 * tile);
    for (uint32_t n = 0; n < 256; ++n)
        for (uint32_t y = 0; y < tile; ++y)
            for (uint32_t x = 0; x < tile; ++x)
                s.pixels[shape_row_offset(s, n, y) + x] = static_cast<uint8_t>(n);
    return s;
}

std::vector<uint8_t> compose(const std::vector<uint8_t>& map, uint32_t gates, int balloon, uint32_t edge)
{
    const ShapeSet shapes = numbered_shapes();
    Bitmap bmp;
    EXPECT_EQ(bitmap_create(bmp, shapes, 256, 256), 0);
    draw_world_map(bmp, shapes, map, gates, balloon, edge);
    return bmp.pixels;
}

TEST(WorldMap, ChunkLayoutPlacesEveryByte)
{
    std::vector<uint8_t> map(65536);
    for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<uint8_t>(i * 7 + i / 256);
    for (uint32_t edge : {32u, 16u}) {
        const auto picture = compose(map, 0, 0, edge);
        for (uint32_t y = 0; y < 256; ++y)
            for (uint32_t x = 0; x < 256; ++x)
                ASSERT_EQ(picture[y * 256 + x], map[world_map_index(x, y, edge)]) << edge << " " << x << "," << y;
    }
    // Byte 1,024 starts the chunk at columns 32-63 of rows 0-31 (edge 32);
    // byte 256 the chunk at columns 16-31 of rows 0-15 (edge 16).
    EXPECT_EQ(world_map_index(32, 0, 32), 1024u);
    EXPECT_EQ(world_map_index(63, 31, 32), 2047u);
    EXPECT_EQ(world_map_index(16, 0, 16), 256u);
    EXPECT_EQ(world_map_index(28, 2, 16), 300u);
}

TEST(WorldMap, GatesAndBalloonReplaceOnlyTheirTiles)
{
    std::vector<uint8_t> map(65536, 5);
    struct Case {
        uint32_t gates;
        int balloon;
        std::vector<WorldSite> changed;
    };
    std::vector<WorldSite> all(std::begin(kMoonGateSites), std::end(kMoonGateSites));
    const Case cases[] = {
        {0, 0, {}},
        {255, 0, all},
        {4, 0, {{38, 224}}},
        {0xFF00, 0, {}},  // bits above bit 7 select nothing
        {0, 1, {{233, 242}}},
    };
    for (const Case& c : cases) {
        const auto picture = compose(map, c.gates, c.balloon, 32);
        size_t differing = 0;
        for (uint8_t v : picture) differing += v != 5;
        EXPECT_EQ(differing, c.changed.size()) << "gates " << c.gates;
        for (const WorldSite& s : c.changed)
            EXPECT_EQ(picture[s.y * 256 + s.x], c.balloon ? kBalloonShape : kMoonGateShape);
    }
}

TEST(WorldMap, TilesHoldingGateOrBalloonShapesStayAsStored)
{
    std::vector<uint8_t> map(65536, 67);
    map[world_map_index(233, 242, 16)] = 24;
    const auto picture = compose(map, 0, 0, 16);
    EXPECT_EQ(picture[242 * 256 + 233], 24);
    EXPECT_EQ(picture[0], 67);
}

TEST(WorldMap, MultiPixelTilesKeepTheirRowsAndStrides)
{
    const ShapeSet shapes = numbered_shapes(3);  // 3 x 3 tiles
    Bitmap bmp;
    ASSERT_EQ(bitmap_create(bmp, shapes, 256, 256), 0);
    std::vector<uint8_t> map(65536);
    std::iota(map.begin(), map.end(), 0);
    draw_world_map(bmp, shapes, map, 0, 0, 16);
    ASSERT_EQ(bmp.width, 768u);
    for (uint32_t y : {0u, 100u, 767u})
        for (uint32_t x : {0u, 5u, 767u})
            EXPECT_EQ(bmp.pixels[y * 768 + x], map[world_map_index(x / 3, y / 3, 16)]);
}

TEST(WorldMap, TooSmallBuffersAreLeftAlone)
{
    ShapeSet shapes = numbered_shapes();
    shapes.pixels.resize(100);  // fewer than 16 rows of shapes
    Bitmap bmp;
    bmp.pixels.assign(65536, 9);
    draw_world_map(bmp, shapes, std::vector<uint8_t>(65536), 0, 0, 32);
    EXPECT_EQ(bmp.pixels[0], 9);
}

}  // namespace
