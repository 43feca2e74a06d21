// Composing one town: tile bytes become shapes (some laid over a beneath
// shape through the mask) and the town's people stand on top of their tiles.
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>

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

}  // namespace

bool town_shapes_fit(const ShapeSet& shapes, const ShapeMask& mask)
{
    if (shapes.tile_width == 0 || shapes.tile_height == 0) return false;
    if (shapes.bytes_per_pixel < 1 || shapes.bytes_per_pixel > 4) return false;
    size_t needed = 0;
    if (!tiles_bytes(kTownShapeCount, shapes, shapes.bytes_per_pixel, &needed) || shapes.pixels.size() < needed)
        return false;
    return mask.pixels.empty() ||
           (tiles_bytes(kTownShapeCount, shapes, 1, &needed) && mask.pixels.size() >= needed);
}

void town_plan(std::span<TownTile, kTownTiles> plan, std::span<const uint8_t> town, int no_npcs, bool has_mask)
{
    const std::span<const uint8_t> tiles = town.first(kTownMapBytes);
    const std::span<const uint8_t> people = town.subspan(kTownMapBytes, kTownPeopleBytes);
    for (uint32_t y = 0; y < kTownTilesDown; ++y) {
        for (uint32_t x = 0; x < kTownTilesAcross; ++x) {
            const uint8_t v = tiles[y * kTownTilesAcross + x];
            const TileShapes& shapes = kTileTable[v];
            if (shapes.warn) std::printf("warning: map (%d,%d) = %02X\n", static_cast<int>(x), static_cast<int>(y), v);
            TownTile& tile = plan[y * kTownTilesAcross + x];
            tile.shape = static_cast<int16_t>(shapes.shape);
            // Without a mask nothing shows through a shape.
            tile.beneath = has_mask ? static_cast<int16_t>(shapes.beneath) : kTownNone;
            tile.person = kTownNone;
            if (no_npcs) continue;
            const int k = find_person(people, x, y);
            if (k == kNone) continue;
            const uint8_t code = people[kPeopleCodeOffset + static_cast<size_t>(k)];
            const PersonShape& ps = kPersonTable[code];
            if (ps.warn) std::printf("warning: npc (%d,%d) = %02X\n", static_cast<int>(x), static_cast<int>(y), code);
            tile.person = static_cast<int16_t>(ps.shape);
        }
    }
}

void town_draw_rows(const TileSheet& sheet, std::span<const TownTile, kTownTiles> plan, uint32_t first,
                    uint32_t count, uint8_t* top, ptrdiff_t stride)
{
    const size_t tile_bytes = sheet.tile_bytes;
    const bool has_mask = !sheet.mask.empty();
    // Every tile row is first copied as the shape's own row (a person's
    // without a mask); the tiles with layers are then redrawn.
    const uint8_t* shapes[kTownTilesAcross];
    uint32_t layered[kTownTilesAcross];
    uint8_t* row = top;
    for (uint32_t y = first; y < first + count; ++y) {
        const TownTile* tiles = plan.data() + y * kTownTilesAcross;
        uint32_t layers = 0;
        for (uint32_t x = 0; x < kTownTilesAcross; ++x) {
            const TownTile& tile = tiles[x];
            const bool whole_person = tile.person != kTownNone && !has_mask;
            shapes[x] = sheet.pixels +
                        tile_sheet_offset(sheet, static_cast<uint32_t>(whole_person ? tile.person : tile.shape), 0);
            if (has_mask && (tile.person != kTownNone || tile.beneath != kTownNone)) layered[layers++] = x;
        }
        for (uint32_t line = 0; line < sheet.lines; ++line, row += stride) {
            const size_t at = line * sheet.line_stride;
            copy_tile_rows(row, shapes, kTownTilesAcross, at, tile_bytes);
            // Person over tile shape over beneath shape, each where the mask
            // of the layer above lets it through.
            for (uint32_t k = 0; k < layers; ++k) {
                const TownTile& tile = tiles[layered[k]];
                uint8_t* out = row + layered[k] * tile_bytes;
                if (tile.beneath != kTownNone) {
                    const auto own = static_cast<uint32_t>(tile.shape);
                    const size_t beneath = tile_sheet_offset(sheet, static_cast<uint32_t>(tile.beneath), line);
                    const size_t mask = tile_sheet_offset(sheet, own, line);
                    select_row(out, out, sheet.pixels + beneath, sheet.mask.data() + mask, tile_bytes);
                }
                if (tile.person != kTownNone) {
                    const size_t person = tile_sheet_offset(sheet, static_cast<uint32_t>(tile.person), line);
                    select_row(out, sheet.pixels + person, out, sheet.mask.data() + person, tile_bytes);
                }
            }
        }
    }
}

int town_map_write(RowSink& sink, const TileSheet& sheet, std::span<const TownTile, kTownTiles> plan, BandBuffer& band)
{
    // One band: the whole town, or the tile rows of a part of it.
    const uint32_t most = kTownTilesDown * sheet.lines;
    if (band.rows.size() != sink.row_stride * most && band_buffer_init(band, sink, most, sheet.is_packed) < 0)
        throw std::bad_alloc();
    const RowBand tiles = row_sink_band(sink, 0, kTownTilesDown, kTownTilesDown);
    const uint32_t rows = tiles.count * sheet.lines;
    ptrdiff_t stride = 0;
    uint8_t* top = band_buffer_target(band, sink, rows, &stride);
    town_draw_rows(sheet, plan, tiles.first, tiles.count, top, stride);
    return band_buffer_write(band, sink, rows);
}

int draw_town_map(Bitmap& bitmap, const ShapeSet& shapes, const ShapeMask& mask, std::span<const uint8_t> town,
                  int no_npcs)
{
    size_t picture = 0;
    if (town.size() < kTownRecordBytes || !town_shapes_fit(shapes, mask) ||
        !tiles_bytes(kTownTiles, shapes, shapes.bytes_per_pixel, &picture) || bitmap.pixels.size() < picture)
        return -1;
    std::array<TownTile, kTownTiles> plan;
    town_plan(plan, town, no_npcs, !mask.pixels.empty());
    TileSheet sheet;
    tile_sheet_prepare(sheet, shapes, mask.pixels.empty() ? nullptr : &mask, false);
    town_draw_rows(sheet, plan, 0, kTownTilesDown, bitmap.pixels.data(),
                   static_cast<ptrdiff_t>(size_t{shapes.tile_width} * shapes.bytes_per_pixel * kTownTilesAcross));
    return 0;
}
