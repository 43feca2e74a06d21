#include "retouch.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "hires.h"

// The arithmetic below is done in double precision in a fixed order; the
// build keeps the compiler from fusing multiplies and adds here.

namespace {

constexpr double kSaturationScale = 0.7;
constexpr double kHueShift = 10;
constexpr double kIScale = 0.595716;
constexpr double kQScale = 0.522591;
constexpr double kPi = 3.141592653589793;
constexpr double kFullScale = 255;

constexpr uint8_t kNoSaturation = kRetouchNoSaturation;
constexpr uint32_t kSaturationSteps = kRetouchSaturationSteps;
constexpr uint8_t kNoHueId = 255;

uint8_t channel(double v)
{
    if (!(v > 0)) return 0;
    if (v >= 255) return 255;
    return static_cast<uint8_t>(static_cast<int>(v));
}

void build_tables(RetouchTables& t)
{
    std::vector<double> hues;
    auto id_of = [&](double h) {
        for (size_t i = 0; i < hues.size(); ++i)
            if (hues[i] == h) return static_cast<uint8_t>(i);
        hues.push_back(h);
        return static_cast<uint8_t>(hues.size() - 1);
    };
    for (uint32_t pair = 0; pair < 256; ++pair) {
        const uint32_t a = pair >> 4, b = pair & 15;
        const double brightness = (retouch_code_brightness(a) + retouch_code_brightness(b)) / 2;
        const double mean = retouch_mean_hue(a, b);
        const bool none = mean < -1;
        t.hue_id[pair] = none ? kNoHueId : id_of(mean);
        for (uint32_t lit = 0; lit < 2; ++lit) {
            for (uint32_t s = 0; s < kSaturationSteps; ++s) {
                double hue = mean;
                double saturation = static_cast<double>(static_cast<int>(s) + kRetouchRunReach) / 18;
                if (s == kNoSaturation) {
                    hue = 0;
                    saturation = 0;
                }
                if (none && s != kNoSaturation) continue;  // never looked up
                uint8_t bgr[4] = {};
                retouch_pixel(brightness, hue, saturation, lit != 0, bgr);
                std::memcpy(&t.bgr[pair][lit * kSaturationSteps + s], bgr, 4);
            }
        }
    }
    t.zero_hue_id = id_of(0.0);
}

inline int64_t wrap(int64_t x, int64_t width)
{
    return x < 0 || x >= width ? ((x % width) + width) % width : x;
}

void set_weights(const uint8_t* __restrict in, uint8_t* __restrict weights, int64_t width)
{
    int64_t x = 0;
    for (; x + 4 <= width; x += 4) {
        weights[x] = in[x] != 0 ? 4 : 0;
        weights[x + 1] = in[x + 1] != 0 ? 8 : 0;
        weights[x + 2] = in[x + 2] != 0 ? 1 : 0;
        weights[x + 3] = in[x + 3] != 0 ? 2 : 0;
    }
    for (; x < width; ++x) weights[x] = in[x] != 0 ? hires_weight(x) : 0;
}

// Codes of the windows x-2..x+1 and x-1..x+2 for the columns that need no
// wrapping.
void set_pairs(const uint8_t* __restrict m, uint8_t* __restrict pair, int64_t from, int64_t to)
{
    for (int64_t x = from; x < to; ++x) {
        const uint8_t middle = static_cast<uint8_t>(m[x - 1] | m[x] | m[x + 1]);
        pair[x] = static_cast<uint8_t>((m[x - 2] | middle) << 4 | (middle | m[x + 2]));
    }
}

// Saturation indices of the columns at least six from either end: how many
// hues on each side, up to six, equal the column's own before one differs.
void count_runs(const uint8_t* __restrict hue, const uint8_t* __restrict rewritten,
                uint8_t* __restrict saturation, int64_t from, int64_t to)
{
    static_assert(kRetouchRunReach == 6);
    for (int64_t x = from; x < to; ++x) {
        const uint8_t h = hue[x];
        uint8_t run = 1, n = 0;
        run &= rewritten[x - 1] == h;
        n += run;
        run &= rewritten[x - 2] == h;
        n += run;
        run &= rewritten[x - 3] == h;
        n += run;
        run &= rewritten[x - 4] == h;
        n += run;
        run &= rewritten[x - 5] == h;
        n += run;
        run &= rewritten[x - 6] == h;
        n += run;
        run = 1;
        run &= hue[x + 1] == h;
        n += run;
        run &= hue[x + 2] == h;
        n += run;
        run &= hue[x + 3] == h;
        n += run;
        run &= hue[x + 4] == h;
        n += run;
        run &= hue[x + 5] == h;
        n += run;
        run &= hue[x + 6] == h;
        n += run;
        saturation[x] = h == kNoHueId ? kNoSaturation : n;
    }
}

void retouch_row(RetouchWork& w, uint8_t* in, uint8_t* out, int64_t width)
{
    const RetouchTables& t = w.tables;
    for (int64_t x = 0; x < width; x += kHiresMarkerSpan)
        if (in[x] == kHiresMarker) in[x] = x == 0 ? in[width - 1] : in[x - 1];

    // Brightness and hue both follow from the pair of codes.
    uint8_t* m = w.weight.data();
    set_weights(in, m, width);
    auto at = [&](int64_t x) -> uint8_t {
        if (x >= 0 && x < width) return m[x];
        return m[wrap(x, width)] != 0 ? hires_weight(x) : 0;
    };
    const int64_t head = std::min<int64_t>(2, width);
    const int64_t tail = std::max<int64_t>(head, width - 2);
    for (int64_t x = 0; x < width; x = x + 1 == head ? tail : x + 1) {
        const uint8_t a = at(x - 2) | at(x - 1) | at(x) | at(x + 1);
        const uint8_t b = at(x - 1) | at(x) | at(x + 1) | at(x + 2);
        w.pair[x] = static_cast<uint8_t>(a << 4 | b);
    }
    set_pairs(m, w.pair.data(), head, tail);
    uint8_t* hue = w.hue.data();
    uint8_t* rewritten = w.rewritten.data();
    for (int64_t x = 0; x < width; ++x) {
        hue[x] = t.hue_id[w.pair[x]];
        rewritten[x] = hue[x] == kNoHueId ? t.zero_hue_id : hue[x];
    }

    // Saturation. The pass runs left to right and gives columns without hue
    // the hue 0 as it goes by, so a column compares with the rewritten hues
    // on its left and the computed ones on its right.
    const int64_t first = std::min<int64_t>(kRetouchRunReach, width);
    const int64_t last = std::max<int64_t>(first, width - kRetouchRunReach);
    for (int64_t x = 0; x < width; x = x + 1 == first ? last : x + 1) {
        const uint8_t h = hue[x];
        if (h == kNoHueId) {
            w.saturation[x] = kNoSaturation;
            continue;
        }
        auto seen = [&](int64_t j) { return j < x ? rewritten[j] : hue[j]; };
        int n = 0;
        for (int k = 1; k <= kRetouchRunReach && seen(wrap(x - k, width)) == h; ++k) ++n;
        for (int k = 1; k <= kRetouchRunReach && seen(wrap(x + k, width)) == h; ++k) ++n;
        w.saturation[x] = static_cast<uint8_t>(n);
    }
    count_runs(hue, rewritten, w.saturation.data(), first, last);

    // Each colour goes out as four bytes, the fourth overwritten by the
    // next pixel; the last pixel takes three.
    auto colour = [&](int64_t x) {
        const uint32_t lit = in[x] != 0 ? 1 : 0;
        return t.bgr[w.pair[x]][lit * kSaturationSteps + w.saturation[x]];
    };
    for (int64_t x = 0; x + 1 < width; ++x) {
        const uint32_t c = colour(x);
        std::memcpy(out + 3 * x, &c, 4);
    }
    if (width > 0) {
        const uint32_t c = colour(width - 1);
        std::memcpy(out + 3 * (width - 1), &c, 3);
    }
}

}  // namespace

