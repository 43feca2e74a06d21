// Pictures written as they are composed: rows are handed over a band at a
// time and go straight into a BMP or a PNG file, so that no whole picture
// needs to be held in memory.
//
// Rows come in one packed form that both formats share: a BMP row without
// its padding. 1- and 4-bit pixels are packed most significant bits first
// (the leftmost pixel in the high bits), 8-bit pixels are one byte each, and
// 16, 24 and 32-bit pixels lie as they do in a Bitmap (5-5-5 little-endian;
// blue, green, red; blue, green, red and a byte without colour). The BMP
// form pads each row; the PNG form filters and deflates the rows, with 1-, 4-
// and 8-bit pictures as indexed PNG at the same depth and the others as 8-bit
// RGB.
//
// The file rules are those of write_bitmap_file: the question before an
// existing file is replaced, a temporary file beside the target renamed over
// it only after a successful close, direct writes for targets that are no
// regular files, and never a cut-short picture left behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "bitmap.h"
#include "box_reduce.h"
#include "stdio_file.h"
#include "tile_pyramid.h"

// kAtlas: the rows go into a tile pyramid (tile_pyramid.h) instead of a file.
enum class PictureFormat : uint8_t { kBmp, kPng, kAtlas };

// A part of the composed picture, and a reduction of it, that a sink writes
// instead of the whole picture it is handed (row_sink_open_view). The part
// is whole tile rows of the picture: the bands that row_sink_band hands out
// are then the part's tile rows alone.
struct RowView {
    uint32_t x = 0;  // the part, in pixels of the composed picture
    uint32_t y = 0;
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t tile_height = 1;  // picture rows of one tile row
    uint32_t shrink = 1;       // box reduction (box_reduce.h): 1, or 2 to 32, written as 24-bit colour
};

// One band of PNG rows: filtered, then deflated by a worker (or in line).
struct PngBand {
    std::vector<uint8_t> raw;         // the dictionary, then filter byte and row for each row
    size_t dictionary = 0;            // bytes of raw that only prime the compressor
    std::vector<uint8_t> compressed;  // raw deflate data, ended by a sync flush or the final block
    uint32_t adler = 1;               // adler-32 of the rows (not the dictionary)
    int result = 0;                   // -1 when deflating failed
    bool last = false;
    std::jthread worker;
};

struct RowSink {
    PictureFormat format = PictureFormat::kBmp;
    int threads = 2;  // PNG: bands deflated at the same time; 1 deflates in line

    // The picture.
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t bits_per_pixel = 0;
    std::span<const uint8_t> palette;
    size_t row_bytes = 0;   // one packed row
    size_t row_stride = 0;  // the stride of rows that go out without a copy

    // The file.
    std::string path;
    UniqueFile file;
    std::string temporary;  // empty: the target itself is written
    bool created = false;   // the target did not exist before a direct write
    bool was_missing = false;  // the target did not exist when the sink was opened
    bool is_open = false;
    uint32_t rows_written = 0;

    // BMP: rows gathered into blocks.
    std::vector<uint8_t> block;

    // PNG.
    std::vector<uint8_t> pixels;    // one row converted to PNG pixel bytes
    std::vector<uint8_t> window;    // the last 32 KiB of filtered data
    std::vector<PngBand> bands;     // threads + 1 bands in turn
    uint32_t band_rows = 0;         // rows per band: a fixed split, whatever the thread count
    uint32_t next_band = 0;         // bands handed to compression so far
    uint32_t done_band = 0;         // bands written to the file so far
    uint32_t adler = 1;             // adler-32 of every row written so far

    // A view (row_sink_open_view): the picture fields above describe the
    // composed picture, and `out` writes the part.
    bool viewing = false;
    RowView view;
    std::unique_ptr<RowSink> out;
    BoxReducer reducer;
    std::vector<uint8_t> view_row;     // one row of the part, where it is not cut on a byte
    std::vector<uint8_t> reduced_row;  // one reduced row

    // The atlas (row_sink_open_pyramid); path then holds the name printed.
    TilePyramid pyramid;
};

// The format a name asks for: PNG when it ends in ".png" in any case.
[[nodiscard]] PictureFormat picture_format_of(const char* path);

// The name with its ".bmp" ending replaced by ".png" (or ".png" added).
[[nodiscard]] std::string png_name_of(const char* bmp_name);

// Bytes of one packed row.
[[nodiscard]] size_t packed_row_bytes(uint32_t width, uint32_t bits_per_pixel);

// Packs one row of a Bitmap (one byte per pixel for 1, 4 and 8 bits) into the
// packed form: a 1-bit pixel is set when its byte is not 0, a 4-bit pixel
// keeps the low four bits of its byte. out holds packed_row_bytes bytes.
void pack_row(uint8_t* out, const uint8_t* row, uint32_t width, uint32_t bits_per_pixel);

// Opens the picture for writing: makes the header (printing "error: create
// bitmap header" for a bit count or size the BMP header cannot hold, in
// either format), asks before an existing file is replaced unless overwrite
// is non-zero, opens the file and writes what comes before the rows. The
// fields format and threads are kept; everything else is set here. 0 or -1,
// after the messages of write_bitmap_file.
[[nodiscard]] int row_sink_open(RowSink& sink, PictureFormat format, const char* path, uint32_t width,
                                uint32_t height, uint32_t bits_per_pixel,
                                std::span<const uint8_t> palette, int overwrite);

