// BMP writing and reading, shape and mask sheets, bit-count conversion.
//
// Pictures in memory are kept one pixel per byte for 1, 4 and 8 bits (the
// byte holds the palette index), two bytes for 16 bits (5 bits each of blue,
// green, red from bit 0), three for 24 bits (blue, green, red) and four for 32
// bits (blue, green, red and a byte without colour); rows run from the top of
// the picture down, unpadded. Palettes are 4-byte entries blue, green, red and
// a fourth byte that is written out as it stands.
//
// Every routine prints its own messages on standard output and returns 0 (or
// a count) on success and a negative number on failure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "byteorder.h"

constexpr uint32_t kPaletteEntryBytes = 4;
constexpr uint32_t kBmpHeaderBytes = 54;   // "BM", file header and V3 info header
constexpr uint32_t kBmpInfoHeaderBytes = 40;

// An in-memory picture, written out by write_bitmap_file.
struct Bitmap {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits_per_pixel = 0;
    uint32_t size = 0;                 // bytes of pixels: width x height x bytes per pixel
    std::vector<uint8_t> pixels;       // owned by the tool
    std::span<const uint8_t> palette;  // borrowed (the shape set's); empty means none
};

// A decoded set of tiles held as one sheet picture, 16 tiles to a sheet row.
// Shape n lies at tile column n % 16 and tile row n / 16.
struct ShapeSet {
    uint32_t tile_width = 0;
    uint32_t tile_height = 0;
    uint32_t columns = 0;
    uint32_t rows = 0;
    uint32_t bits_per_pixel = 0;
    uint32_t bytes_per_pixel = 0;
    std::vector<uint8_t> pixels;   // empty: not loaded (for a mask: no mask)
    std::vector<uint8_t> palette;  // 2^bits entries of 4 bytes for up to 8 bits, else empty
};

// The transparency mask of a ShapeSet: the same geometry, one byte per pixel
// holding 0 (draw the shape's own pixel) or 1 (let the layer beneath show).
// A mask whose pixels are empty means there is no mask.
using ShapeMask = ShapeSet;

// Byte offset in a sheet of pixel row `line` of shape `shape`, at the shape's
// left edge. Sheet rows are 16 x tile width pixels long.
inline size_t shape_row_offset(const ShapeSet& set, uint32_t shape, uint32_t line)
{
    const size_t sheet_row = static_cast<size_t>(shape / 16) * set.tile_height + line;
    const size_t column = static_cast<size_t>(shape % 16) * set.tile_width;
    return (sheet_row * 16 * set.tile_width + column) * set.bytes_per_pixel;
}

// The two headers of a BMP file, without the signature.
struct BmpHeader {
    uint32_t file_size = 0;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint32_t data_offset = 0;
    uint32_t info_size = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t planes = 0;
    uint16_t bit_count = 0;
    uint32_t compression = 0;
    uint32_t image_size = 0;
    uint32_t x_resolution = 0;
    uint32_t y_resolution = 0;
    uint32_t colors_used = 0;
    uint32_t colors_important = 0;
};

// ---- writing ---------------------------------------------------------------

// Writes the picture to path, asking before an existing file is replaced
// unless overwrite is non-zero. A regular file is written through a temporary
// file in the same directory and renamed over the target only after a
// successful close. 0 or -1.
[[nodiscard]] int write_bitmap_file(const char* path, const Bitmap& bitmap, int overwrite);

// Prints "<question> (Y or N): " and reads standard input up to the first
// y, Y, n or N. 1 for yes, 0 for no (also when the input ends first).
[[nodiscard]] int ask_yes_no(const char* question);

// Fills every field for a picture of the given size; -1 for a bit count other
// than 1, 4, 8, 16, 24, 32 or when the sizes do not fit the 32-bit fields.
[[nodiscard]] int create_bitmap_header(BmpHeader& header, uint32_t width, uint32_t height,
                                       uint16_t bit_count);

// The signature, both headers, the palette (zeros where it is empty or short)
// and the rows, bottom row first, each encoded and padded. 0 or -1.
[[nodiscard]] int write_bitmap(FILE* fp, const BmpHeader& header,
                               std::span<const uint8_t> palette,
                               std::span<const uint8_t> pixels);

// The 54 bytes from "BM" to the last header field, in one write. 0 or -1.
[[nodiscard]] int write_bitmap_header(FILE* fp, const BmpHeader& header);

