// The layered world map composer. One pass over MAP.BIN in stored order; each
// tile is copied row by row, whole rows with memcpy, and pixel by pixel only
// where a shape lies over another one through the mask.
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

void draw_blank_tile(uint8_t* target, const Layout& layout, uint32_t height)
{
    for (uint32_t line = 0; line < height; ++line)
        std::memset(target + line * layout.picture_stride, 0, layout.tile_row);
}

void draw_whole_tile(uint8_t* target, const uint8_t* shape, const Layout& layout,
                     uint32_t height)
{
    for (uint32_t line = 0; line < height; ++line)
        std::memcpy(target + line * layout.picture_stride, shape + line * layout.sheet_stride,
                    layout.tile_row);
}

// Each pixel from the shape where its mask byte is 0, else from the shape beneath.
void draw_masked_tile(uint8_t* target, const uint8_t* shape, const uint8_t* beneath,
                      const uint8_t* mask, const Layout& layout, uint32_t width,
                      uint32_t height, uint32_t bytes_per_pixel)
{
    for (uint32_t line = 0; line < height; ++line) {
        uint8_t* out = target + line * layout.picture_stride;
        const uint8_t* over = shape + line * layout.sheet_stride;
        const uint8_t* under = beneath + line * layout.sheet_stride;
        const uint8_t* through = mask + line * layout.mask_stride;
        if (bytes_per_pixel == 1) {
            for (uint32_t x = 0; x < width; ++x) out[x] = through[x] ? under[x] : over[x];
            continue;
        }
        for (uint32_t x = 0; x < width; ++x) {
            const size_t at = static_cast<size_t>(x) * bytes_per_pixel;
            std::memcpy(out + at, (through[x] ? under : over) + at, bytes_per_pixel);
        }
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
    const uint32_t chunks = kWorldTiles / kLayeredChunkEdge;

    size_t index = 0;
    for (uint32_t cy = 0; cy < chunks; ++cy)
        for (uint32_t cx = 0; cx < chunks; ++cx)
            for (uint32_t ty = 0; ty < kLayeredChunkEdge; ++ty)
                for (uint32_t tx = 0; tx < kLayeredChunkEdge; ++tx) {
                    const uint32_t x = cx * kLayeredChunkEdge + tx;
                    const uint32_t y = cy * kLayeredChunkEdge + ty;
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

                    uint8_t* target =
                        bitmap.pixels.data() + y * layout.picture_band + x * layout.tile_row;
                    if (tile.shape >= layout.shape_count) {
                        draw_blank_tile(target, layout, height);
                        continue;
                    }
                    const uint8_t* shape = shapes.pixels.data() +
                                           (tile.shape / 16) * layout.sheet_band +
                                           (tile.shape % 16) * layout.tile_row;
                    if (layout.use_mask && tile.beneath != kNoBeneath &&
                        tile.beneath < layout.shape_count && tile.shape < layout.mask_count) {
                        const uint8_t* beneath = shapes.pixels.data() +
                                                 (tile.beneath / 16) * layout.sheet_band +
                                                 (tile.beneath % 16) * layout.tile_row;
                        const uint8_t* through = mask.pixels.data() +
                                                 (tile.shape / 16) * layout.mask_band +
                                                 (tile.shape % 16) * static_cast<size_t>(width);
                        draw_masked_tile(target, shape, beneath, through, layout, width, height,
                                         bytes_per_pixel);
                    } else {
                        draw_whole_tile(target, shape, layout, height);
                    }
                }
}
