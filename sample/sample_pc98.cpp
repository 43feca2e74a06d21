// PC-98 and X68000 sample data: pattern files, MAP.BIN and the floppy images
// that carry them with the towns of sample_towns.cpp.
#include "fat12_writer.h"
#include "pattern_tables.h"
#include "sample_containers.h"
#include "sample_paint.h"
#include "sample_ports.h"
#include "sample_world.h"

namespace sample {

namespace {

bool four_planes(uint32_t n)
{
    return n < kPc98Shapes && pc98_pattern_table[n].planes == 4;
}

bool has_pattern(uint32_t n, uint32_t size)
{
    if (size == kPc98TileSize) return n < kPc98Shapes && pc98_pattern_table[n].file != Pc98PatternFile::kNone;
    return n < kX68kShapes && x68k_pattern_table[n] >= 0;
}

// The colours of the shape palette (0 black, 1 blue, 2 red, 3 magenta,
// 4 green, 5 cyan, 6 yellow, 7 white) that draw each ink, as a pattern of
// 2 x 2 pixels: top left, top right, bottom left, bottom right.
constexpr uint8_t kInkPatterns[kInkCount][4] = {
    {0, 0, 0, 0},  // clear
    {0, 0, 0, 0},  // black
    {1, 0, 0, 1},  // navy
    {1, 1, 1, 1},  // blue
    {5, 1, 1, 5},  // sky
    {7, 5, 5, 7},  // foam
    {7, 7, 7, 7},  // white
    {4, 0, 0, 4},  // dark green
    {4, 4, 0, 4},  // green
    {4, 6, 4, 4},  // light green
    {4, 2, 2, 4},  // olive
    {2, 0, 0, 6},  // brown
    {6, 2, 7, 6},  // tan
    {7, 0, 0, 7},  // grey
    {7, 0, 0, 0},  // dark grey
    {2, 2, 2, 2},  // red
    {2, 6, 6, 2},  // orange
    {6, 6, 6, 6},  // yellow
    {3, 1, 1, 3},  // violet
    {7, 6, 2, 7},  // skin
};

uint8_t ink_colour(Ink ink, uint32_t x, uint32_t y)
{
    return kInkPatterns[ink][(y % 2) * 2 + x % 2];
}

// The colour index that the pattern files give a pixel: where a shape stored
// with four planes is clear, the colour of its ground with the transparent
// bit (8).
uint8_t draw_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t size)
{
    if (!has_pattern(n, size)) return 0;
    const Ink ink = shape_ink(n, x, y, size, size);
    if (ink != kClear) return ink_colour(ink, x, y);
    const uint8_t ground = ink_colour(solid_ink(shape_ground(n), x, y, size, size), x, y);
    return four_planes(n) ? static_cast<uint8_t>(ground | 8) : ground;
}

std::vector<uint8_t> draw_sheet(uint32_t size, uint32_t shapes)
{
    std::vector<uint8_t> sheet(static_cast<size_t>(shapes) * size * size);
    for (uint32_t n = 0; n < shapes; ++n)
        for (uint32_t y = 0; y < size; ++y)
            for (uint32_t x = 0; x < size; ++x) sheet[(static_cast<size_t>(n) * size + y) * size + x] = draw_pixel(n, x, y, size);
    return sheet;
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

// A water tile beside land becomes a shore byte, 195 + 15 w + s: shore
// shape s (land along the sides s + 1) over water shape w.
uint8_t map_byte(const std::vector<uint8_t>& tiles, uint32_t x, uint32_t y)
{
    const uint8_t t = tiles[y * kWorldSize + x];
    if (!open_water(t)) return t;
    auto land = [&](uint32_t xx, uint32_t yy) {
        return xx < kWorldSize && yy < kWorldSize && shore_land(tiles[yy * kWorldSize + xx]);
    };
    const uint32_t sides = (land(x, y - 1) ? tile::kNorth : 0u) | (land(x + 1, y) ? tile::kEast : 0u) |
                           (land(x, y + 1) ? tile::kSouth : 0u) | (land(x - 1, y) ? tile::kWest : 0u);
    return sides ? static_cast<uint8_t>(195 + 15 * t + sides - 1) : t;
}

}  // namespace

uint8_t port_shape_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t size)
{
    if (size == kPc98TileSize && n < kPc98Shapes) {
        static const std::vector<uint8_t> sheet = draw_sheet(kPc98TileSize, kPc98Shapes);
        return sheet[(static_cast<size_t>(n) * size + y) * size + x];
    }
    if (size == kX68kTileSize && n < kX68kShapes) {
        static const std::vector<uint8_t> sheet = draw_sheet(kX68kTileSize, kX68kShapes);
        return sheet[(static_cast<size_t>(n) * size + y) * size + x];
    }
    return draw_pixel(n, x, y, size);
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
    const std::vector<uint8_t>& tiles = world_tiles();
    std::vector<uint8_t> bytes(kWorldSize * kWorldSize);
    for (uint32_t y = 0; y < kWorldSize; ++y)
        for (uint32_t x = 0; x < kWorldSize; ++x) bytes[y * kWorldSize + x] = map_byte(tiles, x, y);
    return chunked_map(bytes, 16);
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
