// The layered world map of the PC-98 and X68000 ports: MAP.BIN bytes are
// translated into a shape and a shape beneath it, shores are shore shapes laid
// over water, and the moon gates and the balloon are laid over their tiles.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "bitmap.h"
#include "row_sink.h"
#include "tile_sheet.h"

// MAP.BIN is stored in chunks of 16 x 16 tiles.
constexpr uint32_t kLayeredChunkEdge = 16;

// Shape drawn for a byte that names no tile.
constexpr uint32_t kIllegalTileShape = 126;

// Shore bytes 195..239 encode 195 + 15 * w + s: shore shape 273 + s over water w.
constexpr uint32_t kFirstShoreByte = 195;
constexpr uint32_t kLastShoreByte = 239;
constexpr uint32_t kFirstShoreShape = 273;
constexpr uint32_t kShoreShapes = 15;

// Beneath value of a tile drawn alone.
constexpr uint32_t kNoBeneath = 0xFFFFFFFFu;

// What one tile shows: its shape and the shape beneath it (or kNoBeneath).
struct LayeredTile {
    uint32_t shape = 0;
    uint32_t beneath = kNoBeneath;
};

// Translates one map byte. Returns 0, or -1 for a byte that names no tile
// (the tile then shows kIllegalTileShape alone); prints nothing.
[[nodiscard]] int layered_translate(LayeredTile& tile, uint8_t value, int no_shores);

// Draws the 256 x 256 tiles of map (65,536 bytes, chunks of 16 x 16) into
// bitmap, whose pixels hold (256 x tile width) x (256 x tile height) pixels at
// the shapes' bytes per pixel. Where the mask has pixels, a beneath shape
// shows through the mask bytes that are not 0; without a mask every shape is
// drawn whole. Gates of the phases selected by bits 0-7 of gates and, when
// balloon is non-zero, the balloon are laid over their tile's shape.
// Prints "warning: illegal data (x,y) = VV" for each byte that names no tile,
// in the order the bytes are read. Never fails: a buffer too small for what it
// should hold is not read or written past its end.
void draw_layered_world_map(Bitmap& bitmap, const ShapeSet& shapes, const ShapeMask& mask,
                            std::span<const uint8_t> map, uint32_t gates, int balloon,
                            int no_shores);

// True when the mask can be laid over the shapes: pixels of one byte at the
// shapes' tile size. Any other mask counts as none.
[[nodiscard]] bool layered_mask_fits(const ShapeSet& shapes, const ShapeMask& mask);

// Translates the whole map (65,536 bytes) into what each of its tiles shows,
// row by row from the top, laying the gates and the balloon over their
// tiles; prints the warnings in the order the bytes are read. Throws
// std::bad_alloc when memory runs out.
void layered_plan(std::vector<LayeredTile>& plan, std::span<const uint8_t> map, uint32_t gates, int balloon,
                  int no_shores);

// Composes tile rows [first, first + count) of a translated map into rows
// of the sheet's form: the picture's row first x sheet.lines goes to top,
// each next row stride bytes on. A shape the sheet does not hold is blank.
void layered_draw_rows(const TileSheet& sheet, std::span<const LayeredTile> plan, uint32_t first,
                       uint32_t count, uint8_t* top, ptrdiff_t stride);

// Writes a translated map into an open sink, a band of tile rows at a time.
// 0, or -1 after the sink's messages. Throws std::bad_alloc.
[[nodiscard]] int layered_map_write(RowSink& sink, const TileSheet& sheet, std::span<const LayeredTile> plan);
