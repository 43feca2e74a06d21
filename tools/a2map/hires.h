// Apple II hi-res shapes: loading the two shape files of the program disk
// into a sheet of sub-pixels, and the artifact colouring of a composed map.
//
// A hi-res byte holds seven dots (bit 0 leftmost) and a palette bit (bit 7)
// that shifts its dots right by half a dot. Every dot is two sub-pixels wide,
// so a byte spans 14 sub-pixels. A sub-pixel is 0 (off), 1 (on) or 255, a
// marker at the start of a shifted byte that stands for the sub-pixel to its
// left. The colour of a lit sub-pixel comes from the weights of its lit
// neighbours along the scan line (4, 8, 1, 2 by column mod 4).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "bitmap.h"

constexpr uint32_t kHiresTileWidth = 28;   // sub-pixels: two bytes of seven dots
constexpr uint32_t kHiresTileHeight = 32;  // two picture rows per scan line
constexpr uint32_t kHiresScanLines = 16;
constexpr uint32_t kHiresShapes = 256;
constexpr uint32_t kHiresFileBytes = kHiresScanLines * kHiresShapes;  // 4,096
constexpr uint32_t kHiresSheetWidth = 16 * kHiresTileWidth;           // 448
constexpr uint32_t kHiresSheetHeight = 16 * kHiresTileHeight;         // 512
constexpr uint8_t kHiresMarker = 255;
constexpr uint32_t kHiresMarkerSpan = 14;  // markers only start a byte's 14 sub-pixels

// Names of the files of left and right halves: S, 0x01, H, P and a digit.
constexpr char kHiresLeftFile[] = "S\x01HP0";
constexpr char kHiresRightFile[] = "S\x01HP1";

// Weight of the sub-pixel at column x, by x mod 4.
constexpr std::array<uint8_t, 4> kHiresWeights = {4, 8, 1, 2};
constexpr uint8_t hires_weight(int64_t x)
{
    return kHiresWeights[static_cast<uint64_t>(x) & 3];
}

// The 16 colours, 4 bytes each: blue, green, red, 0.
extern const std::array<uint8_t, 64> kHiresPalette;

// Writes the 14 sub-pixels of one hi-res byte.
void hires_decode_byte(uint8_t byte, std::span<uint8_t, 14> out);

// Rebuilds shapes 68-71 from shape 68 in the two 4,096-byte files.
void hires_derive_shapes(std::span<uint8_t> left, std::span<uint8_t> right);

// Decodes the two files into a cleared 448 x 512 sheet: scan line r of shape
// n goes to sheet row (n / 16) * 32 + 2r; the odd rows stay 0.
void hires_decode_sheet(std::span<const uint8_t> left, std::span<const uint8_t> right,
                        std::span<uint8_t> sheet);

// Fills the cleared set from the two shape files of the program disk image
// at path (sector order 1 or 2). 0 or -1; buffers allocated before a failure
// stay in the set.
[[nodiscard]] int load_hires_shapes(const char* path, int order, ShapeSet& shapes);

// Replaces the composed sub-pixels (one byte each) of every even row with
// palette indices 0-15 and copies each such row over the odd row below it.
// Rows wrap around: the last sub-pixel is the left neighbour of the first.
// With blur, an off sub-pixel next to lit ones takes their colour.
void colorize_bitmap(Bitmap& bitmap, int blur);

// Working room for colouring scan lines: the lit weights of one line.
struct HiresWork {
    std::vector<uint8_t> weights;
};

// Colours picture rows [first, first + count) of a composed picture whose
// scan lines (its even rows) are given: row y takes the colours of scan line
// y / 2, which lies at lines + (y / 2 - first / 2) x line_stride and has its
// markers resolved in place. The colours (one palette index per byte) of
// row first + r go to top + r x stride. A line may lie where its rows go:
// it is read whole before they are written. work grows to the width; throws
// std::bad_alloc when memory runs out.
void hires_colour_rows(uint8_t* lines, size_t line_stride, uint32_t first, uint32_t count, uint32_t width,
                       int blur, uint8_t* top, ptrdiff_t stride, HiresWork& work);
