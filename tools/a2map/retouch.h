// Retouching: the composed hi-res map (sub-pixels, one byte each) turned into
// 24-bit colour the way a television decodes the colour signal. Brightness
// comes from how many sub-pixels are lit in a window one colour cycle wide,
// hue from which of the four phases are lit, saturation from how long the hue
// lasts along the scan line; YIQ is then converted to red, green and blue.
#pragma once

#include <array>
#include <cstdint>

#include "bitmap.h"

constexpr double kRetouchNoHue = -99.9;  // stored for codes without hue
constexpr int kRetouchRunReach = 6;      // columns looked at on each side

// Hue in degrees of each 4-bit colour code, kRetouchNoHue for none.
constexpr std::array<double, 16> kRetouchHue = {
    kRetouchNoHue, 45, 315, 0, 225, kRetouchNoHue, 270, 315,
    135,           90, kRetouchNoHue, 45, 180, 135, 225, kRetouchNoHue,
};

// Brightness of a code: set bits / 4.
[[nodiscard]] double retouch_code_brightness(uint32_t code);

// Mean of the hues of two codes on the short way round the circle; a code
// without hue yields the other's hue.
[[nodiscard]] double retouch_mean_hue(uint32_t a, uint32_t b);

// One output pixel from brightness, hue, saturation and whether the input
// sub-pixel is lit; bgr receives blue, green, red.
void retouch_pixel(double brightness, double hue, double saturation, bool lit, uint8_t bgr[3]);

// Replaces the picture's pixels with 24-bit colour (no palette); each even
// input row gives two equal output rows. 0, or -1 after "ERROR: memory
// exhausted!" with the picture left as it was.
[[nodiscard]] int retouch_bitmap(Bitmap& bitmap);
