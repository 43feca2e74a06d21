// The synthetic sample data: the same bytes on every platform, a world and
// towns that hold together, and tiles whose colours, as each port shows
// them, read as what they stand for.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "bitmap.h"
#include "hires.h"
#include "sample_a2.h"
#include "sample_bytes.h"
#include "sample_ports.h"
#include "sample_world.h"

namespace {

using Bytes = std::vector<uint8_t>;
using namespace sample::tile;

// The sums are zlib's crc32 of the files as vorn_sample first wrote them.
TEST(SampleData, OneSeedGivesTheSameBytesEverywhere)
{
    const Bytes morvane = sample::a2_morvane_disk(false);
    const struct {
        const char* name;
        Bytes bytes;
        uint32_t size, crc;
    } cases[] = {
        {"SHAPES.EGA", sample::pc_shapes_ega(), 32768, 0x17BFDDA7},
        {"SHAPES.CGA", sample::pc_shapes_cga(), 16384, 0xDD63382B},
        {"WORLD.MAP", sample::pc_world_map(), 65536, 0x7F1804EE},
        {"ocshape.pat", sample::pc98_ocshape_pat(), 108160, 0x695D4B4C},
        {"swshape.pat", sample::pc98_swshape_pat(), 62464, 0x87560FED},
        {"shape.pat", sample::x68k_shape_pat(), 212544, 0xDE5CD8EE},
        {"MAP.BIN", sample::map_bin(), 65536, 0xB72A4471},
        {"TOWNE.BIN", sample::towne_bin(), 17408, 0xE1CF1D1A},
        {"PEOPLE.BIN", sample::people_bin(), 4352, 0x301B01FA},
        {"hi-res left halves", sample::a2_hires_shapes(0), 4096, 0x8ACA53F2},
        {"hi-res right halves", sample::a2_hires_shapes(1), 4096, 0xB63572D2},
        {"Apple II map tracks", Bytes(morvane.begin(), morvane.begin() + 65536), 65536, 0xA8CE13F5},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.bytes.size(), c.size) << c.name;
        EXPECT_EQ(sample::crc32(c.bytes), c.crc) << c.name << std::hex << " 0x" << sample::crc32(c.bytes);
    }
}

bool water(uint8_t t) { return t == kDeepWater || t == kWater || t == kShallows; }

TEST(SampleWorld, ContinentsWithEveryKindOfPlace)
{
    const Bytes& world = sample::world_tiles();
    std::array<uint32_t, 256> count{};
    for (uint8_t t : world) ++count[t];
    const uint32_t sea = count[kDeepWater] + count[kWater] + count[kShallows];
    EXPECT_GT(sea, 65536U / 2);
    EXPECT_LT(sea, 65536U * 3 / 4);
    const struct {
        uint8_t tile;
        uint32_t at_least;
    } kinds[] = {{kDeepWater, 16000}, {kShallows, 1500}, {kGrass, 4000}, {kForest, 2000}, {kBrush, 1000},
                 {kHills, 500},       {kMountains, 500}, {kSwamp, 100},  {kDesert, 100},  {kLava, 20},
                 {kCastle, 1},        {kTown, 6},        {kVillage, 4},  {kShrine, 4},    {kDungeon, 4},
                 {kBridgeEastWest, 1}, {kShipEast, 1},   {kShipWest, 1}, {kRocks, 1},     {kRoad + 5, 50}};
    for (const auto& k : kinds) EXPECT_GE(count[k.tile], k.at_least) << "tile " << int(k.tile);

    // Where the tools draw the moon gates and the balloon there is grass.
    const uint32_t sites[][2] = {{224, 133}, {96, 102}, {38, 224}, {50, 37}, {166, 19},
                                 {104, 194}, {23, 126}, {187, 167}, {233, 242}};
    for (const auto& s : sites) EXPECT_EQ(world[s[1] * 256 + s[0]], kGrass) << s[0] << "," << s[1];

    // Every place stands on land and can be walked to from a side.
    for (uint32_t i = 0; i < world.size(); ++i) {
        if (world[i] < kDungeon || world[i] > kShrine) continue;
        const uint32_t x = i % 256, y = i / 256;
        int ways = 0;
        for (const auto& [dx, dy] : {std::pair{0, -1}, {1, 0}, {0, 1}, {-1, 0}}) {
            const uint8_t t = world[(y + dy) * 256 + x + dx];
            ways += !water(t) && t != kMountains && t != kLava;
        }
        EXPECT_GT(ways, 0) << "place at " << x << "," << y;
    }
}

TEST(SampleTowns, PeopleStandWhereOneCanStand)
{
    const Bytes towns = sample::towne_bin(), people = sample::people_bin();
    const uint8_t ground[] = {kGrass, kBrush, kDesert, kCobbles, kWoodFloor, kStoneFloor, kCarpet};
    for (uint32_t i = 0; i < 17; ++i) {
        const uint8_t* town = &towns[i * 1024];
        const uint8_t* block = &people[i * 256];
        uint32_t folk = 0;
        for (uint32_t k = 0; k < 32; ++k) {
            if (block[k] == 0) continue;
            ++folk;
            ASSERT_LT(block[32 + k], 32) << "town " << i;
            ASSERT_LT(block[64 + k], 32) << "town " << i;
            const uint8_t t = town[block[64 + k] * 32 + block[32 + k]];
            EXPECT_NE(std::find(std::begin(ground), std::end(ground), t), std::end(ground))
                << "town " << i << " person " << k << " on tile " << int(t);
            for (uint32_t j = 0; j < k; ++j)
                EXPECT_FALSE(block[j] && block[32 + j] == block[32 + k] && block[64 + j] == block[64 + k])
                    << "town " << i << " people " << j << " and " << k;
        }
        EXPECT_GE(folk, 8U) << "town " << i;
        // Walls, floors and doors: there are buildings to walk into.
        const auto has = [&](uint8_t v) { return std::find(town, town + 1024, v) != town + 1024; };
        EXPECT_TRUE(has(kDoor) && (has(kWoodFloor) || has(kStoneFloor)) && (has(kStoneWall) || has(kTimberWall)))
            << "town " << i;
    }
}

