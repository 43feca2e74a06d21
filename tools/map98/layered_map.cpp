// The layered world map composer. The map is translated whole first, in its
// stored order, so that the warnings come in that order before anything is
// written; bands of tile rows are then drawn picture row by picture row:
// plain tile rows are copies, and tiles over another shape through the mask
// a bitwise select of two rows.
#include "layered_map.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "worldmap.h"

namespace {

// Where one tile's rows come from: the shape's first row, and for a tile laid
// over another through the mask the beneath shape's and the mask's. A null
// shape leaves the tile blank (a shape that the sheet does not hold).
struct TileSource {
    const uint8_t* shape = nullptr;
    const uint8_t* beneath = nullptr;
    const uint8_t* mask = nullptr;
};

TileSource resolve_tile(const LayeredTile& tile, const TileSheet& sheet)
{
    TileSource source;
    if (tile.shape >= sheet.shape_count) return source;
    source.shape = sheet.pixels + tile_sheet_offset(sheet, tile.shape, 0);
    if (!sheet.mask.empty() && tile.beneath != kNoBeneath && tile.beneath < sheet.shape_count &&
        tile.shape < sheet.mask_count) {
        source.beneath = sheet.pixels + tile_sheet_offset(sheet, tile.beneath, 0);
        source.mask = sheet.mask.data() + tile_sheet_offset(sheet, tile.shape, 0);
    }
    return source;
}

}  // namespace

int layered_translate(LayeredTile& tile, uint8_t value, int no_shores)
{
    tile.shape = value;
    tile.beneath = kNoBeneath;
    switch (value) {
    case 23:
    case 25: tile.beneath = 0; return 0;
    case 49:
    case 50:
    case 51:
    case 52: tile.beneath = 2; return 0;
    case 55:
    case 61: tile.beneath = 4; return 0;
    case 56:
    case 60: tile.beneath = 62; return 0;
    default: break;
    }
    if (value >= kFirstShoreByte && value <= kLastShoreByte) {
        const uint32_t code = value - kFirstShoreByte;
        if (no_shores) {
            tile.shape = code / kShoreShapes;
        } else {
            tile.shape = kFirstShoreShape + code % kShoreShapes;
            tile.beneath = code / kShoreShapes;
        }
        return 0;
    }
    if (value >= 128) {
        tile.shape = kIllegalTileShape;
        return -1;
    }
    return 0;
}

bool layered_mask_fits(const ShapeSet& shapes, const ShapeMask& mask)
{
    return !mask.pixels.empty() && mask.tile_width == shapes.tile_width &&
           mask.tile_height == shapes.tile_height && mask.bytes_per_pixel == 1;
}

void layered_plan(std::vector<LayeredTile>& plan, std::span<const uint8_t> map, uint32_t gates, int balloon,
                  int no_shores)
{
    constexpr uint32_t kEdge = kLayeredChunkEdge;
    constexpr uint32_t kChunks = kWorldTiles / kEdge;
    plan.assign(size_t{kWorldTiles} * kWorldTiles, LayeredTile{});
    size_t index = 0;
    for (uint32_t cy = 0; cy < kChunks; ++cy)
        for (uint32_t cx = 0; cx < kChunks; ++cx)
            for (uint32_t ty = 0; ty < kEdge; ++ty)
                for (uint32_t tx = 0; tx < kEdge; ++tx) {
                    const uint32_t x = cx * kEdge + tx;
                    const uint32_t y = cy * kEdge + ty;
                    const uint8_t value = map[index++];
                    LayeredTile tile;
                    if (layered_translate(tile, value, no_shores) < 0)
                        std::printf("warning: illegal data (%d,%d) = %02X\n", static_cast<int>(x),
                                    static_cast<int>(y), static_cast<unsigned>(value));
                    if (world_gate_at(gates, x, y)) {
                        tile.beneath = tile.shape;
                        tile.shape = kMoonGateShape;
                    }
                    if (balloon && x == kBalloonSite.x && y == kBalloonSite.y) {
                        tile.beneath = tile.shape;
                        tile.shape = kBalloonShape;
                    }
                    plan[size_t{y} * kWorldTiles + x] = tile;
                }
}

void layered_draw_rows(const TileSheet& sheet, std::span<const LayeredTile> plan, uint32_t first, uint32_t count,
                       uint8_t* top, ptrdiff_t stride)
{
    const size_t tile_bytes = sheet.tile_bytes;
    // Every tile row is first copied as the shape's own row; the few tiles
    // that are blank or lie over another shape are then redrawn.
    const uint8_t* shapes[kWorldTiles];
    TileSource special[kWorldTiles];
    uint32_t special_at[kWorldTiles];
    uint8_t* row = top;
    for (uint32_t y = first; y < first + count; ++y) {
        uint32_t specials = 0;
        for (uint32_t x = 0; x < kWorldTiles; ++x) {
            const TileSource source = resolve_tile(plan[size_t{y} * kWorldTiles + x], sheet);
            shapes[x] = source.shape ? source.shape : sheet.pixels;
            if (!source.shape || source.mask) {
                special[specials] = source;
                special_at[specials++] = x;
            }
        }
        for (uint32_t line = 0; line < sheet.lines; ++line, row += stride) {
            const size_t at = line * sheet.line_stride;
            copy_tile_rows(row, shapes, kWorldTiles, at, tile_bytes);
            for (uint32_t k = 0; k < specials; ++k) {
                const TileSource& source = special[k];
                uint8_t* out = row + special_at[k] * tile_bytes;
                if (!source.shape) std::memset(out, 0, tile_bytes);
                else select_row(out, source.shape + at, source.beneath + at, source.mask + at, tile_bytes);
            }
        }
    }
}

int layered_map_write(RowSink& sink, const TileSheet& sheet, std::span<const LayeredTile> plan)
{
    return world_bands_write(sink, sheet, [&](uint32_t first, uint32_t count, uint8_t* top, ptrdiff_t stride) {
        layered_draw_rows(sheet, plan, first, count, top, stride);
    });
}

void draw_layered_world_map(Bitmap& bitmap, const ShapeSet& shapes, const ShapeMask& mask,
                            std::span<const uint8_t> map, uint32_t gates, int balloon, int no_shores)
{
    const size_t tile_row = size_t{shapes.tile_width} * shapes.bytes_per_pixel;
    if (map.size() < kWorldMapBytes || tile_row == 0 || shapes.tile_height == 0) return;
    // The picture must hold 256 x 256 tiles.
    const size_t picture_stride = tile_row * kWorldTiles;
    if (bitmap.pixels.size() / picture_stride / shapes.tile_height < kWorldTiles) return;
    std::vector<LayeredTile> plan;
    layered_plan(plan, map, gates, balloon, no_shores);
    TileSheet sheet;
    tile_sheet_prepare(sheet, shapes, layered_mask_fits(shapes, mask) ? &mask : nullptr, false);
    layered_draw_rows(sheet, plan, 0, kWorldTiles, bitmap.pixels.data(), static_cast<ptrdiff_t>(picture_stride));
}