// count entries (1 to 256) of 4 bytes in one write; entries past the end of
// the given palette are written as zeros. 0 or -1.
[[nodiscard]] int write_palette(FILE* fp, std::span<const uint8_t> palette, int count);

// ---- reading ---------------------------------------------------------------

// Padded BMP row length in bytes for a bit count, or -1 for another count.
[[nodiscard]] int64_t bitmap_row_bytes(uint32_t width, uint32_t bit_count);

// Reads the 54 header bytes and checks them: what check_bitmap_header
// returns, or -1 when the bytes cannot be read or do not begin with "BM".
[[nodiscard]] int read_bitmap_header(FILE* fp, BmpHeader& header);

// -1 when the header is refused, else the number of warnings printed. May
// correct an image size field of 0.
[[nodiscard]] int check_bitmap_header(BmpHeader& header);

// Reads palette and pixels. An empty vector receives a new buffer of the
// needed size; a non-empty one is read into and must be large enough.
// palette may be null (the palette is skipped). 0, -1 when reading fails,
// -2 when memory runs out, -3 when pixels is null.
[[nodiscard]] int read_bitmap(FILE* fp, BmpHeader& header, std::vector<uint8_t>* palette,
                              std::vector<uint8_t>* pixels, int header_read);

// Cuts a BMP sheet into shapes: columns tiles across, rows tiles down.
// The set must come in empty. 0 or -1.
[[nodiscard]] int read_shape_bitmap(const char* path, ShapeSet& shapes, uint32_t columns,
                                    uint32_t rows);

// Reads a mask sheet that must match shapes of the given tile size tile for
// tile and converts it to 0/1 against black and white. 0 or -1.
[[nodiscard]] int read_mask_bitmap(const char* path, ShapeMask& mask, uint32_t tile_width,
                                   uint32_t tile_height, uint32_t columns, uint32_t rows);

// Rows of shapes a set holds: the whole rows of 16 shapes in its pixels, and
// no more than the rows a sheet was cut into (a loader of the ports' own data
// leaves that field 0).
[[nodiscard]] uint32_t shape_set_rows(const ShapeSet& shapes);

// Writes a shape set (or a mask) as a BMP sheet that read_shape_bitmap (or
// read_mask_bitmap) cuts back into the same tiles: 16 shapes per row and
// shape_set_rows rows, exactly rows x tile height pixels high, in the set's
// bit count and palette, every entry's four bytes as they stand. The file
// rules and messages are those of write_bitmap_file. 0 or -1.
[[nodiscard]] int write_shape_bitmap(const char* path, const ShapeSet& shapes, int overwrite);

// The palette entry nearest to a colour (squared distance, first on a tie).
[[nodiscard]] int nearest_palette_entry(int red, int green, int blue,
                                        std::span<const uint8_t> palette, int count);

// Converts width x height pixels to the target bit count by nearest colour.
// An empty source palette at 1 bit means black and white. An empty target
// vector receives a new buffer; a non-empty one must be large enough. The
// target is cleared first. 0, -1 for bad arguments, -2 when memory runs out.
[[nodiscard]] int convert_bit_count(uint32_t width, uint32_t height, uint32_t source_bits,
                                    std::span<const uint8_t> source_palette,
                                    std::span<const uint8_t> source_pixels,
                                    uint32_t target_bits,
                                    std::span<const uint8_t> target_palette,
                                    std::vector<uint8_t>* target_pixels);

// The built-in two-colour palette: black, white.
extern const uint8_t kBlackWhitePalette[8];

// ---- output pictures -------------------------------------------------------

// Sizes bitmap as tiles_across x tiles_down tiles of the shape set, borrows
// the set's palette and bit count and allocates zeroed pixels. Returns -1
// without allocating when the pixel buffer would reach 4 GiB, when the BMP
// file would not fit the header's 32-bit size fields, or when memory runs
// out; the caller prints "error: memory exhausted!".
[[nodiscard]] int bitmap_create(Bitmap& bitmap, const ShapeSet& shapes, uint32_t tiles_across,
                                uint32_t tiles_down);

// The size of a picture of tiles_across x tiles_down tiles of the shape set,
// checked as bitmap_create checks it (without allocating anything): -1 when
// its pixels would reach 4 GiB or its BMP file would not fit the header's
// 32-bit fields, else 0 with the width and height stored.
[[nodiscard]] int bitmap_size_check(const ShapeSet& shapes, uint32_t tiles_across, uint32_t tiles_down,
                                    uint32_t* width, uint32_t* height);
