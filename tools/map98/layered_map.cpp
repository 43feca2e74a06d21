// The layered world map composer. One pass over MAP.BIN in stored order, a
// row of chunks at a time; each band of tiles is then written picture row by
// picture row: whole tile rows are block copies, and only tiles that lie over
// another shape through the mask are chosen pixel by pixel.
#include "layered_map.h"

#include <cstdio>
#include <cstring>

#include "worldmap.h"

namespace {

// a * b into out; false when the product does not fit a size_t.
bool multiply(size_t a, size_t b, size_t* out)
{
    if (a != 0 && b > SIZE_MAX / a) return false;
    *out = a * b;
    return true;
}

// Sizes of one drawing, all in bytes.
struct Layout {
    size_t tile_row = 0;        // one pixel row of a tile
    size_t sheet_stride = 0;    // one pixel row of the sheet: 16 tiles
    size_t sheet_band = 0;      // one row of 16 shapes
    size_t picture_stride = 0;  // one pixel row of the picture: 256 tiles
    size_t picture_band = 0;    // one row of 256 tiles
    size_t shape_count = 0;     // shapes wholly inside the sheet buffer
    bool use_mask = false;
    size_t mask_stride = 0;     // one pixel row of the mask sheet
    size_t mask_band = 0;
    size_t mask_count = 0;      // shapes wholly inside the mask buffer
};

// Fills the layout; false when the buffers cannot hold what is to be drawn.
bool make_layout(Layout& layout, const Bitmap& bitmap, const ShapeSet& shapes,
                 const ShapeMask& mask)
{
    const uint32_t width = shapes.tile_width;
    const uint32_t height = shapes.tile_height;
    if (width == 0 || height == 0 || shapes.bytes_per_pixel == 0) return false;
    size_t picture_bytes = 0;
    if (!multiply(width, shapes.bytes_per_pixel, &layout.tile_row) ||
        !multiply(layout.tile_row, 16, &layout.sheet_stride) ||
        !multiply(layout.sheet_stride, height, &layout.sheet_band) ||
        !multiply(layout.tile_row, kWorldTiles, &layout.picture_stride) ||
        !multiply(layout.picture_stride, height, &layout.picture_band) ||
        !multiply(layout.picture_band, kWorldTiles, &picture_bytes))
        return false;
    if (bitmap.pixels.size() < picture_bytes) return false;
    layout.shape_count = shapes.pixels.size() / layout.sheet_band * 16;

    // The mask is one byte per pixel with the shapes' tile size; a mask of
    // another geometry cannot be laid over them and counts as none.
    layout.use_mask = !mask.pixels.empty() && mask.tile_width == width &&
                      mask.tile_height == height && mask.bytes_per_pixel == 1;
    if (layout.use_mask) {
        layout.mask_stride = static_cast<size_t>(width) * 16;
        layout.mask_band = layout.mask_stride * height;  // not above sheet_band
        layout.mask_count = mask.pixels.size() / layout.mask_band * 16;
    }
    return true;
}

// Copies one tile row. Rows are short (32 or 36 bytes with the game's
// shapes), so fixed-size pieces that the compiler turns into plain moves beat
// a library call per row.
inline void copy_row(uint8_t* out, const uint8_t* in, size_t bytes)
{
    while (bytes >= 16) {
        std::memcpy(out, in, 16);
        out += 16;
        in += 16;
        bytes -= 16;
    }
    if (bytes >= 8) {
        std::memcpy(out, in, 8);
        out += 8;
        in += 8;
        bytes -= 8;
    }
    if (bytes >= 4) {
        std::memcpy(out, in, 4);
        out += 4;
        in += 4;
        bytes -= 4;
    }
    while (bytes-- > 0) *out++ = *in++;
}

// One row of one-byte pixels through the mask, eight at a time without
// branches (the mask changes too often for a branch to pay): each mask byte
// is folded to its lowest bit (non-zero or not) and widened to 0x00 or 0xFF.
inline void draw_masked_row(uint8_t* out, const uint8_t* over, const uint8_t* under,
                            const uint8_t* through, uint32_t width)
{
    constexpr uint64_t kLow = 0x0101010101010101u;
    uint32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        uint64_t m, a, b;
        std::memcpy(&m, through + x, 8);
        std::memcpy(&a, over + x, 8);
        std::memcpy(&b, under + x, 8);
        m |= (m >> 4) & 0x0F0F0F0F0F0F0F0Fu;
        m |= (m >> 2) & 0x3333333333333333u;
        m |= (m >> 1) & 0x7777777777777777u;
        const uint64_t select = (m & kLow) * 0xFF;
        const uint64_t r = (a & ~select) | (b & select);
        std::memcpy(out + x, &r, 8);
    }
    for (; x < width; ++x) out[x] = through[x] ? under[x] : over[x];
}

