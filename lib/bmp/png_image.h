// Small pictures encoded whole into PNG bytes in memory: the tiles of an
// atlas. Pictures of 1, 4 and 8 bits are indexed PNG at the same depth with
// every entry of their palette, as the picture writer writes them; colour
// pictures (16, 24, 32 bits) are either 8-bit RGB or, when they hold no
// more than 256 colours and that is asked for, indexed PNG of the colours
// they hold at the smallest depth that takes them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct PngDeflater;  // a zlib stream, reset for every picture

struct PngImageEncoder {
    int level = 6;
    std::unique_ptr<PngDeflater, void (*)(PngDeflater*)> deflater{nullptr, nullptr};
    std::vector<uint8_t> raw;  // filter byte and row, for each row
    std::vector<uint8_t> deflated;  // room for the deflated rows
    std::vector<uint8_t> out;       // the PNG file's bytes
    // The colours of an indexed colour picture: a hash table of 24-bit
    // colours (plus one; 0 is empty) and their indices, and the palette.
    std::vector<uint32_t> keys;
    std::vector<uint8_t> indices;
    std::vector<uint8_t> palette;  // blue, green, red, 0 for each colour
    std::vector<uint8_t> index_rows;
};

// Sets the encoder up to deflate at the zlib level. 0, or -1 when memory
// runs out.
[[nodiscard]] int png_image_init(PngImageEncoder& encoder, int level);

// Encodes width x height pixels of rows in the row sink's packed form,
// stride bytes apart, into encoder.out. An indexed picture takes the
// palette's 4-byte entries (blue, green, red, unused; black past its end);
// a colour picture with fewer_colours set becomes indexed when it holds 256
// colours or fewer. 0, or -1 when memory runs out or zlib fails.
[[nodiscard]] int png_image_encode(PngImageEncoder& encoder, const uint8_t* rows, size_t stride, uint32_t width,
                                   uint32_t height, uint32_t bits_per_pixel, std::span<const uint8_t> palette,
                                   bool fewer_colours);
