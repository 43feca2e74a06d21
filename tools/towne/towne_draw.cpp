// Composing one town: tile bytes become shapes (some laid over a beneath
// shape through the mask) and the town's people stand on top of their tiles.
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>

#include "towne.h"

namespace {

constexpr int kNone = -1;

struct TileShapes {
    int shape;
    int beneath;  // kNone: nothing beneath
    bool warn;    // unknown byte: drawn as shape 126 after a warning
};

// The tile bytes that do not stand for their own shape.
struct TileRule {
    uint8_t byte;
    int16_t shape;
    int16_t beneath;
};

constexpr TileRule kTileRules[] = {
    {23, 23, 0},   {25, 25, 0},   {40, 48, kNone}, {43, 51, 2},   {44, 52, 2},
    {61, 61, 4},   {183, 56, 62}, {190, 60, 62},   {191, 188, 62}, {194, 55, 4},
};

constexpr int kUnknownTileShape = 126;

constexpr std::array<TileShapes, 256> make_tile_table()
{
    std::array<TileShapes, 256> table{};
    for (int v = 0; v < 256; ++v) {
        if (v > 127) table[v] = {kUnknownTileShape, kNone, true};
        else table[v] = {v, kNone, false};
    }
    for (const TileRule& rule : kTileRules) table[rule.byte] = {rule.shape, rule.beneath, false};
    return table;
}

constexpr std::array<TileShapes, 256> kTileTable = make_tile_table();

// Person codes above 32 that name another shape (or keep their own quietly).
struct PersonRule {
    uint8_t code;
    int16_t shape;
};

constexpr PersonRule kPersonRules[] = {
    {33, 34},   {34, 36},   {35, 38},   {36, 40},   {37, 44},   {38, 42},   {39, 46},
    {61, 61},   {64, 80},   {65, 82},   {66, 84},   {67, 86},   {75, 75},   {77, 88},
    {78, 90},   {79, 92},   {80, 94},   {132, 132}, {134, 136}, {135, 138}, {141, 156},
    {143, 164}, {146, 176}, {150, 192}, {151, 196}, {152, 200}, {153, 204}, {158, 224},
    {162, 240}, {165, 252}, {183, 56},
};

struct PersonShape {
    int shape;
    bool warn;  // code not in the table: drawn unchanged after a warning
};

constexpr std::array<PersonShape, 256> make_person_table()
{
    std::array<PersonShape, 256> table{};
    for (int p = 0; p < 256; ++p) table[p] = {p, p > 32};
    for (const PersonRule& rule : kPersonRules) table[rule.code] = {rule.shape, false};
    return table;
}

constexpr std::array<PersonShape, 256> kPersonTable = make_person_table();

// a * b into *out unless the product overflows size_t.
bool mul_size(size_t a, size_t b, size_t* out)
{
    if (a != 0 && b > std::numeric_limits<size_t>::max() / a) return false;
    *out = a * b;
    return true;
}

// Bytes of a sheet of 16 x 16 shapes (or of a 32 x 32 tile picture): `tiles`
// tiles of tile_width x tile_height pixels at bytes_per_pixel.
bool tiles_bytes(size_t tiles, const ShapeSet& shapes, size_t bytes_per_pixel, size_t* out)
{
    size_t tile_pixels = 0;
    size_t tile_bytes = 0;
    return mul_size(shapes.tile_width, shapes.tile_height, &tile_pixels) &&
           mul_size(tile_pixels, bytes_per_pixel, &tile_bytes) && mul_size(tile_bytes, tiles, out);
}

bool geometry_fits(const Bitmap& bitmap, const ShapeSet& shapes, const ShapeMask& mask)
{
    if (shapes.tile_width == 0 || shapes.tile_height == 0) return false;
    if (shapes.bytes_per_pixel < 1 || shapes.bytes_per_pixel > 4) return false;
    size_t needed = 0;
    if (!tiles_bytes(kTownShapeCount, shapes, shapes.bytes_per_pixel, &needed) ||
        shapes.pixels.size() < needed)
        return false;
    if (!mask.pixels.empty() &&
        (!tiles_bytes(kTownShapeCount, shapes, 1, &needed) || mask.pixels.size() < needed))
        return false;
    return tiles_bytes(static_cast<size_t>(kTownTilesAcross) * kTownTilesDown, shapes,
                       shapes.bytes_per_pixel, &needed) &&
           bitmap.pixels.size() >= needed;
}

// The first person standing on (x, y), or kNone.
int find_person(std::span<const uint8_t> people, uint32_t x, uint32_t y)
{
    for (uint32_t k = 0; k < kTownPeople; ++k) {
        if (people[kPeopleCodeOffset + k] != 0 && people[kPeopleColumnOffset + k] == x &&
            people[kPeopleRowOffset + k] == y)
            return static_cast<int>(k);
    }
    return kNone;
}

// Byte offset of pixel row `line` of shape n in the one-byte-per-pixel mask.
size_t mask_row_offset(const ShapeSet& shapes, uint32_t shape, uint32_t line)
{
    const size_t sheet_row = static_cast<size_t>(shape / 16) * shapes.tile_height + line;
    return sheet_row * 16 * shapes.tile_width + static_cast<size_t>(shape % 16) * shapes.tile_width;
}

}  // namespace