// Opens a sink that is handed the rows of the whole composed picture (width x
// height pixels at the bit count) and writes only the view's part of it, or
// its reduction, into the file: as row_sink_open for the written picture's
// size (a reduced picture has 24 bits and no palette). The view must lie
// inside the picture on whole tile rows, and a shrink divide its size.
// 0 or -1, after the messages of row_sink_open.
[[nodiscard]] int row_sink_open_view(RowSink& sink, PictureFormat format, const char* path, uint32_t width,
                                     uint32_t height, uint32_t bits_per_pixel, std::span<const uint8_t> palette,
                                     int overwrite, const RowView& view);

// Opens a sink that writes the picture as a tile pyramid of images of
// image_width x image_height pixels into folder (which must exist); name
// stands where a file's name stands in the messages. No question is asked.
// 0 or -1, after "error: create bitmap header" for a size that the tools
// refuse for a picture, or the write messages for a pyramid that cannot be
// made. Throws std::bad_alloc when memory runs out.
[[nodiscard]] int row_sink_open_pyramid(RowSink& sink, const char* folder, const char* name, uint32_t width,
                                        uint32_t height, uint32_t bits_per_pixel, std::span<const uint8_t> palette,
                                        uint32_t image_width, uint32_t image_height);

// True when the rows go bottom row first (BMP), false for top row first (PNG).
[[nodiscard]] bool row_sink_bottom_up(const RowSink& sink);

// Hands over the next count rows in the sink's order, stride bytes apart (0
// repeats one row). Rows handed at the sink's row_stride go out without a
// copy where the format allows. 0, or -1 after "error: write_bitmap() -
// can't write bitmap data" and "error: write bitmap '%s'", the file removed
// and the sink closed.
[[nodiscard]] int row_sink_write(RowSink& sink, const uint8_t* rows, uint32_t count, size_t stride);

// Finishes the file once every row was written and puts it in place. 0, or
// -1 after the messages of write_bitmap_file with no file left behind.
[[nodiscard]] int row_sink_close(RowSink& sink);

// Drops an open sink without a word: its temporary file, or a file that a
// direct write created, is removed.
void row_sink_abort(RowSink& sink);

// Bands of rows in the sink's order: band index of a picture of `total` tile
// rows cut into bands of `per_band` tile rows gives the first tile row and
// the count. A view's sink hands out the tile rows of its part alone.
struct RowBand {
    uint32_t first = 0;
    uint32_t count = 0;
};
[[nodiscard]] RowBand row_sink_band(const RowSink& sink, uint32_t index, uint32_t per_band, uint32_t total);

// A buffer for bands of up to `rows` rows that composers fill in picture
// order and the sink takes in its own. Pictures whose tiles pack on whole
// bytes are composed in packed form straight into it; the others are
// composed one byte per pixel (Bitmap form) and packed row by row.
struct BandBuffer {
    std::vector<uint8_t> rows;      // in the sink's order, at the sink's row stride
    std::vector<uint8_t> unpacked;  // Bitmap form, picture order, when composing unpacked
    size_t unpacked_stride = 0;
    bool packed = true;
};

// Sizes the buffer; 0, or -1 when memory runs out (nothing printed).
[[nodiscard]] int band_buffer_init(BandBuffer& band, const RowSink& sink, uint32_t rows, bool packed);

// Where a band of `rows` rows is to be composed: the picture's top row of
// the band and the signed distance from one picture row to the next.
[[nodiscard]] uint8_t* band_buffer_target(BandBuffer& band, const RowSink& sink, uint32_t rows,
                                          ptrdiff_t* stride);

// Packs the band where needed and hands it to the sink. 0 or -1 (as
// row_sink_write).
[[nodiscard]] int band_buffer_write(BandBuffer& band, RowSink& sink, uint32_t rows);

// Writes a whole picture in the given format, as write_bitmap_file does for
// BMP. 0 or -1.
[[nodiscard]] int write_picture_file(const char* path, const Bitmap& bitmap, int overwrite, PictureFormat format);

// The same for pixels held in Bitmap form that no Bitmap owns: the first
// height rows of width pixels each. 0 or -1.
[[nodiscard]] int write_picture_rows(const char* path, uint32_t width, uint32_t height, uint32_t bits_per_pixel,
                                     std::span<const uint8_t> palette, std::span<const uint8_t> pixels,
                                     int overwrite, PictureFormat format);

// Writes bytes as a whole file by the file rules of the sink, without the
// question (the caller asks): a regular file through a temporary file renamed
// over it, anything else in place. 0, or -1 after "error: open '%s'" or
// "error: write '%s'" with no file left behind.
[[nodiscard]] int write_file_bytes(const char* path, std::span<const uint8_t> bytes);

// ---- PNG (png_write.cpp) ----------------------------------------------------

// Encodes a whole picture of 8-bit red, green, blue and alpha pixels (four
// bytes each, rows from the top) as a PNG file's bytes: colour type 6, rows
// unfiltered, deflated at the level of the sink. 0, or -1 when the sizes do
// not fit or deflating fails (nothing printed). Throws std::bad_alloc.
[[nodiscard]] int png_encode_rgba(std::vector<uint8_t>& out, uint32_t width, uint32_t height,
                                  std::span<const uint8_t> rgba);

// Writes the signature, IHDR and PLTE. 0 or -1.
[[nodiscard]] int png_begin(RowSink& sink);

// Filters one packed row into the current band, deflating full bands. 0 or -1.
[[nodiscard]] int png_row(RowSink& sink, const uint8_t* row);

// Deflates what is left, writes the last IDAT and IEND. 0 or -1.
[[nodiscard]] int png_finish(RowSink& sink);

// Waits for every worker and forgets their bands.
void png_drop(RowSink& sink);
