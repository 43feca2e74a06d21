// The sample tiles. Every shape is drawn on a 256 x 256 grid laid over its
// pixels (u across, v down), in integers, so that one drawing serves every
// tile size; fine texture (specks, seams) is placed by whole pixels.
#include "sample_paint.h"

#include <algorithm>
#include <cstdlib>

#include "pattern_tables.h"
#include "sample_noise.h"
#include "sample_tiles.h"

namespace sample {

namespace {

using namespace tile;

struct Pixel {
    uint32_t n;      // shape
    int x, y, w, h;  // the pixel and the shape's size
    int u, v;        // centre of the pixel on the 256 x 256 grid
    int pu, pv;      // one pixel on that grid
};

Pixel make_pixel(uint32_t n, int x, int y, int w, int h)
{
    return {n, x, y, w, h, (2 * x + 1) * 128 / w, (2 * y + 1) * 128 / h, 256 / w, 256 / h};
}

// The same shape seen in a mirror (left and right swapped).
Pixel mirrored(const Pixel& p) { return make_pixel(p.n, p.w - 1 - p.x, p.y, p.w, p.h); }

// The same shape turned over its diagonal (across and down swapped).
Pixel turned(const Pixel& p) { return {p.n, p.y, p.x, p.h, p.w, p.v, p.u, p.pv, p.pu}; }

int64_t sq(int64_t a) { return a * a; }

bool rect(const Pixel& p, int u0, int v0, int u1, int v1) { return p.u >= u0 && p.u < u1 && p.v >= v0 && p.v < v1; }

bool ellipse(const Pixel& p, int cu, int cv, int ru, int rv)
{
    return sq(p.u - cu) * sq(rv) + sq(p.v - cv) * sq(ru) <= sq(int64_t{ru} * rv);
}

bool disc(const Pixel& p, int cu, int cv, int r) { return ellipse(p, cu, cv, r, r); }

// On the rim of an ellipse: inside it, but not inside it shrunk by a pixel.
bool rim(const Pixel& p, int cu, int cv, int ru, int rv)
{
    return ellipse(p, cu, cv, ru, rv) && !ellipse(p, cu, cv, std::max(1, ru - p.pu), std::max(1, rv - p.pv));
}

// The pixel row (column) through grid position v (u).
bool row_at(const Pixel& p, int v) { return std::abs(p.v - v) * 2 <= p.pv && p.v - v < (p.pv + 1) / 2; }
bool column_at(const Pixel& p, int u) { return std::abs(p.u - u) * 2 <= p.pu && p.u - u < (p.pu + 1) / 2; }

// 0..255, fixed for each pixel position.
uint32_t grain(const Pixel& p, uint32_t salt)
{
    return hash_at(static_cast<uint32_t>(p.x), static_cast<uint32_t>(p.y), salt) & 255;
}

Ink speckled(const Pixel& p, Ink base, Ink a, uint32_t a_in_256, Ink b, uint32_t b_in_256, uint32_t salt)
{
    const uint32_t g = grain(p, salt);
    if (g < a_in_256) return a;
    if (g < a_in_256 + b_in_256) return b;
    return base;
}

// Smooth noise 0..255 over the tile that repeats at its edges.
uint32_t tile_noise(const Pixel& p, uint32_t salt)
{
    const int u = std::clamp(p.u, 0, 255), v = std::clamp(p.v, 0, 255);
    const uint32_t gx = static_cast<uint32_t>(u / 64), gy = static_cast<uint32_t>(v / 64);
    auto corner = [&](uint32_t cx, uint32_t cy) { return hash_at(cx % 4, cy % 4, salt) & 255; };
    auto smooth = [](uint32_t t) { return t * t * (768 - 2 * t) / 65536; };
    const uint32_t sx = smooth(static_cast<uint32_t>(u % 64) * 4), sy = smooth(static_cast<uint32_t>(v % 64) * 4);
    const uint32_t top = (corner(gx, gy) * (256 - sx) + corner(gx + 1, gy) * sx) >> 8;
    const uint32_t bottom = (corner(gx, gy + 1) * (256 - sx) + corner(gx + 1, gy + 1) * sx) >> 8;
    return (top * (256 - sy) + bottom * sy) >> 8;
}

using Painter = Ink (*)(const Pixel&);

// The figure that `paint` draws, with a black line around it.
Ink outlined(const Pixel& p, Painter paint)
{
    const Ink ink = paint(p);
    if (ink != kClear) return ink;
    constexpr int kAround[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& d : kAround) {
        const int x = p.x + d[0], y = p.y + d[1];
        if (x < 0 || y < 0 || x >= p.w || y >= p.h) continue;
        if (paint(make_pixel(p.n, x, y, p.w, p.h)) != kClear) return kBlack;
    }
    return kClear;
}

// ---- terrain -------------------------------------------------------------------

struct Stroke {
    int u, v, half;
};
constexpr Stroke kWaves[] = {{64, 52, 36}, {188, 100, 40}, {100, 172, 36}, {212, 220, 32}, {28, 228, 24}};

bool on_wave(const Pixel& p, const Stroke& w, int droop)
{
    const int du = p.u - w.u;
    if (std::abs(du) > w.half) return false;
    return row_at(p, w.v + du * du * droop / (w.half * w.half));
}

Ink water(const Pixel& p, int depth)
{
    constexpr Ink kBase[3] = {kNavy, kBlue, kSky};
    constexpr Ink kCrest[3] = {kBlue, kSky, kFoam};
    constexpr int kCount[3] = {2, 3, 4};
    for (int k = 0; k < kCount[depth]; ++k)
        if (on_wave(p, kWaves[k], 12)) return kCrest[depth];
    return kBase[depth];
}

Ink grass(const Pixel& p) { return speckled(p, kGreen, kDarkGreen, 40, kLightGreen, 12, 11); }

Ink brush(const Pixel& p)
{
    constexpr int kBushes[][3] = {{56, 64, 38}, {180, 52, 34}, {116, 164, 42}, {216, 188, 32}, {36, 212, 30},
                                  {128, 40, 22}, {200, 116, 24}};
    for (const auto& b : kBushes)
        if (disc(p, b[0], b[1], b[2])) return disc(p, b[0] - b[2] / 3, b[1] - b[2] / 3, b[2] / 3) ? kGreen : kDarkGreen;
    return speckled(p, kGreen, kLightGreen, 70, kBrown, 24, 12);
}

// Round tree tops in staggered rows, each lit from the upper left and, on
// larger tiles, ringed in black.
Ink forest(const Pixel& p)
{
    constexpr int r = 44;
    Ink ink = kBlack;
    for (int row = -1; row <= 4; ++row)
        for (int col = -1; col <= 4; ++col) {
            const int cu = 32 + 64 * col + (row % 2 ? 32 : 0), cv = 32 + 64 * row;
            if (!disc(p, cu, cv, r)) continue;
            if (p.w >= 24 && rim(p, cu, cv, r, r)) ink = kBlack;
            else if (disc(p, cu - r / 3, cv - r / 3, r / 3)) ink = kGreen;
            else ink = kDarkGreen;
        }
    return ink;
}

Ink hills(const Pixel& p)
{
    struct Hump {
        int u, v, ru, rv;
    };
    constexpr Hump kHumps[] = {{200, 128, 80, 96}, {56, 152, 72, 88}, {132, 248, 112, 120}};  // far ones first
    Ink ink = grass(p);
    for (const Hump& h : kHumps) {
        if (p.v > h.v || !ellipse(p, h.u, h.v, h.ru, h.rv)) continue;
        const int du = p.u - h.u;
        if (!ellipse(p, h.u, h.v + p.pv, std::max(1, h.ru - p.pu), std::max(1, h.rv - p.pv)))
            ink = p.w >= 24 ? kBlack : kDarkGreen;
        else if (du < -h.ru / 2) ink = kLightGreen;
        else if (du > h.ru / 4) ink = kBrown;
        else ink = kOlive;
    }
    return ink;
}

Ink mountains(const Pixel& p)
{
    struct Peak {
        int u, v, half, snow;
    };
    constexpr Peak kPeaks[] = {{204, 72, 76, 28}, {40, 112, 60, 20}, {112, 8, 124, 56}};  // far ones first
    Ink ink = speckled(p, kDarkGrey, kBrown, 70, kGrey, 30, 13);
    for (const Peak& k : kPeaks) {
        if (p.v < k.v || p.v > 248) continue;
        const int half = (p.v - k.v) * k.half / (248 - k.v);
        const int du = p.u - k.u;
        if (std::abs(du) > half) continue;
        if (std::abs(du) + p.pu > half) ink = kBlack;
        else if (p.v < k.v + k.snow + ((p.u / 16) % 2) * 8) ink = kWhite;
        else ink = du < 0 ? kGrey : kDarkGrey;
    }
    return ink;
}

Ink swamp(const Pixel& p)
{
    constexpr int kPools[][4] = {{72, 76, 48, 22}, {188, 148, 52, 24}, {92, 212, 40, 18}};
    for (const auto& q : kPools)
        if (ellipse(p, q[0], q[1], q[2], q[3])) return p.v < q[1] - q[3] / 3 ? kBlue : kNavy;
    const uint32_t h = hash_at(static_cast<uint32_t>(p.x), 7, 21);
    const int top = static_cast<int>((h >> 8) % 200) + 8;
    if (h % 3 == 0 && p.v >= top && p.v < top + 36) return kDarkGreen;
    return speckled(p, kOlive, kViolet, 14, kGreen, 30, 14);
}

Ink lava(const Pixel& p)
{
    const uint32_t n = tile_noise(p, 31);
    if (n > 120 && n < 140) return kYellow;
    if (n > 104 && n < 156) return kOrange;
    if (n < 56) return kDarkGrey;
    return kRed;
}

Ink desert(const Pixel& p)
{
    for (const Stroke& w : kWaves)
        if (on_wave(p, w, -14)) return kBrown;
    return speckled(p, kTan, kYellow, 20, kOrange, 8, 16);
}

// ---- places on the world map ------------------------------------------------------

Ink town(const Pixel& p)
{
    if (!rect(p, 24, 24, 232, 232)) return grass(p);
    if (!rect(p, 44, 44, 212, 212)) {
        if (rect(p, 108, 200, 148, 256)) return kTan;  // gate
        const bool tower = (p.u < 60 || p.u >= 196) && (p.v < 60 || p.v >= 196);
        return tower ? kWhite : kGrey;
    }
    constexpr int kRoofs[][4] = {{56, 56, 116, 112}, {140, 56, 200, 112}, {56, 136, 104, 196}, {152, 136, 200, 196}};
    for (const auto& r : kRoofs)
        if (rect(p, r[0], r[1], r[2], r[3])) return row_at(p, (r[1] + r[3]) / 2) ? kBrown : kRed;
    return kTan;
}

Ink castle(const Pixel& p)
{
    constexpr int kTowers[][2] = {{60, 76}, {196, 76}, {60, 212}, {196, 212}};
    for (const auto& t : kTowers)
        if (disc(p, t[0], t[1], 36)) return rim(p, t[0], t[1], 36, 36) ? kDarkGrey : kGrey;
    if (rect(p, 64, 76, 192, 224)) {
        if (rect(p, 108, 168, 148, 224)) return kBlack;  // gate
        if (p.v < 76 + 20) return (p.u / 20) % 2 ? kWhite : kGrey;
        return rect(p, 96, 112, 160, 160) ? kWhite : kGrey;
    }
    if (rect(p, 124, 8, 132 + p.pu, 76)) return kBlack;  // flagpole
    if (rect(p, 132, 8, 180, 40)) return kBlue;
    return grass(p);
}

Ink village(const Pixel& p)
{
    constexpr int kHuts[][3] = {{76, 88, 44}, {180, 80, 38}, {128, 184, 46}};
    for (const auto& h : kHuts)
        if (disc(p, h[0], h[1], h[2])) {
            if (rim(p, h[0], h[1], h[2], h[2])) return kBrown;
            return (p.u - h[0]) + (p.v - h[1]) > h[2] / 3 ? kOrange : kTan;
        }
    if (rect(p, 112, 0, 144, 140)) return kTan;  // path
    return grass(p);
}

Ink shrine(const Pixel& p)
{
    constexpr int kStones[8][2] = {{84, 0}, {59, 59}, {0, 84}, {-59, 59}, {-84, 0}, {-59, -59}, {0, -84}, {59, -59}};
    for (const auto& s : kStones)
        if (rect(p, 128 + s[0] - 14, 128 + s[1] - 18, 128 + s[0] + 14, 128 + s[1] + 18))
            return p.u > 128 + s[0] + 2 ? kGrey : kWhite;
    if (disc(p, 128, 128, 26)) return disc(p, 128, 128, 14) ? kYellow : kOrange;
    if (disc(p, 128, 128, 110)) return rim(p, 128, 128, 110, 110) ? kDarkGrey : kGrey;
    return grass(p);
}

Ink dungeon(const Pixel& p)
{
    if (p.v >= 132 && ellipse(p, 128, 208, 60, 76)) return rim(p, 128, 208, 60, 76) ? kTan : kBlack;
    return mountains(p);
}

bool on_road(int u, int v, uint32_t sides)
{
    constexpr int half = 48;
    const bool across = v >= 128 - half && v < 128 + half, along = u >= 128 - half && u < 128 + half;
    if (across && along) return true;
    return (along && ((sides & kNorth && v < 128) || (sides & kSouth && v >= 128))) ||
           (across && ((sides & kWest && u < 128) || (sides & kEast && u >= 128)));
}

Ink road(const Pixel& p, uint32_t sides)
{
    if (!on_road(p.u, p.v, sides)) return grass(p);
    const bool edge = !on_road(p.u - p.pu, p.v, sides) || !on_road(p.u + p.pu, p.v, sides) ||
                      !on_road(p.u, p.v - p.pv, sides) || !on_road(p.u, p.v + p.pv, sides);
    if (edge) {
        // The road runs on into the next tile at the tile's edge.
        const bool open = (p.u - p.pu < 0 && sides & kWest) || (p.u + p.pu > 255 && sides & kEast) ||
                          (p.v - p.pv < 0 && sides & kNorth) || (p.v + p.pv > 255 && sides & kSouth);
        if (!open) return kBrown;
    }
    return speckled(p, kTan, kBrown, 30, kYellow, 12, 15);
}

// ---- things over water ------------------------------------------------------------

Ink bridge_east_west(const Pixel& p)
{
    if (p.v < 72 || p.v >= 184) return kClear;
    if (p.v < 88 || p.v >= 168) return (p.u % 64) < 16 ? kBlack : kDarkGrey;  // rails and posts
    return (p.u % 32) < p.pu ? kBlack : kBrown;
}

Ink bridge_north_south(const Pixel& p) { return bridge_east_west(turned(p)); }

Ink pier(const Pixel& p)
{
    if (p.u >= 208) return kClear;
    if (rect(p, 176, 72, 208, 184)) return kDarkGrey;  // the end post
    return bridge_east_west(p);
}

Ink rocks(const Pixel& p)
{
    constexpr int kStones[][4] = {{80, 92, 48, 38}, {180, 156, 54, 42}, {92, 204, 34, 26}};
    for (const auto& s : kStones) {
        if (!ellipse(p, s[0], s[1], s[2], s[3])) continue;
        const int d = (p.u - s[0]) + (p.v - s[1]);
        return d < -s[2] / 2 ? kWhite : d > s[2] / 2 ? kDarkGrey : kGrey;
    }
    for (const auto& s : kStones)
        if (ellipse(p, s[0], s[1], s[2] + 2 * p.pu, s[3] + 2 * p.pv)) return kFoam;
    return kClear;
}

Ink ship(const Pixel& p)
{
    if (p.v >= 156 && p.v < 204) {  // hull, the bow to the east
        const int d = p.v - 156;
        if (p.u >= 24 + d * 32 / 48 && p.u <= 232 - d * 36 / 48) return d < 10 ? kTan : kBrown;
    }
    if (rect(p, 120, 24, 132 + p.pu / 2, 156)) return kDarkGrey;  // mast
    if (rect(p, 72, 40, 184, 128) && p.u < 184 - (p.v - 40) / 8) return row_at(p, 84) ? kRed : kWhite;
    if (rect(p, 132, 16, 172, 36)) return kRed;  // flag
    return kClear;
}

Ink ship_east(const Pixel& p) { return outlined(p, ship); }
Ink ship_west(const Pixel& p) { return outlined(mirrored(p), ship); }

Ink balloon(const Pixel& p)
{
    if (ellipse(p, 128, 92, 88, 84) && p.v < 160) {
        if (disc(p, 96, 56, 18)) return kWhite;
        const int gore = (p.u - 128) * 5 / 88;
        return (gore + 10) % 2 ? kYellow : kRed;
    }
    if (p.v >= 150 && p.v < 208) {  // ropes
        const int t = (p.v - 150) * 36 / 58;
        if (column_at(p, 76 + t) || column_at(p, 180 - t)) return kDarkGrey;
    }
    if (rect(p, 104, 204, 152, 244)) return p.v < 204 + p.pv ? kTan : kBrown;
    return kClear;
}

// Gates 64-67: a ring of light rising from the ground, full at 67.
Ink gate(const Pixel& p)
{
    const int stage = static_cast<int>(p.n) - 64;
    const int ru = 92, rv = 30 + 30 * stage, cv = 244 - rv;
    if (!ellipse(p, 128, cv, ru, rv)) return kClear;
    if (!ellipse(p, 128, cv, ru - 20, std::max(4, rv - 20))) return kBlue;
    if (!ellipse(p, 128, cv, ru - 36, std::max(4, rv - 36))) return kSky;
    if (!ellipse(p, 128, cv, ru - 48, std::max(4, rv - 48))) return kWhite;
    return (p.x + p.y) % 2 ? kViolet : kClear;
}

Ink well(const Pixel& p)
{
    if (rect(p, 36, 116, 220, 132 + p.pv / 2)) return kBrown;  // the beam
    if (!disc(p, 128, 128, 76)) return kClear;
    if (rim(p, 128, 128, 76, 76)) return kDarkGrey;
    if (!disc(p, 128, 128, 52)) return kGrey;
    return disc(p, 112, 112, 14) ? kSky : kNavy;
}

Ink flowers(const Pixel& p)
{
    constexpr int kBlooms[][2] = {{40, 48}, {120, 28}, {200, 64}, {80, 120}, {168, 144}, {32, 192}, {112, 216}, {216, 212}};
    constexpr Ink kPetals[] = {kRed, kYellow, kWhite, kViolet};
    for (int k = 0; k < 8; ++k) {
        const int du = std::abs(p.u - kBlooms[k][0]), dv = std::abs(p.v - kBlooms[k][1]);
        if (du <= p.pu / 2 && dv <= p.pv / 2) return kYellow;
        if (du * 2 <= 3 * p.pu && dv * 2 <= 3 * p.pv && du + dv > 0) return kPetals[k % 4];
    }
    return grass(p);
}

// Shores: land along the sides named by `sides`, sand and surf at its edge.
int wobble(int t) { return std::abs(((t % 128) + 128) % 128 - 64) / 4 - 8; }

Ink shore(const Pixel& p, uint32_t sides)
{
    int depth = -1000;  // how far inside the land, on the grid
    if (sides & kNorth) depth = std::max(depth, 64 + wobble(p.u) - p.v);
    if (sides & kSouth) depth = std::max(depth, p.v - 192 - wobble(p.u + 64));
    if (sides & kWest) depth = std::max(depth, 64 + wobble(p.v + 32) - p.u);
    if (sides & kEast) depth = std::max(depth, p.u - 192 - wobble(p.v + 96));
    const int one = std::max(p.pu, p.pv);
    if (depth >= 2 * one) return grass(p);
    if (depth >= 0) return kTan;
    if (depth >= -one) return kFoam;
    return kClear;
}

// ---- inside towns -------------------------------------------------------------------

Ink stone_wall(const Pixel& p)
{
    const int row = p.v / 64, shift = row % 2 ? 64 : 0;
    if ((p.v % 64) < p.pv || ((p.u + shift) % 128) < p.pu) return kDarkGrey;
    if ((p.v % 64) < 2 * p.pv) return kWhite;
    return speckled(p, kGrey, kDarkGrey, 16, kGrey, 0, 17);
}

Ink timber_wall(const Pixel& p)
{
    if (p.v < 32 || p.v >= 224 || p.u < 24) return p.v % 32 < p.pv ? kBlack : kBrown;  // beams and a post
    if (std::abs((p.u - 24) * 192 / 232 - (p.v - 32)) < 14) return kBrown;           // a brace
    return speckled(p, kSkin, kTan, 30, kSkin, 0, 18);
}

Ink wood_floor(const Pixel& p)
{
    const int row = p.v / 64, shift = (row * 96) % 256;
    if ((p.v % 64) < p.pv || ((p.u + shift) % 256) < p.pu) return kBlack;
    return speckled(p, kBrown, kOrange, 14, kDarkGrey, 10, 19);
}

Ink stone_floor(const Pixel& p)
{
    const int row = p.v / 64, shift = row % 2 ? 32 : 0;
    if ((p.v % 64) < p.pv || ((p.u + shift) % 64) < p.pu) return kBlack;
    return speckled(p, kDarkGrey, kGrey, 40, kBlack, 12, 20);
}

Ink cobbles(const Pixel& p)
{
    const int row = p.v / 48, shift = row % 2 ? 24 : 0;
    const int cu = (p.u + shift) % 48, cv = p.v % 48;
    if (cu < p.pu || cv < p.pv) return kDarkGrey;
    const uint32_t stone = hash_at(static_cast<uint32_t>((p.u + shift) / 48), static_cast<uint32_t>(row), 22);
    return stone % 3 == 0 ? kTan : kGrey;
}

Ink door(const Pixel& p)
{
    if (!rect(p, 72, 32, 184, 256) || (p.v < 72 && !ellipse(p, 128, 72, 56, 40))) return stone_wall(p);
    if (disc(p, 160, 148, 10)) return kYellow;
    return ((p.u - 72) % 28) < p.pu ? kBlack : kBrown;
}

Ink window(const Pixel& p)
{
    if (!rect(p, 72, 56, 184, 184)) return stone_wall(p);
    if (p.v >= 168) return kWhite;  // sill
    if (!rect(p, 80, 64, 176, 168) || column_at(p, 128) || row_at(p, 116)) return kDarkGrey;
    return p.u + p.v < 200 ? kFoam : kSky;
}

Ink counter(const Pixel& p)
{
    if (rect(p, 0, 88, 256, 168)) {
        if (disc(p, 72, 116, 12) || disc(p, 96, 124, 12)) return kYellow;  // coins
        if (rect(p, 168, 96, 188, 148)) return kRed;                         // a bottle
        return p.v < 88 + 2 * p.pv ? kTan : kBrown;
    }
    return wood_floor(p);
}

Ink sign(const Pixel& p)
{
    if (rect(p, 56, 24, 72, 236)) return kBrown;  // post
    if (rect(p, 72, 40, 216, 128)) {
        if (!rect(p, 72 + p.pu, 40 + p.pv, 216 - p.pu, 128 - p.pv)) return kBrown;
        if (disc(p, 144, 84, 26)) return rim(p, 144, 84, 26, 26) ? kOrange : kYellow;
        return kTan;
    }
    return cobbles(p);
}

Ink table(const Pixel& p)
{
    if (rect(p, 112, 36, 144, 68) || rect(p, 112, 188, 144, 220)) return kBrown;  // stools
    if (!rect(p, 48, 80, 208, 176)) return kClear;
    if (disc(p, 96, 128, 18)) return kWhite;
    if (disc(p, 168, 120, 12)) return kGrey;
    return (p.v - 80) % 32 < p.pv ? kBrown : kTan;
}

Ink bed(const Pixel& p)
{
    if (!rect(p, 60, 24, 196, 236)) return kClear;
    if (!rect(p, 72, 36, 184, 224)) return kBrown;
    if (p.v < 92) return rect(p, 84, 44, 172, 84) ? kWhite : kSkin;
    return row_at(p, 120) ? kOrange : kRed;
}

Ink chest(const Pixel& p)
{
    if (!rect(p, 48, 72, 208, 200)) return kClear;
    if (rect(p, 116, 100, 140, 132)) return rect(p, 124, 112, 132, 128) ? kBlack : kYellow;
    if (rect(p, 72, 72, 88, 200) || rect(p, 168, 72, 184, 200)) return kYellow;
    return row_at(p, 112) ? kBlack : kBrown;
}

Ink throne(const Pixel& p)
{
    if (rect(p, 80, 28, 176, 112)) return rect(p, 96, 44, 160, 112) ? kOrange : kYellow;
    if (rect(p, 72, 112, 184, 180)) return rect(p, 88, 112, 168, 168) ? kViolet : kYellow;
    if (rect(p, 76, 180, 96, 220) || rect(p, 160, 180, 180, 220)) return kBrown;
    return (p.u < 24 || p.u >= 232) ? kYellow : kRed;
}

Ink altar(const Pixel& p)
{
    if (rect(p, 48, 104, 208, 200)) return p.u > 180 || p.v > 180 ? kGrey : kWhite;
    for (int c : {80, 176}) {
        if (rect(p, c - 8, 64, c + 8, 104)) return kTan;
        if (ellipse(p, c, 52, 8, 14)) return kYellow;
    }
    return stone_floor(p);
}

Ink fountain(const Pixel& p)
{
    if (!disc(p, 128, 128, 104)) return kClear;
    if (!disc(p, 128, 128, 84)) return rim(p, 128, 128, 104, 104) ? kDarkGrey : kGrey;
    if (disc(p, 128, 128, 16)) return kWhite;
    if (rim(p, 128, 128, 40, 40)) return kFoam;
    return kSky;
}

Ink lamp(const Pixel& p)
{
    if (rect(p, 104, 24, 152, 72)) return rect(p, 112, 32, 144, 64) ? kYellow : kBlack;
    if (rect(p, 120, 72, 136, 224)) return kDarkGrey;
    if (rect(p, 100, 224, 156, 244)) return kDarkGrey;
    return kClear;
}

Ink barrel(const Pixel& p)
{
    if (!disc(p, 128, 128, 84)) return kClear;
    if (rim(p, 128, 128, 84, 84) || rim(p, 128, 128, 56, 56)) return kDarkGrey;
    if (disc(p, 128, 128, 56)) return ((p.u + 8) % 32) < p.pu ? kBrown : kTan;
    return kBrown;
}

Ink crate(const Pixel& p)
{
    if (!rect(p, 40, 40, 216, 216)) return kClear;
    if (!rect(p, 56, 56, 200, 200) || std::abs(p.u - p.v) < 12) return kBrown;
    return kTan;
}

Ink carpet(const Pixel& p)
{
    if (p.u < 24 || p.u >= 232) return kYellow;
    const int du = std::abs(p.u - 128), dv = std::abs((p.v % 128) - 64);
    if (du + dv < 36 && du + dv > 20) return kOrange;
    return kRed;
}

Ink hearth(const Pixel& p)
{
    if (rect(p, 48, 72, 208, 92)) return kBrown;  // mantel
    if (!rect(p, 64, 92, 192, 256)) return stone_wall(p);
    const int flame = 96 - std::abs(p.u - 128) * 3 / 2 + static_cast<int>(tile_noise(p, 23) / 8);
    if (p.v > 256 - flame) return p.v > 256 - flame / 2 ? kYellow : kOrange;
    return kBlack;
}

Ink bookshelf(const Pixel& p)
{
    if (p.u < 16 || p.u >= 240 || (p.v % 84) < 14) return kBrown;
    constexpr Ink kBooks[] = {kRed, kBlue, kGreen, kYellow, kViolet, kTan, kNavy, kOrange};
    const uint32_t book = hash_at(static_cast<uint32_t>(p.u / 18), static_cast<uint32_t>(p.v / 84), 24);
    if ((p.v % 84) < 14 + static_cast<int>(book >> 12) % 20) return kBlack;
    return kBooks[book % 8];
}

Ink anvil(const Pixel& p)
{
    if (rect(p, 56, 96, 208, 128) || (rect(p, 24, 96, 56, 128) && p.v - 96 < (p.u - 24)) ||
        rect(p, 100, 128, 156, 176) || rect(p, 72, 176, 184, 208))
        return p.v < 96 + p.pv ? kGrey : kDarkGrey;
    return stone_floor(p);
}

Ink crops(const Pixel& p)
{
    if ((p.u % 64) >= 16 && (p.u % 64) < 48) return speckled(p, kGreen, kLightGreen, 60, kDarkGreen, 40, 25);
    return speckled(p, kBrown, kDarkGrey, 30, kBrown, 0, 26);
}

Ink fence(const Pixel& p)
{
    if (rect(p, 0, 100, 256, 116) || rect(p, 0, 152, 256, 168)) return kBrown;
    if ((p.u % 64) >= 24 && (p.u % 64) < 40 && p.v >= 84 && p.v < 184) return kBrown;
    return grass(p);
}

Ink stairs(const Pixel& p)
{
    constexpr Ink kSteps[] = {kWhite, kWhite, kGrey, kGrey, kDarkGrey, kDarkGrey, kBlack, kBlack};
    if ((p.v % 32) < p.pv) return kBlack;
    if (p.u < 16 || p.u >= 240) return kBrown;
    return kSteps[std::clamp(p.v / 32, 0, 7)];
}

Ink pews(const Pixel& p)
{
    if (rect(p, 24, 48, 232, 88) || rect(p, 24, 152, 232, 192)) return (p.v % 104) < 56 ? kTan : kBrown;
    return wood_floor(p);
}

Ink graves(const Pixel& p)
{
    constexpr int kStones[][2] = {{80, 60}, {176, 124}};
    for (const auto& s : kStones) {
        if (rect(p, s[0] - 32, s[1] + 16, s[0] + 32, s[1] + 80) || ellipse(p, s[0], s[1] + 16, 32, 20))
            return p.u > s[0] + 16 ? kDarkGrey : kGrey;
        if (rect(p, s[0] - 28, s[1] + 80, s[0] + 28, s[1] + 112)) return kBrown;
    }
    return grass(p);
}

Ink hedge(const Pixel& p)
{
    const int cu = (p.u / 64) * 64 + 32, cv = (p.v / 64) * 64 + 32;
    if (disc(p, cu - 10, cv - 10, 12)) return kLightGreen;
    return disc(p, cu, cv, 34) ? kGreen : kDarkGreen;
}

Ink stall(const Pixel& p)
{
    if (p.v < 120) return (p.u / 32) % 2 ? kWhite : kRed;
    if (p.v < 160) return kBrown;
    constexpr Ink kGoods[] = {kRed, kYellow, kGreen, kOrange};
    const int cu = (p.u / 40) * 40 + 20;
    if (disc(p, cu, 200, 16)) return kGoods[(p.u / 40) % 4];
    return kTan;
}

Ink tower(const Pixel& p)
{
    if (!disc(p, 128, 128, 108)) return stone_wall(p);
    if (!disc(p, 128, 128, 84)) return ((p.u / 32) + (p.v / 32)) % 2 ? kWhite : kGrey;
    if (rect(p, 104, 104, 152, 152)) return (p.v % 16) < 8 ? kBlack : kDarkGrey;
    return kDarkGrey;
}

Ink unknown(const Pixel& p) { return ((p.x / 4) + (p.y / 4)) % 2 ? kViolet : kBlack; }

// ---- people and creatures -----------------------------------------------------------

enum Prop : uint8_t { kNone, kSpear, kStaff, kSword, kLute, kCrown, kPointedHat, kApron, kHammer, kCrook };

struct Folk {
    uint16_t shape;
    Ink hair, top, legs;
    Prop prop;
    bool robe;   // a long garment instead of legs
    bool small;  // a child
};

constexpr Folk kFolk[] = {
    {31, kBrown, kSky, kBlue, kNone, false, true},        // child
    {32, kGrey, kRed, kDarkGrey, kSpear, false, false},   // guard
    {34, kBlack, kTan, kBrown, kApron, false, false},     // merchant
    {36, kViolet, kViolet, kViolet, kPointedHat, true, false},  // mage
    {38, kWhite, kWhite, kWhite, kStaff, true, false},    // priest
    {40, kGrey, kGrey, kDarkGrey, kSword, false, false},  // knight
    {42, kYellow, kGreen, kBrown, kLute, false, false},   // bard
    {44, kTan, kOlive, kBrown, kNone, false, false},      // farmer
    {46, kBlack, kWhite, kBlue, kNone, false, false},     // sailor
    {80, kYellow, kRed, kRed, kCrown, true, false},       // ruler
    {82, kYellow, kViolet, kViolet, kNone, true, false},  // lady
    {84, kRed, kYellow, kRed, kPointedHat, false, false}, // jester
    {86, kBrown, kDarkGrey, kBrown, kNone, true, false},  // beggar
    {88, kOrange, kWhite, kWhite, kNone, true, false},    // healer
    {90, kBlack, kDarkGrey, kBrown, kHammer, false, false},  // smith
    {92, kWhite, kTan, kBrown, kCrook, false, false},     // shepherd
    {94, kDarkGreen, kDarkGreen, kBrown, kStaff, false, false},  // ranger
    {196, kWhite, kWhite, kWhite, kSword, false, false},  // skeleton
    {252, kOlive, kOlive, kBrown, kHammer, false, false}, // troll
};

enum Beast : uint8_t { kHorse, kDog, kCat, kSheep, kHen, kRat, kBat, kGhost, kSlime, kDragon, kSnake };

struct Animal {
    uint16_t shape;
    Beast beast;
};

constexpr Animal kAnimals[] = {{132, kHorse}, {136, kDog},  {138, kCat},   {156, kSheep},
                               {164, kHen},   {176, kRat},  {192, kBat},   {200, kGhost},
                               {204, kSlime}, {224, kDragon}, {240, kSnake}};

const Folk* folk_of(uint32_t n)
{
    for (const Folk& f : kFolk)
        if (f.shape == n || f.shape + 1u == n) return &f;
    return nullptr;
}

const Animal* animal_of(uint32_t n)
{
    for (const Animal& a : kAnimals)
        if (a.shape == n || a.shape + 1u == n) return &a;
    return nullptr;
}

Ink person(const Pixel& p0)
{
    const Folk& f = *folk_of(p0.n);
    const bool step = p0.n != f.shape;  // people and beasts come in pairs, the second a step later
    Pixel p = p0;
    if (f.small) {
        p.u = 128 + (p.u - 128) * 3 / 2;
        p.v = 256 - (256 - p.v) * 3 / 2;
    }
    // Things held or worn, drawn in front.
    switch (f.prop) {
        case kSpear:
            if (rect(p, 194, 36, 204, 240)) return kDarkGrey;
            if (p.v >= 8 && p.v < 36 && std::abs(p.u - 199) * 2 < (p.v - 8)) return kWhite;
            break;
        case kStaff:
        case kCrook:
            if (rect(p, 194, 40, 204, 240)) return kBrown;
            if (f.prop == kStaff && disc(p, 199, 30, 14)) return kOrange;
            if (f.prop == kCrook && rim(p, 184, 40, 20, 20) && p.v < 44) return kBrown;
            break;
        case kSword:
            if (rect(p, 190, 80, 200, 160)) return kWhite;
            if (rect(p, 178, 160, 212, 170)) return kYellow;
            break;
        case kLute:
            if (ellipse(p, 112, 150, 28, 22)) return disc(p, 112, 150, 6) ? kBlack : kOrange;
            if (std::abs((p.u - 136) - (150 - p.v)) < 6 && p.u > 136 && p.u < 180) return kBrown;
            break;
        case kHammer:
            if (rect(p, 180, 112, 216, 136)) return kDarkGrey;
            if (rect(p, 194, 136, 202, 180)) return kBrown;
            break;
        case kCrown:
            if (rect(p, 100, 14, 156, 34) && (p.v >= 24 || (p.u / 14) % 2 == 0)) return kYellow;
            break;
        case kPointedHat:
            if (p.v < 44 && std::abs(p.u - 128) * 44 < (p.v + 4) * 44) return f.hair;
            break;
        default:
            break;
    }
    if (disc(p, 128, 62, 30)) {
        if (p.v < 52 || std::abs(p.u - 128) > 24) return f.hair;
        if (row_at(p, 64) && (column_at(p, 116) || column_at(p, 140))) return kBlack;
        return f.hair == kWhite && f.top == kWhite && f.prop == kSword ? kWhite : kSkin;
    }
    const int swing = step ? 12 : 0;
    if (rect(p, 72 - swing / 2, 96 - swing, 92, 168 - swing) || rect(p, 164, 96 + swing / 2, 184 + swing / 2, 168)) {
        const bool hand = (p.u < 92 && p.v >= 152 - swing) || (p.u >= 164 && p.v >= 152);
        return hand ? kSkin : f.top;
    }
    if (f.robe) {
        const int half = 36 + (p.v - 92) / 5;
        if (p.v >= 92 && p.v < 236 && std::abs(p.u - 128) < half) return p.v >= 140 ? f.legs : f.top;
        return kClear;
    }
    if (rect(p, 92, 92, 164, 184)) {
        if (f.prop == kApron && rect(p, 100, 120, 156, 184)) return kWhite;
        if (f.top == kWhite && f.legs == kBlue && (p.v / 16) % 2) return kBlue;  // striped shirt
        return f.top;
    }
    const int apart = step ? 10 : 0;
    if (rect(p, 100 - apart, 184, 124 - apart, 236) || rect(p, 132 + apart, 184, 156 + apart, 236))
        return p.v >= 224 ? kBlack : f.legs;
    return kClear;
}

Ink animal(const Pixel& p)
{
    const Animal& a = *animal_of(p.n);
    const bool step = p.n != a.shape;
    const int lift = step ? 8 : 0;
    switch (a.beast) {
        case kHorse:
            if (ellipse(p, 120, 136, 76, 38)) return kBrown;
            if (ellipse(p, 184, 96, 22, 44)) return p.u < 176 ? kDarkGrey : kBrown;
            if (ellipse(p, 208, 64, 30, 18)) return disc(p, 212, 58, 5) ? kBlack : kBrown;
            if (ellipse(p, 42, 140, 12, 40)) return kDarkGrey;
            for (int leg : {64, 92, 144, 172})
                if (rect(p, leg, 160, leg + 12, 236 - (leg % 56 ? lift : 0))) return p.v >= 222 ? kBlack : kBrown;
            return kClear;
        case kDog:
        case kCat:
        case kRat: {
            const Ink fur = a.beast == kDog ? kTan : a.beast == kCat ? kDarkGrey : kGrey;
            const int size = a.beast == kDog ? 56 : a.beast == kCat ? 44 : 36;
            if (ellipse(p, 120, 188, size, size / 2)) return fur;
            if (disc(p, 120 + size + 8, 164, size / 2)) return disc(p, 128 + size + 8, 158, 4) ? kBlack : fur;
            if (a.beast == kCat && p.v < 150 && p.v > 128 && std::abs(p.u - (120 + size + 8)) < 16) return fur;
            if (a.beast == kRat && row_at(p, 196) && p.u < 84 && p.u > 20) return kSkin;
            if (a.beast != kRat && rim(p, 120 - size, 160 - lift, 20, 36) && p.u < 120 - size) return fur;
            for (int leg : {120 - size / 2, 120 + size / 2})
                if (rect(p, leg - 6, 200, leg + 6, 236 - lift)) return fur;
            return kClear;
        }
        case kSheep:
            if (ellipse(p, 120, 156, 70, 46)) return speckled(p, kWhite, kGrey, 50, kWhite, 0, 27);
            if (ellipse(p, 196, 136, 22, 18)) return kBlack;
            for (int leg : {80, 156})
                if (rect(p, leg, 196, leg + 12, 236 - lift)) return kBlack;
            return kClear;
        case kHen:
            if (ellipse(p, 124, 176, 40, 32)) return kWhite;
            if (disc(p, 160, 132, 18)) return disc(p, 164, 128, 4) ? kBlack : kWhite;
            if (ellipse(p, 156, 108, 10, 8)) return kRed;
            if (rect(p, 176, 128, 192, 138)) return kYellow;
            if (rect(p, 112, 206, 120, 236) || rect(p, 132, 206, 140, 236 - lift)) return kYellow;
            return kClear;
        case kBat:
            if (disc(p, 128, 120, 24)) return disc(p, 120, 114, 5) || disc(p, 136, 114, 5) ? kRed : kBlack;
            if (std::abs(p.u - 128) < 104 && p.v > 96 - lift && p.v < 128 + std::abs(p.u - 128) / 3 - lift &&
                p.v > 96 - lift + std::abs(p.u - 128) / 4)
                return kViolet;
            return kClear;
        case kGhost:
            if (ellipse(p, 128, 112, 64, 80) || (rect(p, 64, 112, 192, 216 - lift) && wobble(p.u * 4) > -4)) {
                if (disc(p, 104, 96, 10) || disc(p, 152, 96, 10)) return kBlack;
                return (p.x + p.y) % 2 ? kWhite : kClear;
            }
            return kClear;
        case kSlime:
            if (ellipse(p, 128, 212 + lift / 2, 88, 64 - lift) && p.v <= 212) {
                if (disc(p, 104, 176, 8) || disc(p, 152, 176, 8)) return kBlack;
                return disc(p, 96, 164, 14) ? kLightGreen : kGreen;
            }
            return kClear;
        case kDragon:
            if (ellipse(p, 112, 160, 72, 44)) return p.v > 176 ? kOrange : kRed;
            if (ellipse(p, 196, 104, 28, 22)) return disc(p, 204, 98, 5) ? kYellow : kRed;
            if (p.v < 140 && p.v > 40 + lift && p.u > 64 && p.u < 160 && p.v > 140 - (p.u - 64)) return kDarkGrey;
            if (rect(p, 76, 196, 92, 236) || rect(p, 136, 196, 152, 236)) return kRed;
            if (ellipse(p, 28, 176, 28, 10)) return kRed;
            return kClear;
        case kSnake: {
            const int centre = 184 + wobble(p.u * 2 + (step ? 32 : 0)) * 3;
            if (p.u > 28 && p.u < 200 && std::abs(p.v - centre) < 14) return (p.u / 20) % 2 ? kGreen : kYellow;
            if (ellipse(p, 212, 172, 22, 16)) return disc(p, 218, 166, 4) ? kBlack : kGreen;
            return kClear;
        }
    }
    return kClear;
}

// Any other shape laid over others: a creature of its own colours.
Ink creature(const Pixel& p)
{
    const uint32_t h = hash32(p.n / 2 * 2 + 99);
    constexpr Ink kSkins[] = {kGreen, kRed, kViolet, kGrey, kBrown, kBlue, kOlive, kOrange};
    const Ink body = kSkins[h % 8];
    const int ru = 48 + static_cast<int>((h >> 4) % 40), rv = 44 + static_cast<int>((h >> 10) % 48);
    const int cv = 232 - rv - 20, lift = p.n % 2 ? 10 : 0;
    if (ellipse(p, 128, cv, ru, rv)) {
        if (disc(p, 128 - ru / 3, cv - rv / 3, 10) || disc(p, 128 + ru / 3, cv - rv / 3, 10))
            return disc(p, 128 - ru / 3, cv - rv / 3, 4) || disc(p, 128 + ru / 3, cv - rv / 3, 4) ? kBlack : kWhite;
        if ((h >> 16) % 2 && row_at(p, cv + rv / 3) && std::abs(p.u - 128) < ru / 2) return kWhite;
        return body;
    }
    for (int leg : {128 - ru / 2, 128 + ru / 2})
        if (rect(p, leg - 8, cv + rv / 2, leg + 8, 236 - (leg < 128 ? lift : 0))) return body;
    return kClear;
}

// Any other shape drawn whole: a stone panel with an emblem.
Ink panel(const Pixel& p)
{
    constexpr Ink kMarks[] = {kRed, kBlue, kYellow, kGreen, kViolet, kOrange};
    if (disc(p, 128, 128, 56)) return rim(p, 128, 128, 56, 56) ? kBlack : kMarks[p.n % 6];
    return stone_floor(p);
}

Ink figure(const Pixel& p)
{
    if (folk_of(p.n)) return outlined(p, person);
    if (animal_of(p.n)) return outlined(p, animal);
    return outlined(p, creature);
}

bool laid_over(uint32_t n)
{
    return n < kPc98Shapes && pc98_pattern_table[n].planes == 4;
}

Ink paint(const Pixel& p)
{
    const uint32_t n = p.n;
    if (n >= kRoad && n < kRoad + 16u) return road(p, n - kRoad);
    if (n >= kShore && n < kShore + kShoreCount) return shore(p, n - kShore + 1);
    switch (n) {
        case kDeepWater: return water(p, 0);
        case kWater: return water(p, 1);
        case kShallows: return water(p, 2);
        case kSwamp: return swamp(p);
        case kGrass: return grass(p);
        case kBrush: return brush(p);
        case kForest: return forest(p);
        case kHills: return hills(p);
        case kMountains: return mountains(p);
        case kDungeon: return dungeon(p);
        case kTown: return town(p);
        case kCastle: return castle(p);
        case kVillage: return village(p);
        case kShrine: return shrine(p);
        case kLava: return lava(p);
        case kDesert: return desert(p);
        case kShipEast: return ship_east(p);
        case kBalloon: return outlined(p, balloon);
        case kShipWest: return ship_west(p);
        case kBridgeEastWest: return bridge_east_west(p);
        case kBridgeNorthSouth: return bridge_north_south(p);
        case kPier: return pier(p);
        case kRocks: return rocks(p);
        case kWell: return well(p);
        case kFlowers: return flowers(p);
        case 64: case 65: case 66: case kMoonGate: return gate(p);
        case kSign: return sign(p);
        case kDoor: return door(p);
        case kWindow: return window(p);
        case kTable: return outlined(p, table);
        case kStoneWall: return stone_wall(p);
        case kTimberWall: return timber_wall(p);
        case kCounter: return counter(p);
        case kBed: return outlined(p, bed);
        case kWoodFloor: return wood_floor(p);
        case kStoneFloor: return stone_floor(p);
        case kThrone: return throne(p);
        case kAltar: return altar(p);
        case kFountain: return fountain(p);
        case kCobbles: return cobbles(p);
        case kLamp: return lamp(p);
        case kBarrel: return outlined(p, barrel);
        case kCrate: return outlined(p, crate);
        case kCarpet: return carpet(p);
        case kHearth: return hearth(p);
        case kBookshelf: return bookshelf(p);
        case kAnvil: return anvil(p);
        case kCrops: return crops(p);
        case kFence: return fence(p);
        case kStairs: return stairs(p);
        case kPews: return pews(p);
        case kGraves: return graves(p);
        case kHedge: return hedge(p);
        case kStall: return stall(p);
        case kTower: return tower(p);
        case kUnknown: return unknown(p);
        case kVoid: return kBlack;
        case kChest: return outlined(p, chest);
        default: break;
    }
    return laid_over(n) ? figure(p) : panel(p);
}

}  // namespace

Ink shape_ink(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    return paint(make_pixel(n, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w), static_cast<int>(h)));
}

uint32_t shape_ground(uint32_t n)
{
    if (n >= kShore && n < kShore + kShoreCount) return kShallows;
    switch (n) {
        case kShipEast: case kShipWest: return kDeepWater;
        case kBridgeEastWest: case kBridgeNorthSouth: case kPier: case kRocks: return kShallows;
        case kTable: case kBed: case kChest: case kBarrel: case kCrate: return kWoodFloor;
        case kFountain: return kCobbles;
        default: return kGrass;
    }
}

Ink solid_ink(uint32_t n, uint32_t x, uint32_t y, uint32_t w, uint32_t h)
{
    const Ink ink = shape_ink(n, x, y, w, h);
    return ink != kClear ? ink : shape_ink(shape_ground(n), x, y, w, h);
}

}  // namespace sample
