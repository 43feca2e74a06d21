// PC-98 and X68000 sample data: pattern files, MAP.BIN, TOWNE.BIN,
// PEOPLE.BIN and the floppy images that carry them.
#include "fat12_writer.h"
#include "pattern_tables.h"
#include "sample_containers.h"
#include "sample_ports.h"
#include "sample_world.h"

namespace sample {

namespace {

uint32_t mix(uint32_t x, uint32_t y, uint32_t salt)
{
    uint32_t v = x * 0x9E3779B1U ^ (y + salt) * 0x85EBCA77U;
    v ^= v >> 15;
    v *= 0x2C1B3C6DU;
    v ^= v >> 12;
    return v;
}

bool four_planes(uint32_t n)
{
    return n < kPc98Shapes && pc98_pattern_table[n].planes == 4;
}

bool has_pattern(uint32_t n, uint32_t size)
{
    if (size == kPc98TileSize) return n < kPc98Shapes && pc98_pattern_table[n].file != Pc98PatternFile::kNone;
    return n < kX68kShapes && x68k_pattern_table[n] >= 0;
}

void encode_pc98(std::vector<uint8_t>& file, Pc98PatternFile which)
{
    for (uint32_t n = 0; n < kPc98Shapes; ++n) {
        const Pc98PatternRow& row = pc98_pattern_table[n];
        if (row.file != which) continue;
        for (uint32_t p = 0; p < row.planes; ++p) {
            const uint8_t value = pc98_plane_value(row.planes, p);
            for (uint32_t y = 0; y < 32; ++y)
                for (uint32_t b = 0; b < 4; ++b) {
                    uint8_t byte = 0;
                    for (uint32_t bit = 0; bit < 8; ++bit)
                        if (port_shape_pixel(n, b * 8 + bit, y, 32) & value) byte |= static_cast<uint8_t>(0x80 >> bit);
                    file[row.offset + p * kPc98PlaneBytes + y * 4 + b] = byte;
                }
        }
    }
}

// Shore byte 195 + 15 w + s over water shape w where land touches the tile;
// s encodes which of the four sides (north, east, south, west) are land.
uint8_t world_byte(const std::vector<uint8_t>& terrain, uint32_t x, uint32_t y)
{
    const uint8_t t = terrain[y * 256 + x];
    auto land = [&](int xx, int yy) {
        if (xx < 0 || yy < 0 || xx > 255 || yy > 255) return false;
        return terrain[static_cast<uint32_t>(yy) * 256 + static_cast<uint32_t>(xx)] >= kBeach;
    };
    const int ix = static_cast<int>(x), iy = static_cast<int>(y);
    if (t <= kShallows) {
        const uint32_t sides = (land(ix, iy - 1) ? 1u : 0u) | (land(ix + 1, iy) ? 2u : 0u) |
                               (land(ix, iy + 1) ? 4u : 0u) | (land(ix - 1, iy) ? 8u : 0u);
        // The water beneath a shore varies by region, so all three kinds show.
        if (sides) return static_cast<uint8_t>(195 + 15 * ((t + mix(x / 16, y / 16, 3)) % 3) + (sides - 1));
        return terrain_tile(t, x, y);
    }
    const uint32_t h = mix(x, y, 7) % 67;
    if (t == kGrass && h == 0) return (x & 1) ? 23 : 25;
    if (t == kForest && h == 1) return static_cast<uint8_t>(49 + (x + y) % 4);
    if (t == kHills && h == 2) return (y & 1) ? 55 : 56;
    if (t == kMountains && h == 3) return (x & 1) ? 60 : 61;
    return terrain_tile(t, x, y);
}

// Person codes drawn as themselves and codes that go through the town table.
constexpr uint8_t kPeopleCodes[] = {1,  5,   33, 9,   34, 13,  35, 17,  36, 21,  37,  25,  38,  29,
                                    39, 32,  61, 64,  65, 66,  67, 75,  77, 78,  79,  80,  132, 134,
                                    135, 141, 143, 146, 150, 151, 152, 153, 158, 162, 165, 183};

}  // namespace

uint8_t port_shape_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t size)
{
    if (!has_pattern(n, size)) return 0;
    const uint8_t c = tile_pixel(n, x, y, size, size);
    return four_planes(n) ? static_cast<uint8_t>(c ^ 8) : static_cast<uint8_t>(c & 7);
}

std::vector<uint8_t> pc98_ocshape_pat()
{
    std::vector<uint8_t> file(kPc98OcshapeBytes, 0);
    // The first 512 bytes belong to no shape: fill them with a marker.
    for (uint32_t i = 0; i < 512; ++i) file[i] = static_cast<uint8_t>(i * 37);
    encode_pc98(file, Pc98PatternFile::kOcshape);
    return file;
}

std::vector<uint8_t> pc98_swshape_pat()
{
    std::vector<uint8_t> file(kPc98SwshapeBytes, 0);
    encode_pc98(file, Pc98PatternFile::kSwshape);
    return file;
}

