#include "shapes.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "diskimage.h"

const uint8_t kPortShapePalette[16 * 4] = {
    0,   0,   0,   0,   255, 0,   0,   0,   0,   0,   255, 0,   255, 0,   255, 0,
    0,   255, 0,   0,   255, 255, 0,   0,   0,   255, 255, 0,   255, 255, 255, 0,
    0,   0,   0,   255, 255, 0,   0,   255, 0,   0,   255, 255, 255, 0,   255, 255,
    0,   255, 0,   255, 255, 255, 0,   255, 0,   255, 255, 255, 255, 255, 255, 255,
};

const uint8_t kPortMaskPalette[2 * 4] = {0, 0, 0, 0, 255, 255, 255, 255};

namespace {

// Indices 0-7 to black, 8-15 to white: converted against the mask palette,
// a mask pixel is 1 exactly where the shape pixel is transparent.
constexpr uint8_t kMaskConversionPalette[16 * 4] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
    0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
    255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,
};

constexpr uint8_t kSpeckleColours[4] = {4, 1, 2, 3};  // shapes 68, 69, 70, 71
constexpr uint32_t kFirstSpeckleShape = 68;

uint32_t g_random_state = 1;

// Fills the records' fields and gives them zeroed pixels and their palettes.
// 0, or -1 after "error: memory exhausted!".
int prepare_sets(ShapeSet& shapes, ShapeMask* mask, uint32_t tile_size, uint32_t sheet_bytes)
{
    try {
        shapes.tile_width = tile_size;
        shapes.tile_height = tile_size;
        shapes.bits_per_pixel = 4;
        shapes.bytes_per_pixel = 1;
        shapes.pixels.assign(sheet_bytes, 0);
        shapes.palette.assign(std::begin(kPortShapePalette), std::end(kPortShapePalette));
        if (mask) {
            mask->tile_width = tile_size;
            mask->tile_height = tile_size;
            mask->bits_per_pixel = 1;
            mask->bytes_per_pixel = 1;
            mask->pixels.assign(sheet_bytes, 0);
            mask->palette.assign(std::begin(kPortMaskPalette), std::end(kPortMaskPalette));
        }
    } catch (const std::bad_alloc&) {
        std::printf("error: memory exhausted!\n");
        return -1;
    }
    return 0;
}

// Reads one pattern file out of a disk image into a zeroed buffer of its
// fixed size. The image is held only for this call. 0 or -1.
int read_pattern_file(std::vector<uint8_t>& buffer, const char* disk, uint32_t data_offset,
                      const char* name, uint32_t size)
{
    try {
        buffer.assign(size, 0);
    } catch (const std::bad_alloc&) {
        std::printf("error: memory exhausted!\n");
        return -1;
    }
    DiskImage image;
    if (disk_image_open(image, disk, data_offset) != 0) {
        std::printf("error: read disk image '%s'\n", disk);
        return -1;
    }
    const int result = disk_image_read_file(image, name, buffer, 1);
    disk_image_close(image);
    if (result != 0) {
        std::printf("error: read disk image '%s/%s'\n", disk, name);
        return -1;
    }
    return 0;
}

int make_mask(ShapeMask& mask, const ShapeSet& shapes, uint32_t width, uint32_t height)
{
    if (convert_bit_count(width, height, 4, kMaskConversionPalette, shapes.pixels, 1, kPortMaskPalette,
                          &mask.pixels) < 0) {
        std::printf("error: convert bit count\n");
        return -1;
    }
    return 0;
}

}  // namespace

int shape_random()
{
    g_random_state = g_random_state * 214013u + 2531011u;
    return static_cast<int>((g_random_state >> 16) & 0x7FFF);
}

void shape_random_restart(uint32_t state)
{
    g_random_state = state;
}

int decode_pc98_patterns(std::span<uint8_t> sheet, std::span<const uint8_t> ocshape,
                         std::span<const uint8_t> swshape)
{
    if (sheet.size() < size_t{kPc98SheetWidth} * kPc98SheetHeight || ocshape.size() < kPc98OcshapeBytes ||
        swshape.size() < kPc98SwshapeBytes)
        return -1;
    // Eight pixels of a plane byte at once: the byte spread to one 0 or 1 a
    // pixel (leftmost pixel first in memory), times the plane's value.
    static const auto spread = [] {
        std::array<uint64_t, 256> table{};
        for (uint32_t v = 0; v < 256; ++v) {
            uint8_t bytes[8];
            for (uint32_t bit = 0; bit < 8; ++bit) bytes[bit] = (v >> (7 - bit)) & 1;
            std::memcpy(&table[v], bytes, 8);
        }
        return table;
    }();
    for (uint32_t n = 0; n < kPc98Shapes; ++n) {
        const Pc98PatternRow& row = pc98_pattern_table[n];
        if (row.file == Pc98PatternFile::kNone) continue;
        const uint8_t* p = (row.file == Pc98PatternFile::kOcshape ? ocshape.data() : swshape.data()) + row.offset;
        for (uint32_t plane = 0; plane < row.planes; ++plane) {
            const uint64_t value = pc98_plane_value(row.planes, plane);
            for (uint32_t y = 0; y < kPc98TileSize; ++y) {
                uint8_t* out = sheet.data() + ((n / 16) * kPc98TileSize + y) * kPc98SheetWidth + (n % 16) * kPc98TileSize;
                for (uint32_t b = 0; b < 4; ++b, ++p, out += 8) {
                    uint64_t pixels;
                    std::memcpy(&pixels, out, 8);
                    pixels |= spread[*p] * value;
                    std::memcpy(out, &pixels, 8);
                }
            }
        }
    }
    return 0;
}