// Where one tile's pixels come from, resolved once per tile: the shape's
// first row in the sheet, and for a tile laid over another through the mask
// the beneath shape's first row and the mask's. A null shape leaves the tile
// blank (a shape that the sheet does not hold).
struct TileSource {
    const uint8_t* shape = nullptr;
    const uint8_t* beneath = nullptr;
    const uint8_t* mask = nullptr;
};

TileSource resolve_tile(const LayeredTile& tile, const Layout& layout, const ShapeSet& shapes,
                        const ShapeMask& mask)
{
    TileSource source;
    if (tile.shape >= layout.shape_count) return source;
    source.shape = shapes.pixels.data() + (tile.shape / 16) * layout.sheet_band +
                   (tile.shape % 16) * layout.tile_row;
    if (layout.use_mask && tile.beneath != kNoBeneath && tile.beneath < layout.shape_count &&
        tile.shape < layout.mask_count) {
        source.beneath = shapes.pixels.data() + (tile.beneath / 16) * layout.sheet_band +
                         (tile.beneath % 16) * layout.tile_row;
        source.mask = mask.pixels.data() + (tile.shape / 16) * layout.mask_band +
                      (tile.shape % 16) * (layout.mask_stride / 16);
    }
    return source;
}

// Pixel row `line` of one tile: copied whole, or pixel by pixel from the
// shape where its mask byte is 0 and from the shape beneath elsewhere.
inline void draw_tile_row(uint8_t* out, const TileSource& source, uint32_t line,
                          const Layout& layout, uint32_t width, uint32_t bytes_per_pixel)
{
    if (!source.shape) {
        std::memset(out, 0, layout.tile_row);
        return;
    }
    const uint8_t* over = source.shape + line * layout.sheet_stride;
    if (!source.mask) {
        copy_row(out, over, layout.tile_row);
        return;
    }
    const uint8_t* under = source.beneath + line * layout.sheet_stride;
    const uint8_t* through = source.mask + line * layout.mask_stride;
    if (bytes_per_pixel == 1) {
        draw_masked_row(out, over, under, through, width);
        return;
    }
    for (uint32_t x = 0; x < width; ++x) {
        const size_t at = static_cast<size_t>(x) * bytes_per_pixel;
        std::memcpy(out + at, (through[x] ? under : over) + at, bytes_per_pixel);
    }
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

void draw_layered_world_map(Bitmap& bitmap, const ShapeSet& shapes, const ShapeMask& mask,
                            std::span<const uint8_t> map, uint32_t gates, int balloon,
                            int no_shores)
{
    Layout layout;
    if (map.size() < kWorldMapBytes || !make_layout(layout, bitmap, shapes, mask)) return;
    const uint32_t width = shapes.tile_width;
    const uint32_t height = shapes.tile_height;
    const uint32_t bytes_per_pixel = shapes.bytes_per_pixel;
    constexpr uint32_t kEdge = kLayeredChunkEdge;
    constexpr uint32_t kChunks = kWorldTiles / kEdge;

    // The map is read in its stored order, a row of chunks (16 rows of
    // tiles) at a time, so that warnings come in that order; each band of
    // 16 tile rows is then drawn picture row by picture row, which writes the
    // picture front to back.
    LayeredTile band[kEdge][kWorldTiles];
    TileSource sources[kWorldTiles];
    size_t index = 0;
    for (uint32_t cy = 0; cy < kChunks; ++cy) {
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
                    band[ty][x] = tile;
                }

        for (uint32_t ty = 0; ty < kEdge; ++ty) {
            for (uint32_t x = 0; x < kWorldTiles; ++x)
                sources[x] = resolve_tile(band[ty][x], layout, shapes, mask);
            uint8_t* rows = bitmap.pixels.data() + (cy * kEdge + ty) * layout.picture_band;
            for (uint32_t line = 0; line < height; ++line) {
                uint8_t* out = rows + line * layout.picture_stride;
                for (uint32_t x = 0; x < kWorldTiles; ++x, out += layout.tile_row)
                    draw_tile_row(out, sources[x], line, layout, width, bytes_per_pixel);
            }
        }
    }
}