std::vector<uint8_t> x68k_shape_pat()
{
    std::vector<uint8_t> file(kX68kShapeBytes, 0);
    for (uint32_t n = 0; n < kX68kShapes; ++n) {
        if (x68k_pattern_table[n] < 0) continue;
        const uint32_t base = static_cast<uint32_t>(x68k_pattern_table[n]) * kX68kPatternBytes;
        for (uint32_t y = 0; y < 36; ++y)
            for (uint32_t b = 0; b < 18; ++b)
                file[base + y * 18 + b] = static_cast<uint8_t>((port_shape_pixel(n, 2 * b, y, 36) << 4) |
                                                               port_shape_pixel(n, 2 * b + 1, y, 36));
    }
    return file;
}

std::vector<uint8_t> map_bin()
{
    const std::vector<uint8_t> terrain = island_terrain();
    std::vector<uint8_t> tiles(65536);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x) tiles[y * 256 + x] = world_byte(terrain, x, y);
    return chunked_map(tiles, 16);
}

std::vector<uint8_t> towne_bin()
{
    std::vector<uint8_t> file(17 * 1024);
    for (uint32_t i = 0; i < 17; ++i) {
        uint8_t* town = file.data() + i * 1024;
        const uint32_t inset = 1 + i % 4;
        for (uint32_t y = 0; y < 32; ++y)
            for (uint32_t x = 0; x < 32; ++x) {
                uint8_t v = (mix(x, y, i) % 11 == 0) ? 6 : 4;                  // grass, trees
                const bool inside = x >= inset && y >= inset && x < 32 - inset && y < 32 - inset;
                const bool wall = inside && (x == inset || y == inset || x == 31 - inset || y == 31 - inset);
                if (inside) v = 62;                                            // floor
                if (wall) v = (x == 16 || x == 15) && y == 31 - inset ? 42 : 57;  // wall, gate
                town[y * 32 + x] = v;
            }
        // Buildings: a wall rectangle with a floor inside and a door.
        for (uint32_t b = 0; b < 2 + i % 3; ++b) {
            const uint32_t bx = 6 + b * 7, by = 6 + (i * 3 + b * 5) % 12;
            for (uint32_t y = by; y < by + 5; ++y)
                for (uint32_t x = bx; x < bx + 6; ++x)
                    town[y * 32 + x] = (x == bx || y == by || x == bx + 5 || y == by + 4) ? 58 : 63;
            town[(by + 4) * 32 + bx + 2] = 42;
            town[(by + 2) * 32 + bx + 2] = static_cast<uint8_t>(96 + (i + b) % 32);  // counter
        }
        // Tiles laid over another shape, and the signs of the town's trades.
        constexpr uint8_t kSpecials[] = {23, 25, 40, 43, 44, 61, 183, 190, 191, 194, 1, 2};
        for (uint32_t k = 0; k < sizeof kSpecials; ++k) {
            const uint32_t x = 4 + (k * 5 + i) % 24, y = 27 - (k * 3 + i * 2) % 22;
            town[y * 32 + x] = kSpecials[k];
        }
    }
    return file;
}

std::vector<uint8_t> people_bin()
{
    std::vector<uint8_t> file(17 * 256, 0);
    uint32_t next = 0;
    for (uint32_t i = 0; i < 17; ++i) {
        uint8_t* block = file.data() + i * 256;
        const uint32_t count = 4 + i % 6;
        for (uint32_t k = 0; k < count; ++k) {
            block[k] = kPeopleCodes[next++ % sizeof kPeopleCodes];
            block[32 + k] = static_cast<uint8_t>(6 + (k * 7 + i * 3) % 20);
            block[64 + k] = static_cast<uint8_t>(6 + (k * 5 + i) % 20);
        }
        // Bytes past the three arrays are not people: leave a pattern there.
        for (uint32_t b = 96; b < 256; ++b) block[b] = static_cast<uint8_t>(b ^ i);
    }
    return file;
}

std::vector<uint8_t> pc98_arvelon_fdi()
{
    return fdi_image(FloppyKind::k2HD1232K, fat12_image(FloppyKind::k2HD1232K, {{"OCSHAPE.PAT", pc98_ocshape_pat()}}, 0));
}

std::vector<uint8_t> pc98_morvane_fdi()
{
    return fdi_image(FloppyKind::k2HD1232K,
                     fat12_image(FloppyKind::k2HD1232K,
                                 {{"SWSHAPE.PAT", pc98_swshape_pat()},
                                  {"MAP.BIN", map_bin()},
                                  {"TOWNE.BIN", towne_bin()},
                                  {"PEOPLE.BIN", people_bin()}},
                                 0));
}

std::vector<uint8_t> x68k_arvelon_xdf()
{
    return fat12_image(FloppyKind::k2HD1232K, {{"SHAPE.PAT", x68k_shape_pat()}}, 0);
}

std::vector<uint8_t> x68k_morvane_xdf()
{
    return fat12_image(FloppyKind::k2HD1232K,
                       {{"MAP.BIN", map_bin()}, {"TOWNE.BIN", towne_bin()}, {"PEOPLE.BIN", people_bin()}}, 0);
}

}  // namespace sample