int draw_town_map(Bitmap& bitmap, const ShapeSet& shapes, const ShapeMask& mask,
                  std::span<const uint8_t> town, int no_npcs)
{
    if (town.size() < kTownRecordBytes || !geometry_fits(bitmap, shapes, mask)) return -1;

    const std::span<const uint8_t> tiles = town.first(kTownMapBytes);
    const std::span<const uint8_t> people = town.subspan(kTownMapBytes, kTownPeopleBytes);
    const bool has_mask = !mask.pixels.empty();
    const size_t bpp = shapes.bytes_per_pixel;
    const size_t tile_row_bytes = static_cast<size_t>(shapes.tile_width) * bpp;
    const size_t picture_row_bytes = tile_row_bytes * kTownTilesAcross;
    const uint8_t* sheet = shapes.pixels.data();
    const uint8_t* mask_sheet = has_mask ? mask.pixels.data() : nullptr;

    for (uint32_t y = 0; y < kTownTilesDown; ++y) {
        for (uint32_t x = 0; x < kTownTilesAcross; ++x) {
            const uint8_t v = tiles[y * kTownTilesAcross + x];
            const TileShapes& tile = kTileTable[v];
            if (tile.warn) std::printf("warning: map (%d,%d) = %02X\n", static_cast<int>(x), static_cast<int>(y), v);

            int person = kNone;
            if (!no_npcs) {
                const int k = find_person(people, x, y);
                if (k != kNone) {
                    const uint8_t code = people[kPeopleCodeOffset + static_cast<size_t>(k)];
                    const PersonShape& ps = kPersonTable[code];
                    if (ps.warn)
                        std::printf("warning: npc (%d,%d) = %02X\n", static_cast<int>(x), static_cast<int>(y), code);
                    person = ps.shape;
                }
            }
            const bool use_beneath = has_mask && tile.beneath != kNone;
            const auto s = static_cast<uint32_t>(tile.shape);

            for (uint32_t line = 0; line < shapes.tile_height; ++line) {
                uint8_t* out = bitmap.pixels.data() +
                               (static_cast<size_t>(y) * shapes.tile_height + line) * picture_row_bytes +
                               x * tile_row_bytes;
                const uint8_t* own = sheet + shape_row_offset(shapes, s, line);
                if (person == kNone && !use_beneath) {
                    std::memcpy(out, own, tile_row_bytes);
                    continue;
                }
                if (person != kNone && !has_mask) {
                    std::memcpy(out, sheet + shape_row_offset(shapes, static_cast<uint32_t>(person), line),
                                tile_row_bytes);
                    continue;
                }
                const uint8_t* own_mask = mask_sheet + mask_row_offset(shapes, s, line);
                const uint8_t* below =
                    use_beneath ? sheet + shape_row_offset(shapes, static_cast<uint32_t>(tile.beneath), line)
                                : nullptr;
                const uint8_t* top = nullptr;
                const uint8_t* top_mask = nullptr;
                if (person != kNone) {
                    top = sheet + shape_row_offset(shapes, static_cast<uint32_t>(person), line);
                    top_mask = mask_sheet + mask_row_offset(shapes, static_cast<uint32_t>(person), line);
                }
                for (uint32_t c = 0; c < shapes.tile_width; ++c) {
                    const uint8_t* from = own + c * bpp;
                    if (top && top_mask[c] == 0) from = top + c * bpp;
                    else if (below && own_mask[c] != 0) from = below + c * bpp;
                    std::memcpy(out + c * bpp, from, bpp);
                }
            }
        }
    }
    return 0;
}
