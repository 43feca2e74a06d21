// The PC-98 and X68000 shape pattern loaders: decode the ports' pattern files
// out of their floppy images into a 16-colour ShapeSet and its ShapeMask.
#pragma once

#include <cstdint>

#include "bitmap.h"

// The shape palette shared by both ports: 8 colours, then the same 8 with the
// fourth byte 255 (indices 8-15 mark transparent pixels).
extern const uint8_t kPortShapePalette[16 * 4];

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
