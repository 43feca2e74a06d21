// Shape and mask sheets read from and written to BMP files, and output
// pictures sized from a shape set.
#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "bitmap.h"
#include "row_sink.h"
#include "size_math.h"
#include "stdio_file.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

// Large pictures are backed by huge pages where the system offers them on
// request: clearing and composing them then costs far fewer page faults.
void advise_huge_pages(void* data, size_t size)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
    if (size < 2 * kHugePage) return;
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(data) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(data) + size) & ~(kHugePage - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

}  // namespace

int read_shape_bitmap(const char* path, ShapeSet& shapes, uint32_t columns, uint32_t rows)
{
    UniqueFile fp = open_file(path, "rb");
    if (!fp) {
        std::printf("error: open '%s'\n", path);
        return -1;
    }
    BmpHeader header;
    if (read_bitmap(fp.get(), header, &shapes.palette, &shapes.pixels, 0) < 0) {
        std::printf("error: read '%s'\n", path);
        return -1;
    }
    fp.reset();

    shapes.tile_width = columns ? header.width / columns : 0;
    shapes.tile_height = rows ? header.height / rows : 0;
    shapes.columns = columns;
    shapes.rows = rows;
    shapes.bits_per_pixel = header.bit_count;
    shapes.bytes_per_pixel = (header.bit_count + 7u) / 8u;
    if (shapes.tile_width == 0 || shapes.tile_height == 0) {
        std::puts("error: shape bitmap is too small");
        return -1;
    }
    if (header.width != shapes.tile_width * columns) {
        std::puts("error: illegal shape bitmap size");
        return -1;
    }
    return 0;
}

int read_mask_bitmap(const char* path, ShapeMask& mask, uint32_t tile_width, uint32_t tile_height,
                     uint32_t columns, uint32_t rows)
{
    UniqueFile fp = open_file(path, "rb");
    if (!fp) {
        std::printf("error: open '%s'\n", path);
        return -1;
    }
    BmpHeader header;
    std::vector<uint8_t> palette;
    std::vector<uint8_t> pixels;
    if (read_bitmap(fp.get(), header, &palette, &pixels, 0) < 0) {
        std::printf("error: read '%s'\n", path);
        return -1;
    }
    fp.reset();

    mask.tile_width = columns ? header.width / columns : 0;
    mask.tile_height = rows ? header.height / rows : 0;
    mask.columns = columns;
    mask.rows = rows;
    mask.bits_per_pixel = 1;
    mask.bytes_per_pixel = 1;
    try {
        mask.palette.assign(kBlackWhitePalette, kBlackWhitePalette + sizeof kBlackWhitePalette);
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        return -1;
    }
    if (header.width != uint64_t{tile_width} * columns || header.height != uint64_t{tile_height} * rows) {
        std::puts("error: illegal mask bitmap size");
        return -1;
    }
    if (convert_bit_count(header.width, header.height, header.bit_count, palette, pixels, 1, mask.palette,
                          &mask.pixels) < 0) {
        std::printf("error: convert bit count '%s'\n", path);
        return -1;
    }
    return 0;
}

uint32_t shape_set_rows(const ShapeSet& shapes)
{
    uint64_t shape_row = 0;
    if (!size_product32(uint64_t{16} * shapes.tile_width, shapes.tile_height, shapes.bytes_per_pixel, &shape_row) ||
        shape_row == 0)
        return 0;
    const uint64_t whole = shapes.pixels.size() / shape_row;
    return static_cast<uint32_t>(std::min<uint64_t>(whole, shapes.rows ? shapes.rows : 0xFFFFFFFFu));
}

int write_shape_bitmap(const char* path, const ShapeSet& shapes, int overwrite)
{
    const uint64_t width = uint64_t{16} * shapes.tile_width;
    const uint64_t height = uint64_t{shape_set_rows(shapes)} * shapes.tile_height;
    if (width > 0xFFFFFFFFu || height > 0xFFFFFFFFu) {
        std::puts("error: create bitmap header");
        return -1;
    }
    return write_picture_rows(path, static_cast<uint32_t>(width), static_cast<uint32_t>(height), shapes.bits_per_pixel,
                              shapes.palette, shapes.pixels, overwrite, PictureFormat::kBmp);
}

int bitmap_size_check(const ShapeSet& shapes, uint32_t tiles_across, uint32_t tiles_down, uint32_t* width,
                      uint32_t* height)
{
    const uint64_t w = uint64_t{shapes.tile_width} * tiles_across;
    const uint64_t h = uint64_t{shapes.tile_height} * tiles_down;
    if (w > 0xFFFFFFFFu || h > 0xFFFFFFFFu) return -1;
    uint64_t size = 0;
    if (!size_product32(w, h, shapes.bytes_per_pixel, &size)) return -1;
    // The BMP file of the picture must fit the header's 32-bit size fields.
    BmpHeader header;
    if (create_bitmap_header(header, static_cast<uint32_t>(w), static_cast<uint32_t>(h),
                             static_cast<uint16_t>(shapes.bits_per_pixel)) < 0)
        return -1;
    *width = static_cast<uint32_t>(w);
    *height = static_cast<uint32_t>(h);
    return 0;
}

int bitmap_create(Bitmap& bitmap, const ShapeSet& shapes, uint32_t tiles_across, uint32_t tiles_down)
{
    uint32_t width = 0, height = 0;
    if (bitmap_size_check(shapes, tiles_across, tiles_down, &width, &height) < 0) return -1;
    const uint64_t size = uint64_t{width} * height * shapes.bytes_per_pixel;

    bitmap.width = static_cast<uint32_t>(width);
    bitmap.height = static_cast<uint32_t>(height);
    bitmap.bits_per_pixel = shapes.bits_per_pixel;
    bitmap.size = static_cast<uint32_t>(size);
    bitmap.palette = shapes.palette;
    try {
        bitmap.pixels.clear();
        bitmap.pixels.reserve(static_cast<size_t>(size));
        advise_huge_pages(bitmap.pixels.data(), static_cast<size_t>(size));
        bitmap.pixels.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        bitmap.pixels = {};
        return -1;
    }
    return 0;
}
