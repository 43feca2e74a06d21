// Box reduction: a picture made N times smaller each way, every pixel the
// mean of an N x N box of the picture's pixels, each channel rounded to
// nearest (halves up). Rows go in one at a time in the row sink's packed
// form (1-, 4- and 8-bit indices through a palette; 16, 24 and 32-bit
// colour) and come out, one for every N rows, as 24-bit rows (blue, green,
// red for each pixel). The --shrink pictures and the lower zooms of the
// atlas's tile pyramid are both made here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

struct BoxReducer {
    uint32_t factor = 1;          // N
    uint32_t width = 0;           // pixels of an input row, a multiple of N
    uint32_t bits_per_pixel = 0;  // of the input rows
    uint32_t rows = 0;            // input rows summed into the current box row
    std::vector<uint32_t> sums;   // blue, green, red sums of each box
    std::vector<std::array<uint8_t, 4>> colours;  // blue, green, red of each index (black past the palette's end)
    // 4-bit rows halved: blue, green, red sums of the two pixels of each byte.
    std::vector<std::array<uint16_t, 4>> pairs;
    std::vector<uint64_t> pair_words;  // the same sums, one in each 16-bit lane from the low end
    std::vector<uint8_t> held;  // halving: the first row of each pair
    uint32_t shift = 0;         // log2 of N x N when that is a power of two, else 0
};

// Sets the reducer up for rows of width pixels at the bit count, with the
// palette's 4-byte entries (blue, green, red, unused) for indexed rows.
// -1 when the factor is 0 or does not divide the width, for a bit count
// other than 1, 4, 8, 16, 24 or 32, or when memory runs out.
[[nodiscard]] int box_reducer_init(BoxReducer& reducer, uint32_t width, uint32_t bits_per_pixel,
                                   std::span<const uint8_t> palette, uint32_t factor);

// Adds one packed row. True when the row ended a row of boxes: out (width /
// N pixels, 3 bytes each) then holds the reduced row and the next row
// starts a new box row.
[[nodiscard]] bool box_reducer_add(BoxReducer& reducer, const uint8_t* row, uint8_t* out);