int decode_x68k_patterns(std::span<uint8_t> sheet, std::span<const uint8_t> shape_pat)
{
    if (sheet.size() < size_t{kX68kSheetWidth} * kX68kSheetHeight || shape_pat.size() < kX68kShapeBytes)
        return -1;
    for (uint32_t n = 0; n < kX68kShapes; ++n) {
        if (x68k_pattern_table[n] < 0) continue;
        const uint8_t* p = shape_pat.data() + static_cast<uint32_t>(x68k_pattern_table[n]) * kX68kPatternBytes;
        for (uint32_t y = 0; y < kX68kTileSize; ++y) {
            uint8_t* out = sheet.data() + ((n / 16) * kX68kTileSize + y) * kX68kSheetWidth + (n % 16) * kX68kTileSize;
            for (uint32_t b = 0; b < kX68kTileSize / 2; ++b, ++p) {
                *out++ = static_cast<uint8_t>(*p >> 4);
                *out++ = static_cast<uint8_t>(*p & 0x0F);
            }
        }
    }
    return 0;
}

int speckle_shapes(std::span<uint8_t> sheet, uint32_t tile_size)
{
    const size_t width = size_t{16} * tile_size;
    const size_t last = kFirstSpeckleShape + 3;
    if (tile_size == 0 || sheet.size() / width < (last / 16 + 1) * tile_size) return -1;
    for (uint32_t y = 0; y < tile_size; ++y) {
        for (uint32_t x = 0; x < tile_size; ++x) {
            const bool coloured = shape_random() > 16382;
            for (uint32_t i = 0; i < 4; ++i) {
                const uint32_t n = kFirstSpeckleShape + i;
                sheet[((n / 16) * tile_size + y) * width + (n % 16) * tile_size + x] =
                    coloured ? kSpeckleColours[i] : 0;
            }
        }
    }
    return 0;
}

int load_pc98_shapes(const char* disk1, const char* disk2, uint32_t data_offset, ShapeSet& shapes,
                     ShapeMask* mask, int speckle)
{
    constexpr uint32_t kSheetBytes = kPc98SheetWidth * kPc98SheetHeight;
    if (prepare_sets(shapes, mask, kPc98TileSize, kSheetBytes) != 0) return -1;
    std::vector<uint8_t> ocshape, swshape;
    if (read_pattern_file(ocshape, disk1, data_offset, "ocshape.pat", kPc98OcshapeBytes) != 0) return -1;
    if (read_pattern_file(swshape, disk2, data_offset, "swshape.pat", kPc98SwshapeBytes) != 0) return -1;
    if (decode_pc98_patterns(shapes.pixels, ocshape, swshape) != 0) return -1;
    if (speckle && speckle_shapes(shapes.pixels, kPc98TileSize) != 0) return -1;
    if (mask && make_mask(*mask, shapes, kPc98SheetWidth, kPc98SheetHeight) != 0) return -1;
    return 0;
}

int load_x68k_shapes(const char* disk, uint32_t data_offset, ShapeSet& shapes, ShapeMask* mask, int speckle)
{
    constexpr uint32_t kSheetBytes = kX68kSheetWidth * kX68kSheetHeight;
    if (prepare_sets(shapes, mask, kX68kTileSize, kSheetBytes) != 0) return -1;
    std::vector<uint8_t> shape_pat;
    if (read_pattern_file(shape_pat, disk, data_offset, "shape.pat", kX68kShapeBytes) != 0) return -1;
    if (decode_x68k_patterns(shapes.pixels, shape_pat) != 0) return -1;
    if (speckle && speckle_shapes(shapes.pixels, kX68kTileSize) != 0) return -1;
    if (mask && make_mask(*mask, shapes, kX68kSheetWidth, kX68kSheetHeight) != 0) return -1;
    return 0;
}
