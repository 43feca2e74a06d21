// Retouching: the composed hi-res map (sub-pixels, one byte each) turned into
// 24-bit colour the way a television decodes the colour signal. Brightness
// comes from how many sub-pixels are lit in a window one colour cycle wide,
// hue from which of the four phases are lit, saturation from how long the hue
// lasts along the scan line; YIQ is then converted to red, green and blue.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

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

// Saturation index of a column: n (0-12) equal hues around it, or
// kRetouchNoSaturation for a column without hue (saturation 0).
constexpr uint8_t kRetouchNoSaturation = 2 * kRetouchRunReach + 1;
constexpr uint32_t kRetouchSaturationSteps = kRetouchNoSaturation + 1;

// Everything a column's colour depends on takes few values: the pair of
// codes of its two windows (256), whether it is lit, and how far its hue
// runs (14). The colours of all of them are worked out once, each by the
// same formula a single pixel uses.
struct RetouchTables {
    std::array<uint8_t, 256> hue_id{};  // pair of codes -> distinct hue, or 255 for none
    uint8_t zero_hue_id = 0;            // the id of hue 0, which a column without hue takes
    // Blue, green, red and a zero byte, in memory order.
    std::array<std::array<uint32_t, 2 * kRetouchSaturationSteps>, 256> bgr{};
};

// The tables and the working lines of one picture width.
struct RetouchWork {
    RetouchTables tables;
    uint32_t width = 0;
    std::vector<uint8_t> weight;      // lit weights of the input line
    std::vector<uint8_t> pair;        // codes of the two windows
    std::vector<uint8_t> hue;         // hue id as computed
    std::vector<uint8_t> rewritten;   // hue id once the saturation pass has gone by
    std::vector<uint8_t> saturation;  // saturation index
};

// Sets up the work for a picture of width x height: 0, or -1 after "ERROR:
// memory exhausted!" when memory runs out or a 24-bit picture of that size
// would reach 4 GiB.
[[nodiscard]] int retouch_work_init(RetouchWork& work, uint32_t width, uint32_t height);

// Retouches picture rows [first, first + count) of a composed picture whose
// scan lines (its even rows) are given: row y takes the colours of scan line
// y / 2, which lies at lines + (y / 2 - first / 2) x line_stride and has its
// markers resolved in place. Row first + r (blue, green, red for each pixel)
// goes to top + r x stride.
void retouch_rows(RetouchWork& work, uint8_t* lines, size_t line_stride, uint32_t first, uint32_t count,
                  uint8_t* top, ptrdiff_t stride);
