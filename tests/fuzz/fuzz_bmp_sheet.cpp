// Shape and mask sheets: the fuzzed bytes are written to a file and read as a
// shape sheet, then as a mask sheet for the tile size the shapes gave (or a
// size from the input when the shapes were refused).
//
// Input: columns, rows (1-16 each), tile width and height (1-64 each) for the
// mask when no shapes were read, then the file.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "bitmap.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint32_t columns = in.u8() % 16 + 1;
    const uint32_t rows = in.u8() % 16 + 1;
    uint32_t tile_width = in.u8() % 64 + 1;
    uint32_t tile_height = in.u8() % 64 + 1;
    static const std::string path = vorn_fuzz::scratch_path("sheet.bmp");
    if (!vorn_fuzz::write_whole_file(path, in.rest())) std::abort();

    ShapeSet shapes;
    if (read_shape_bitmap(path.c_str(), shapes, columns, rows) == 0) {
        // Every shape of the sheet lies inside the pixels read.
        if (shapes.tile_width == 0 || shapes.tile_height == 0) std::abort();
        const uint32_t last = columns * rows - 1;
        const size_t end = shape_row_offset(shapes, last, shapes.tile_height - 1) +
                           size_t{shapes.tile_width} * shapes.bytes_per_pixel;
        if (columns == 16 && end > shapes.pixels.size()) std::abort();
        tile_width = shapes.tile_width;
        tile_height = shapes.tile_height;
    }
    ShapeMask mask;
    if (read_mask_bitmap(path.c_str(), mask, tile_width, tile_height, columns, rows) == 0) {
        const size_t need = size_t{tile_width} * columns * tile_height * rows;
        if (mask.pixels.size() < need) std::abort();
        for (size_t i = 0; i < need; ++i)
            if (mask.pixels[i] > 1) std::abort();
    }
    return 0;
}