double retouch_code_brightness(uint32_t code)
{
    return static_cast<double>(std::popcount(code & 15)) / 4;
}

double retouch_mean_hue(uint32_t a, uint32_t b)
{
    const double h1 = kRetouchHue[a & 15];
    const double h2 = kRetouchHue[b & 15];
    if (h1 < -1) return h2;
    if (h2 < -1) return h1;
    double m = (h1 + h2) / 2;
    if (h1 - h2 < -180 || h1 - h2 > 180) m += 180;
    while (m >= 360) m -= 360;
    return m;
}

void retouch_pixel(double brightness, double hue, double saturation, bool lit, uint8_t bgr[3])
{
    double y = brightness;
    if (y == 0) {
        bgr[0] = bgr[1] = bgr[2] = 0;
        return;
    }
    if (!lit) y = y * saturation;
    const double s = saturation * kSaturationScale;
    double h = hue + kHueShift;
    if (h > 360) h -= 360;
    const double i = s * std::sin(h * kPi / 180) * kIScale;
    const double q = s * std::cos(h * kPi / 180) * kQScale;
    bgr[2] = channel((y + 0.9563 * i + 0.621 * q) * kFullScale);
    bgr[1] = channel((y - 0.2721 * i - 0.6474 * q) * kFullScale);
    bgr[0] = channel((y - 1.107 * i + 1.7046 * q) * kFullScale);
}