// ---- colours as each port shows them ---------------------------------------------

struct Rgb {
    int r = 0, g = 0, b = 0;
};

Rgb mean(const std::vector<Rgb>& pixels)
{
    Rgb sum;
    for (const Rgb& p : pixels) sum = {sum.r + p.r, sum.g + p.g, sum.b + p.b};
    const int n = static_cast<int>(pixels.size());
    return {sum.r / n, sum.g / n, sum.b / n};
}

constexpr Rgb kEga[16] = {{0, 0, 0},       {0, 0, 170},    {0, 170, 0},     {0, 170, 170},
                          {170, 0, 0},     {170, 0, 170},  {170, 85, 0},    {170, 170, 170},
                          {85, 85, 85},    {85, 85, 255},  {85, 255, 85},   {85, 255, 255},
                          {255, 85, 85},   {255, 85, 255}, {255, 255, 85},  {255, 255, 255}};
constexpr Rgb kEight[8] = {{0, 0, 0},     {0, 0, 255},   {255, 0, 0},   {255, 0, 255},
                           {0, 255, 0},   {0, 255, 255}, {255, 255, 0}, {255, 255, 255}};

enum Port { kEgaPort, kCgaPort, kPc98Port, kX68kPort, kA2Port };

// The mean colour of tile n as the port shows it.
Rgb tile_colour(Port port, uint32_t n)
{
    std::vector<Rgb> pixels;
    if (port == kEgaPort || port == kCgaPort) {
        static const Bytes ega = sample::pc_shapes_ega(), cga = sample::pc_shapes_cga();
        for (uint32_t y = 0; y < 16; ++y)
            for (uint32_t x = 0; x < 16; ++x) {
                if (port == kEgaPort) {
                    const uint8_t b = ega[n * 128 + y * 8 + x / 2];
                    pixels.push_back(kEga[x % 2 ? b & 15 : b >> 4]);
                } else {
                    const uint8_t b = cga[n * 64 + (y % 2 ? 8 + y / 2 : y / 2) * 4 + x / 4];
                    constexpr int kCga[4] = {0, 3, 5, 7};
                    pixels.push_back(kEga[kCga[(b >> (6 - 2 * (x % 4))) & 3]]);
                }
            }
    } else if (port == kA2Port) {
        // Four copies of the tile in a row, coloured by the Apple II tool.
        static const Bytes sheet = [] {
            Bytes s(448 * 512);
            hires_decode_sheet(sample::a2_hires_shapes(0), sample::a2_hires_shapes(1), s);
            return s;
        }();
        Bitmap row;
        row.width = 4 * 28;
        row.height = 32;
        row.bits_per_pixel = 4;
        row.size = row.width * row.height;
        row.pixels.resize(row.size);
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < row.width; ++x)
                row.pixels[y * row.width + x] = sheet[((n / 16) * 32 + y) * 448 + (n % 16) * 28 + x % 28];
        colorize_bitmap(row, 0);
        for (uint8_t v : row.pixels)
            pixels.push_back({kHiresPalette[4 * v + 2], kHiresPalette[4 * v + 1], kHiresPalette[4 * v]});
    } else {
        const uint32_t size = port == kPc98Port ? 32 : 36;
        for (uint32_t y = 0; y < size; ++y)
            for (uint32_t x = 0; x < size; ++x) pixels.push_back(kEight[sample::port_shape_pixel(n, x, y, size) & 7]);
    }
    return mean(pixels);
}

enum Measure { kBluer, kGreener, kLighter, kRedder };

int measure(Measure m, Rgb c)
{
    switch (m) {
        case kBluer: return c.b - c.r;
        case kGreener: return c.g - (c.r + c.b) / 2;
        case kLighter: return c.r + c.g + c.b;
        case kRedder: return c.r - c.g;
    }
    return 0;
}

TEST(SampleTiles, ColoursReadAsTheLandTheyStandFor)
{
    const struct {
        const char* what;
        uint32_t tile, than;
        Measure measure;
        int by;
    } cases[] = {
        {"the sea is bluer than grass", kDeepWater, kGrass, kBluer, 60},
        {"shallows are lighter than the deep sea", kShallows, kDeepWater, kLighter, 100},
        {"grass is lighter than forest", kGrass, kForest, kLighter, 40},
        {"grass is greener than mountains", kGrass, kMountains, kGreener, 20},
        {"desert is redder than grass", kDesert, kGrass, kRedder, 60},
        {"lava is redder than mountains", kLava, kMountains, kRedder, 30},
        {"a road is redder than grass", kRoad + 10, kGrass, kRedder, 20},
    };
    const char* const ports[] = {"EGA", "CGA", "PC-98", "X68000", "Apple II"};
    for (int port = kEgaPort; port <= kA2Port; ++port)
        for (const auto& c : cases) {
            const int a = measure(c.measure, tile_colour(Port(port), c.tile));
            const int b = measure(c.measure, tile_colour(Port(port), c.than));
            EXPECT_GE(a - b, c.by) << ports[port] << ": " << c.what << " (" << a << " against " << b << ")";
        }
}

}  // namespace
