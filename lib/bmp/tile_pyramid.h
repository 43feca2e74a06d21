// A picture written as a pyramid of tile images in the XYZ layout of web
// maps, as its rows stream in: image (z, x, y) is FOLDER/z/x/y.png, y
// counted from the top. At the top zoom the images are exact crops of the
// picture, image_width x image_height pixels each, indexed where the
// picture is indexed (the same bit count and palette); each lower zoom
// covers twice the picture each way in images of the same size, every pixel
// the 2 x 2 box mean of the zoom above (box_reduce.h), and zoom 0 is the
// whole picture in one image. Only one row of images of each zoom is held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "box_reduce.h"
#include "png_image.h"

struct PyramidLevel {
    uint32_t width = 0;         // pixels across the picture at this zoom
    uint32_t bits_per_pixel = 0;
    size_t row_bytes = 0;
    std::vector<uint8_t> rows;  // the row of images being filled: image_height rows
    uint32_t held = 0;          // rows of it filled so far
    uint32_t image_row = 0;     // y of the images being filled
    BoxReducer reducer;         // this zoom's rows halved into the zoom below
};

struct TilePyramid {
    std::string folder;
    uint32_t image_width = 0;
    uint32_t image_height = 0;
    uint32_t top_zoom = 0;
    std::span<const uint8_t> palette;
    std::vector<PyramidLevel> levels;  // by zoom
    std::vector<uint8_t> reduced;      // one row halved
    PngImageEncoder encoders[2];       // one per thread
    int threads = 2;                   // images encoded at the same time; 1 encodes in line
};

// Starts the pyramid of a picture of width x height pixels (both exactly
// 2^zoom images of image_width x image_height for some zoom) in the folder,
// which must exist. 0, -1 for sizes that make no pyramid, or -2 when memory
// runs out (nothing printed).
[[nodiscard]] int tile_pyramid_open(TilePyramid& pyramid, const std::string& folder, uint32_t width, uint32_t height,
                                    uint32_t bits_per_pixel, std::span<const uint8_t> palette, uint32_t image_width,
                                    uint32_t image_height);

// Takes the next count packed rows of the picture, top row first, stride
// bytes apart, writing every image they complete. 0, or -1 when an image
// cannot be written or memory runs out (nothing printed).
[[nodiscard]] int tile_pyramid_rows(TilePyramid& pyramid, const uint8_t* rows, uint32_t count, size_t stride);

// 0 once every row was given and every image written, else -1.
[[nodiscard]] int tile_pyramid_finish(const TilePyramid& pyramid);
