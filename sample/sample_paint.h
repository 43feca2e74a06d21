// The sample tiles, drawn in code at any size: each pixel of a shape gets one
// of a few inks, which each port then turns into its own colours (colour
// indices, dither patterns, hi-res dots).
#pragma once

#include <cstdint>

namespace sample {

enum Ink : uint8_t {
    kClear,  // nothing: the shape beneath shows
    kBlack,
    kNavy,   // deep water
    kBlue,
    kSky,    // shallow water
    kFoam,
    kWhite,
    kDarkGreen,
    kGreen,
    kLightGreen,
    kOlive,
    kBrown,
    kTan,
    kGrey,
    kDarkGrey,
    kRed,
    kOrange,
    kYellow,
    kViolet,
    kSkin,
    kInkCount,
};

// The ink of pixel (x, y) of sample shape n (0-367) drawn w x h pixels large
// (w and h from 8 to 64). Only shapes that are laid over others (ships,
// bridges, gates, people, furniture, shores, ...) have clear pixels.
Ink shape_ink(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h);

// The shape that shows through the clear pixels of shape n where nothing is
// drawn beneath it: grass, floor or water. It has no clear pixels itself.
uint32_t shape_ground(uint32_t n);

// shape_ink with the ground shape's ink in the clear pixels.
Ink solid_ink(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h);

}  // namespace sample
