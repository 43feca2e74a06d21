// The PC-98 and X68000 shape pattern loaders: decode the ports' pattern files
// out of their floppy images into a 16-colour ShapeSet and its ShapeMask.
#pragma once

#include <cstdint>
#include <span>

#include "bitmap.h"
#include "pattern_tables.h"

// The shape palette shared by both ports: 8 colours, then the same 8 with the
// fourth byte 255 (indices 8-15 mark transparent pixels).
extern const uint8_t kPortShapePalette[16 * 4];

// The two-entry mask palette: black (fourth byte 0), white (fourth byte 255).
extern const uint8_t kPortMaskPalette[2 * 4];

// Draws pseudo-random numbers 0..32767 from the suite's own generator
// (state starts at 1 when the program starts; state = state * 214013 +
// 2531011 mod 2^32; yields (state >> 16) & 0x7FFF).
[[nodiscard]] int shape_random();

// Loads ocshape.pat from disk1 and swshape.pat from disk2 into 368 shapes of
// 32 x 32. mask may be null (no mask wanted). 0 or -1.
[[nodiscard]] int load_pc98_shapes(const char* disk1, const char* disk2, uint32_t data_offset,
                                   ShapeSet& shapes, ShapeMask* mask, int speckle);

// Loads shape.pat from disk into 352 shapes of 36 x 36. 0 or -1.
[[nodiscard]] int load_x68k_shapes(const char* disk, uint32_t data_offset, ShapeSet& shapes,
                                   ShapeMask* mask, int speckle);

// ---- inside the loaders ------------------------------------------------------

// Sheet sizes in pixels (one byte each): 16 shapes across.
constexpr uint32_t kPc98SheetWidth = 16 * kPc98TileSize;                 // 512
constexpr uint32_t kPc98SheetHeight = kPc98Shapes / 16 * kPc98TileSize;  // 736
constexpr uint32_t kX68kSheetWidth = 16 * kX68kTileSize;                 // 576
constexpr uint32_t kX68kSheetHeight = kX68kShapes / 16 * kX68kTileSize;  // 792

// Restarts the generator of shape_random() at the given state (1 is the
// state at program start). For tests; the tools never call it.
void shape_random_restart(uint32_t state);

// ORs the bit-plane patterns of both files into a 512 x 736 sheet that starts
// at zero. -1 (nothing decoded) when the sheet or a file buffer is smaller
// than its fixed size.
[[nodiscard]] int decode_pc98_patterns(std::span<uint8_t> sheet, std::span<const uint8_t> ocshape,
                                       std::span<const uint8_t> swshape);

// Stores the packed 4-bit patterns into a 576 x 792 sheet. -1 (nothing
// decoded) when the sheet or the buffer is smaller than its fixed size.
[[nodiscard]] int decode_x68k_patterns(std::span<uint8_t> sheet, std::span<const uint8_t> shape_pat);

// Fills shapes 68 to 71 of a sheet of tile_size x tile_size shapes with one
// pattern of random positions in colours 4, 1, 2 and 3, drawing
// tile_size x tile_size numbers from shape_random(), row by row. -1 when the
// sheet is too small to hold shape 71.
[[nodiscard]] int speckle_shapes(std::span<uint8_t> sheet, uint32_t tile_size);
