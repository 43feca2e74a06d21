// Town maps and their people for the PC-98 and X68000 town tools.
//
// TOWNE.BIN holds 17 maps of 32 x 32 tile bytes (1,024 bytes each, row by
// row from the top); PEOPLE.BIN holds 17 blocks of 256 bytes, each naming up
// to 32 people in three parallel arrays: shape codes at 0-31 (0: nobody),
// columns at 32-63 and rows at 64-95. A town record is the town's map block
// followed by its people block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "bitmap.h"
#include "row_sink.h"
#include "tile_sheet.h"

constexpr uint32_t kTownCount = 17;
constexpr uint32_t kTownTilesAcross = 32;
constexpr uint32_t kTownTilesDown = 32;
constexpr size_t kTownMapBytes = kTownTilesAcross * kTownTilesDown;  // 1,024
constexpr size_t kTownPeopleBytes = 256;
constexpr size_t kTownRecordBytes = kTownMapBytes + kTownPeopleBytes;  // 1,280
constexpr size_t kTownDataBytes = kTownRecordBytes * kTownCount;       // 21,760
constexpr size_t kTowneBinBytes = kTownMapBytes * kTownCount;          // 17,408
constexpr size_t kPeopleBinBytes = kTownPeopleBytes * kTownCount;      // 4,352
constexpr uint32_t kTownPeople = 32;

// Offsets of the three people arrays inside a people block.
constexpr size_t kPeopleCodeOffset = 0;
constexpr size_t kPeopleColumnOffset = 32;
constexpr size_t kPeopleRowOffset = 64;

// Shapes that a town can name: every number drawn is below 256.
constexpr uint32_t kTownShapeCount = 256;

// Reads TOWNE.BIN and PEOPLE.BIN out of the root directory of the floppy image
// and joins them into 17 town records in `towns` (at least kTownDataBytes
// long). Files shorter than expected leave zeros in the rest. Prints the disk
// module's messages and then its own line on failure. 0 or -1; after a
// failure `towns` is left untouched.
[[nodiscard]] int read_town_data(std::span<uint8_t> towns, const char* image_path,
                                 uint32_t data_offset);

// Draws one town record (kTownRecordBytes) into the picture: the tiles with
// their beneath shapes and, unless no_npcs is non-zero, the people on top,
// through the mask when the mask has pixels. Prints the map and npc warnings.
// Every pixel of the 32 x 32 tile picture is written. Returns 0, or -1 without
// drawing when the shape set (or a present mask) does not hold 256 shapes of
// its tile size or the picture's pixels are too few for 32 x 32 tiles.
[[nodiscard]] int draw_town_map(Bitmap& bitmap, const ShapeSet& shapes, const ShapeMask& mask,
                                std::span<const uint8_t> town, int no_npcs);

// What one tile of a town shows: its shape, the shape beneath it and the
// person standing on it (kTownNone: nothing).
constexpr int16_t kTownNone = -1;
struct TownTile {
    int16_t shape = 0;
    int16_t beneath = kTownNone;
    int16_t person = kTownNone;
};
constexpr size_t kTownTiles = kTownTilesAcross * kTownTilesDown;

// True when the shape set (and the mask, when it has pixels) holds 256 shapes
// of its tile size at its bytes per pixel, as draw_town_map requires.
[[nodiscard]] bool town_shapes_fit(const ShapeSet& shapes, const ShapeMask& mask);

// Translates one town record into what each of its 32 x 32 tiles shows, row
// by row, printing the map and npc warnings in that order. The beneath
// shapes are kept only when has_mask is set.
void town_plan(std::span<TownTile, kTownTiles> plan, std::span<const uint8_t> town, int no_npcs, bool has_mask);

// Composes tile rows [first, first + count) of a translated town into rows
// of the sheet's form, the picture's row first x sheet.lines at top and each
// next row stride bytes on.
void town_draw_rows(const TileSheet& sheet, std::span<const TownTile, kTownTiles> plan, uint32_t first,
                    uint32_t count, uint8_t* top, ptrdiff_t stride);

// Writes a translated town into an open sink, composed in band (sized here
// the first time, then kept from town to town). 0, or -1 after the sink's
// messages. Throws std::bad_alloc.
[[nodiscard]] int town_map_write(RowSink& sink, const TileSheet& sheet, std::span<const TownTile, kTownTiles> plan,
                                 BandBuffer& band);