int retouch_work_init(RetouchWork& work, uint32_t width, uint32_t height)
{
    if (uint64_t{width} * height * 3 > UINT32_MAX) {
        std::puts("ERROR: memory exhausted!");
        return -1;
    }
    try {
        for (auto* line : {&work.weight, &work.pair, &work.hue, &work.rewritten, &work.saturation})
            line->resize(width);
        build_tables(work.tables);
    } catch (const std::bad_alloc&) {
        std::puts("ERROR: memory exhausted!");
        return -1;
    }
    work.width = width;
    return 0;
}

void retouch_rows(RetouchWork& work, uint8_t* lines, size_t line_stride, uint32_t first, uint32_t count,
                  uint8_t* top, ptrdiff_t stride)
{
    const size_t row_bytes = size_t{work.width} * 3;
    if (row_bytes == 0) return;
    const uint8_t* coloured = nullptr;
    uint8_t* out = top;
    for (uint32_t y = first; y < first + count; ++y, out += stride) {
        if (coloured && (y & 1)) {  // an odd row repeats the row above
            std::memcpy(out, coloured, row_bytes);
            continue;
        }
        retouch_row(work, lines + (y / 2 - first / 2) * line_stride, out, work.width);
        coloured = out;
    }
}

int retouch_bitmap(Bitmap& bitmap)
{
    const uint64_t width = bitmap.width;
    const uint64_t height = bitmap.height;
    if (width == 0 || height == 0 || bitmap.pixels.size() < width * height) return -1;
    RetouchWork work;
    if (retouch_work_init(work, bitmap.width, bitmap.height) < 0) return -1;
    std::vector<uint8_t> out;
    try {
        out.resize(width * height * 3);
    } catch (const std::bad_alloc&) {
        std::puts("ERROR: memory exhausted!");
        return -1;
    }
    retouch_rows(work, bitmap.pixels.data(), 2 * width, 0, bitmap.height, out.data(),
                 static_cast<ptrdiff_t>(width * 3));
    bitmap.pixels = std::move(out);
    bitmap.bits_per_pixel = 24;
    bitmap.size = static_cast<uint32_t>(width * height * 3);
    bitmap.palette = {};
    return 0;
}
