// Town maps of the PC-98 and X68000 sample data: TOWNE.BIN and PEOPLE.BIN.
// Seventeen places of 32 x 32 tiles, each built in a fixed order of steps
// from its own seeded numbers: ground, water, walls, streets, buildings with
// their rooms, then the people on the tiles where one can stand.
#include <algorithm>
#include <array>
#include <cstdlib>

#include "sample_noise.h"
#include "sample_ports.h"
#include "sample_tiles.h"

namespace sample {

namespace {

using namespace tile;

constexpr uint32_t kTowns = 17;
constexpr int kEdge = 32;

// Person codes of the town data (a code above 32 names its shape through the
// town tools' table).
namespace folk {
constexpr uint8_t kChild = 31, kGuard = 32, kMerchant = 33, kMage = 34, kPriest = 35, kKnight = 36, kFarmer = 37,
                  kBard = 38, kSailor = 39, kRuler = 64, kLady = 65, kJester = 66, kBeggar = 67, kHealer = 77,
                  kSmith = 78, kShepherd = 79, kRanger = 80, kHorse = 132, kDog = 134, kCat = 135, kSheep = 141,
                  kHen = 143, kRat = 146, kBat = 150, kSkeleton = 151, kGhost = 152, kSlime = 153, kDragon = 158,
                  kSnake = 162, kTroll = 165;
constexpr uint8_t kTownsfolk[] = {kMerchant, kFarmer, kBard, kLady, kBeggar, kHealer, kMage, kPriest, kKnight, kChild};
}  // namespace folk

enum Kind : uint8_t { kCastleUpper, kCastleGround, kWalledTown, kAbbey, kKeep, kVillageKind, kHarbour };

struct Style {
    Kind kind;
    uint8_t ground;   // kGrass, kDesert or kSwamp
    uint8_t trees;    // in 256 of the free ground
    uint8_t sea;      // the side where the sea lies, or 0
    bool lake;
    bool hills;       // mountains around the edge
};

constexpr Style kStyles[kTowns] = {
    {kCastleUpper, kGrass, 0, 0, false, false},     // Castle Morvane 2F
    {kCastleGround, kGrass, 20, 0, false, false},   // Castle Morvane 1F
    {kWalledTown, kGrass, 30, 0, false, false},     // The Athenaril
    {kAbbey, kGrass, 40, 0, false, false},          // Solace Abbey
    {kKeep, kGrass, 0, 0, false, true},             // Wyrm's Keep
    {kWalledTown, kGrass, 24, 0, true, false},      // Starmere
    {kHarbour, kGrass, 20, kSouth, false, false},   // Crownhaven
    {kWalledTown, kDesert, 8, 0, false, false},     // Daskar
    {kVillageKind, kGrass, 90, 0, false, false},    // Oakhollow
    {kWalledTown, kGrass, 30, kEast, false, false}, // Torvik
    {kVillageKind, kGrass, 30, 0, false, false},    // Valdane
    {kWalledTown, kGrass, 20, 0, false, true},      // Kelda Mor
    {kWalledTown, kGrass, 40, 0, false, false},     // Orleth
    {kVillageKind, kSwamp, 40, 0, true, false},     // Fenny
    {kHarbour, kGrass, 16, kWest, false, false},    // Corsair's Nest
    {kWalledTown, kGrass, 30, 0, true, false},      // Dunmere
    {kVillageKind, kGrass, 50, kNorth, false, false}, // Brindle
};

struct Person {
    uint8_t code, x, y;
};

struct Town {
    uint8_t tiles[kEdge][kEdge];
    std::array<Person, 32> people;
    uint32_t count = 0;
    uint32_t state;
    int left = 0, top = 0, right = kEdge - 1, bottom = kEdge - 1;  // inside the walls
};

uint32_t next(Town& t) { return t.state = hash32(t.state + 0x9E3779B9U); }
int below(Town& t, int n) { return static_cast<int>(next(t) % static_cast<uint32_t>(n)); }

bool inside(int x, int y) { return x >= 0 && y >= 0 && x < kEdge && y < kEdge; }

uint8_t& at(Town& t, int x, int y) { return t.tiles[y][x]; }

bool open_ground(uint8_t v)
{
    return v == kGrass || v == kBrush || v == kForest || v == kDesert || v == kSwamp || v == tile::kFlowers;
}

bool walkable(uint8_t v)
{
    return v == kGrass || v == kBrush || v == kDesert || v == kCobbles || v == kWoodFloor || v == kStoneFloor ||
           v == kCarpet;
}

void fill(Town& t, int x0, int y0, int x1, int y1, uint8_t v)
{
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x)
            if (inside(x, y)) at(t, x, y) = v;
}

// Free ground over the whole rectangle and the ring around it.
bool free_area(Town& t, int x0, int y0, int x1, int y1)
{
    for (int y = y0 - 1; y <= y1 + 1; ++y)
        for (int x = x0 - 1; x <= x1 + 1; ++x)
            if (!inside(x, y) || !open_ground(at(t, x, y))) return false;
    return true;
}

bool place_person(Town& t, uint8_t code, int x, int y)
{
    if (t.count == t.people.size() || !inside(x, y) || !walkable(at(t, x, y))) return false;
    for (uint32_t k = 0; k < t.count; ++k)
        if (t.people[k].x == x && t.people[k].y == y) return false;
    t.people[t.count++] = {code, static_cast<uint8_t>(x), static_cast<uint8_t>(y)};
    return true;
}

// Someone at a free place near (x, y).
void place_near(Town& t, uint8_t code, int x, int y)
{
    for (int r = 0; r < 4; ++r)
        for (int dy = -r; dy <= r; ++dy)
            for (int dx = -r; dx <= r; ++dx)
                if (place_person(t, code, x + dx, y + dy)) return;
}

// Someone on a random tile of the given kind.
void place_on(Town& t, uint8_t code, uint8_t on)
{
    for (int tries = 0; tries < 200; ++tries) {
        const int x = below(t, kEdge), y = below(t, kEdge);
        if (at(t, x, y) == on && place_person(t, code, x, y)) return;
    }
}

void lay_ground(Town& t, const Style& s)
{
    for (int y = 0; y < kEdge; ++y)
        for (int x = 0; x < kEdge; ++x) {
            const uint32_t r = next(t) % 256;
            uint8_t v = s.ground;
            if (r < s.trees) v = kForest;
            else if (r < s.trees + 10u) v = kBrush;
            else if (r < s.trees + 18u && s.ground == kGrass) v = tile::kFlowers;
            at(t, x, y) = v;
        }
    if (s.hills)
        for (int y = 0; y < kEdge; ++y)
            for (int x = 0; x < kEdge; ++x) {
                const int edge = std::min(std::min(x, y), std::min(kEdge - 1 - x, kEdge - 1 - y));
                if (edge < 2 || (edge == 2 && next(t) % 3 == 0)) at(t, x, y) = edge == 2 ? kHills : kMountains;
            }
}

// The sea along one side, with piers, boats and rocks.
void lay_sea(Town& t, uint8_t side)
{
    for (int d = 0; d < 7; ++d) {
        const uint8_t v = d < 3 ? kDeepWater : d < 5 ? kWater : kShallows;
        for (int k = 0; k < kEdge; ++k) {
            const int x = side == kWest ? d : side == kEast ? kEdge - 1 - d : k;
            const int y = side == kNorth ? d : side == kSouth ? kEdge - 1 - d : k;
            at(t, x, y) = (v == kShallows && next(t) % 9 == 0) ? kTownRocks : v;
        }
    }
    if (side == kNorth) t.top = 8;
    if (side == kSouth) t.bottom = kEdge - 9;
    if (side == kWest) t.left = 8;
    if (side == kEast) t.right = kEdge - 9;
    for (int k : {9, 22}) {  // piers reaching out, a boat beside each
        for (int d = 1; d <= 5; ++d) {
            const int x = side == kWest ? 6 - d : side == kEast ? kEdge - 7 + d : k;
            const int y = side == kNorth ? 6 - d : side == kSouth ? kEdge - 7 + d : k;
            at(t, x, y) = kTownPier;
            if (d == 5) {
                const int bx = side == kNorth || side == kSouth ? x + 1 : x, by = side == kNorth || side == kSouth ? y : y + 1;
                at(t, bx, by) = k == 9 ? kShipEast : kShipWest;
            }
        }
    }
}

void lay_lake(Town& t, int cx, int cy, int r)
{
    for (int y = cy - r; y <= cy + r; ++y)
        for (int x = cx - r - 2; x <= cx + r + 2; ++x) {
            const int d = (x - cx) * (x - cx) / 2 + (y - cy) * (y - cy);
            if (!inside(x, y) || d > r * r) continue;
            at(t, x, y) = d * 3 < r * r ? kDeepWater : d * 3 < 2 * r * r ? kWater : kShallows;
        }
}

// A ring of wall with towers at the corners and gates in the middle of
// each side that does not face the sea.
void lay_walls(Town& t, int inset, uint8_t wall, bool gates)
{
    const int x0 = std::max(inset, t.left), y0 = std::max(inset, t.top);
    const int x1 = std::min(kEdge - 1 - inset, t.right), y1 = std::min(kEdge - 1 - inset, t.bottom);
    for (int x = x0; x <= x1; ++x) at(t, x, y0) = at(t, x, y1) = wall;
    for (int y = y0; y <= y1; ++y) at(t, x0, y) = at(t, x1, y) = wall;
    at(t, x0, y0) = at(t, x1, y0) = at(t, x0, y1) = at(t, x1, y1) = kTower;
    if (gates) {
        const int mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
        for (int k = 0; k < 2; ++k) {
            at(t, mx + k, y0) = at(t, mx + k, y1) = kCobbles;
            at(t, x0, my + k) = at(t, x1, my + k) = kCobbles;
        }
    }
    t.left = x0 + 1;
    t.top = y0 + 1;
    t.right = x1 - 1;
    t.bottom = y1 - 1;
}

// Two streets crossing at a square with a fountain, out to every side.
void lay_streets(Town& t)
{
    const int mx = (t.left + t.right) / 2, my = (t.top + t.bottom) / 2;
    auto street = [&](int x, int y) {
        if (inside(x, y) && (open_ground(at(t, x, y)) || at(t, x, y) == kCobbles)) at(t, x, y) = kCobbles;
    };
    for (int x = 0; x < kEdge; ++x)
        for (int k = 0; k < 2; ++k) street(x, my + k);
    for (int y = 0; y < kEdge; ++y)
        for (int k = 0; k < 2; ++k) street(mx + k, y);
    for (int y = my - 2; y <= my + 3; ++y)
        for (int x = mx - 2; x <= mx + 3; ++x) street(x, y);
    at(t, mx, my) = kFountain;
    at(t, mx + 1, my + 1) = kTownWell;
    for (int k : {-3, 4}) {
        if (at(t, mx + k, my - 1) != kCobbles && open_ground(at(t, mx + k, my - 1))) at(t, mx + k, my - 1) = kLamp;
        if (open_ground(at(t, mx - 1, my + k))) at(t, mx - 1, my + k) = kLamp;
    }
}

enum Room : uint8_t { kHouse, kShop, kInn, kSmithy, kTemple, kLibrary };

// A building: walls, a floor, a door towards the town's middle, windows,
// and the room's furniture and keeper.
void build(Town& t, int x0, int y0, int x1, int y1, Room room, uint8_t wall)
{
    fill(t, x0, y0, x1, y1, wall);
    fill(t, x0 + 1, y0 + 1, x1 - 1, y1 - 1, room == kTemple || wall == kStoneWall ? kStoneFloor : kWoodFloor);
    const int mx = (t.left + t.right) / 2, my = (t.top + t.bottom) / 2;
    const int cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    // The door on the side facing the middle of the town.
    int dx = cx, dy = y1, ox = 0, oy = 1;
    if (std::abs(cx - mx) > std::abs(cy - my)) {
        dx = cx < mx ? x1 : x0;
        dy = cy;
        ox = cx < mx ? 1 : -1;
        oy = 0;
    } else if (cy > my) {
        dy = y0;
        oy = -1;
    }
    at(t, dx, dy) = kDoor;
    for (int k = 1; k < 8; ++k) {  // a path to the street
        const int px = dx + ox * k, py = dy + oy * k;
        if (!inside(px, py) || !open_ground(at(t, px, py))) break;
        at(t, px, py) = kCobbles;
    }
    if (wall == kStoneWall)
        for (int x = x0 + 2; x < x1 - 1; x += 3)
            if (at(t, x, y0) == wall && x != dx) at(t, x, y0) = kWindow;

    const int ix0 = x0 + 1, iy0 = y0 + 1, ix1 = x1 - 1, iy1 = y1 - 1;
    // The far wall from the door holds the counter, the altar or the hearth.
    const int back = oy == 1 ? iy0 : iy1;
    switch (room) {
        case kShop:
            for (int x = ix0; x <= ix1; ++x) at(t, x, oy == 1 ? iy0 + 1 : iy1 - 1) = kCounter;
            at(t, ix0, back) = kTownChest;
            at(t, ix1, back) = kCrate;
            place_person(t, below(t, 2) ? folk::kMerchant : folk::kHealer, cx, back);
            {  // the sign beside the door, outside
                const int sx = dx + (ox == 0 ? 1 : ox), sy = dy + (oy == 0 ? 1 : oy);
                if (inside(sx, sy) && open_ground(at(t, sx, sy))) at(t, sx, sy) = kTownSign;
            }
            break;
        case kInn:
            for (int x = ix0 + 1; x < ix1; x += 2) at(t, x, (iy0 + iy1) / 2) = kTownTable;
            at(t, ix0, back) = kBarrel;
            at(t, ix1, back) = kBarrel;
            at(t, ix0, oy == 1 ? iy1 : iy0) = kTownBed;
            place_person(t, folk::kBard, ix0 + 1, (iy0 + iy1) / 2 + 1);
            place_person(t, folk::kMerchant, cx, back);
            break;
        case kSmithy:
            at(t, cx, back) = kHearth;
            at(t, cx - 1, (iy0 + iy1) / 2) = kAnvil;
            at(t, ix1, back) = kBarrel;
            place_person(t, folk::kSmith, cx, (iy0 + iy1) / 2);
            break;
        case kTemple:
            at(t, cx, back) = kAltar;
            for (int y = iy0; y <= iy1; ++y)
                if (y != back) at(t, cx, y) = kCarpet;
            for (int y = iy0 + 2; y <= iy1 - 1; y += 2)
                for (int x = ix0; x <= ix1; ++x)
                    if (x != cx && std::abs(y - back) > 1) at(t, x, y) = kPews;
            place_person(t, folk::kPriest, cx, back + (oy == 1 ? 1 : -1));
            break;
        case kLibrary:
            for (int x = ix0; x <= ix1; ++x)
                if (x != cx) at(t, x, back) = kBookshelf;
            at(t, cx, (iy0 + iy1) / 2) = kTownTable;
            place_person(t, folk::kMage, cx + 1, (iy0 + iy1) / 2);
            break;
        case kHouse:
            at(t, ix0, back) = kTownBed;
            if (ix1 - ix0 >= 2) at(t, ix1, back) = kTownChest;
            if (iy1 - iy0 >= 2) at(t, ix1, oy == 1 ? iy1 : iy0) = kTownTable;
            break;
    }
}

// Buildings wherever they fit, kinds chosen in turn.
void build_town(Town& t, int count, uint8_t wall)
{
    constexpr Room kRooms[] = {kShop, kInn, kHouse, kShop, kSmithy, kHouse, kTemple, kShop, kHouse, kLibrary, kHouse};
    int placed = 0;
    for (int tries = 0; tries < 600 && placed < count; ++tries) {
        const int w = (tries < 300 ? 6 : 4) + below(t, 4), h = (tries < 300 ? 5 : 4) + below(t, 3);
        const int span_x = t.right - t.left - w, span_y = t.bottom - t.top - h;
        if (span_x < 1 || span_y < 1) break;
        const int x0 = t.left + 1 + below(t, span_x), y0 = t.top + 1 + below(t, span_y);
        if (!free_area(t, x0, y0, x0 + w - 1, y0 + h - 1)) continue;
        build(t, x0, y0, x0 + w - 1, y0 + h - 1, kRooms[placed % 11], wall);
        ++placed;
    }
}

void populate(Town& t, int folk_count)
{
    const int mx = (t.left + t.right) / 2, my = (t.top + t.bottom) / 2;
    for (int k = 0; k < folk_count; ++k) place_on(t, folk::kTownsfolk[next(t) % 10], kCobbles);
    place_near(t, folk::kChild, mx + 2, my + 2);
    place_on(t, folk::kDog, kCobbles);
    place_on(t, folk::kCat, kWoodFloor);
}

// Guards just inside the gates of the walls.
void guard_gates(Town& t)
{
    const int mx = (t.left + t.right) / 2, my = (t.top + t.bottom) / 2;
    place_near(t, folk::kGuard, mx - 1, t.top);
    place_near(t, folk::kGuard, mx + 2, t.bottom);
    place_near(t, folk::kGuard, t.left, my - 1);
    place_near(t, folk::kGuard, t.right, my + 2);
}

void build_castle(Town& t, bool upper)
{
    // Moat, walls with towers, a gate on the south side.
    fill(t, 0, 0, kEdge - 1, kEdge - 1, upper ? kVoid : kGrass);
    if (!upper) {
        for (int y = 0; y < kEdge; ++y)
            for (int x = 0; x < kEdge; ++x)
                if (next(t) % 7 == 0) at(t, x, y) = next(t) % 2 ? kForest : tile::kFlowers;
        fill(t, 1, 1, 30, 2, kWater);
        fill(t, 1, 29, 30, 30, kWater);
        fill(t, 1, 1, 2, 30, kWater);
        fill(t, 29, 1, 30, 30, kWater);
        fill(t, 15, 29, 16, 30, kBridgeNorthSouth);
    }
    fill(t, 3, 3, 28, 28, kStoneWall);
    for (int x : {3, 27})
        for (int y : {3, 27}) fill(t, x, y, x + 1, y + 1, kTower);
    fill(t, 5, 5, 26, 26, kStoneFloor);
    if (upper) {
        // Throne hall in the middle, rooms to both sides.
        fill(t, 11, 5, 11, 26, kStoneWall);
        fill(t, 20, 5, 20, 26, kStoneWall);
        fill(t, 15, 7, 16, 26, kCarpet);
        at(t, 15, 6) = kThrone;
        at(t, 16, 6) = kThrone;
        at(t, 11, 10) = at(t, 11, 20) = at(t, 20, 10) = at(t, 20, 20) = kDoor;
        fill(t, 5, 15, 10, 15, kStoneWall);
        fill(t, 21, 15, 26, 15, kStoneWall);
        at(t, 8, 15) = at(t, 23, 15) = kDoor;
        // Royal chambers, library, treasury, stairs.
        at(t, 6, 6) = at(t, 9, 6) = kTownBed;
        at(t, 7, 10) = kTownTable;
        at(t, 10, 13) = kTownChest;
        fill(t, 21, 6, 26, 6, kBookshelf);
        at(t, 23, 9) = kTownTable;
        for (int x = 21; x <= 26; x += 2) at(t, x, 25) = kTownChest;
        fill(t, 5, 22, 6, 23, kStairs);
        place_person(t, folk::kRuler, 15, 8);
        place_person(t, folk::kLady, 16, 8);
        place_person(t, folk::kJester, 14, 11);
        for (int y = 12; y <= 24; y += 4) {
            place_person(t, folk::kGuard, 14, y);
            place_person(t, folk::kGuard, 17, y);
        }
        place_person(t, folk::kMage, 24, 10);
        place_person(t, folk::kKnight, 8, 19);
        place_person(t, folk::kCat, 7, 12);
        return;
    }
    // Ground floor: a courtyard with a well, halls around it.
    fill(t, 15, 27, 16, 28, kCobbles);
    fill(t, 10, 10, 21, 21, kStoneWall);
    fill(t, 11, 11, 20, 20, kGrass);
    fill(t, 15, 11, 16, 21, kCobbles);
    fill(t, 11, 15, 20, 16, kCobbles);
    at(t, 15, 21) = at(t, 16, 21) = kDoor;
    at(t, 13, 13) = kTownWell;
    at(t, 18, 18) = kHedge;
    at(t, 13, 18) = kHedge;
    at(t, 18, 13) = tile::kFlowers;
    fill(t, 15, 22, 16, 26, kCarpet);
    // Kitchen and hall to the west, barracks to the east, stables north.
    for (int y = 7; y <= 24; y += 3) at(t, 7, y) = kTownTable;
    at(t, 5, 5) = kHearth;
    at(t, 6, 5) = kBarrel;
    at(t, 5, 26) = kBarrel;
    for (int y = 6; y <= 25; y += 2) at(t, 26, y) = kTownBed;
    fill(t, 10, 5, 21, 7, kCrops);
    fill(t, 10, 8, 21, 8, kFence);
    fill(t, 26, 26, 26, 26, kStairs);
    place_person(t, folk::kHorse, 12, 6);
    place_person(t, folk::kHorse, 18, 6);
    place_person(t, folk::kSmith, 8, 9);
    place_person(t, folk::kChild, 14, 14);
    place_person(t, folk::kPriest, 17, 17);
    for (int y = 10; y <= 22; y += 6) place_person(t, folk::kGuard, 24, y);
    place_person(t, folk::kGuard, 14, 26);
    place_person(t, folk::kGuard, 17, 26);
    place_person(t, folk::kKnight, 12, 20);
    place_person(t, folk::kDog, 19, 12);
}

void build_abbey(Town& t)
{
    lay_walls(t, 2, kHedge, true);
    build(t, 7, 5, 24, 13, kTemple, kStoneWall);
    fill(t, 6, 22, 11, 26, kGraves);
    for (int y = 22; y <= 26; y += 2)
        for (int x = 6; x <= 11; ++x) at(t, x, y) = (x % 2) ? kGrass : kGraves;
    build(t, 19, 20, 26, 26, kHouse, kStoneWall);
    fill(t, 13, 18, 17, 26, kCobbles);
    fill(t, 6, 16, 11, 18, kCrops);
    for (int x = 19; x <= 26; x += 2) at(t, x, 17) = kHedge;
    lay_streets(t);
    place_near(t, folk::kPriest, 15, 17);
    place_near(t, folk::kHealer, 14, 21);
    place_near(t, folk::kPriest, 8, 20);
    place_near(t, folk::kBeggar, 15, 27);
    place_near(t, folk::kSheep, 5, 15);
    place_near(t, folk::kHen, 12, 17);
    place_near(t, folk::kChild, 20, 17);
    place_near(t, folk::kGuard, 15, 28);
}

void build_keep(Town& t)
{
    fill(t, 4, 4, 27, 27, kLava);
    for (int y = 4; y <= 27; ++y)
        for (int x = 4; x <= 27; ++x)
            if (next(t) % 5 == 0) at(t, x, y) = kMountains;
    t.left = 7;
    t.top = 7;
    t.right = 24;
    t.bottom = 24;
    lay_walls(t, 7, kStoneWall, false);
    fill(t, 15, 24, 16, 24, kDoor);
    fill(t, 15, 25, 16, 27, kStoneFloor);
    fill(t, 15, 28, 16, 29, kCobbles);
    fill(t, 8, 8, 23, 23, kStoneFloor);
    fill(t, 8, 14, 23, 14, kStoneWall);
    at(t, 12, 14) = at(t, 20, 14) = kDoor;
    fill(t, 14, 15, 17, 23, kCarpet);
    at(t, 15, 8) = at(t, 16, 8) = kThrone;
    for (int x = 9; x <= 22; x += 3) at(t, x, 9) = kTownChest;
    fill(t, 22, 22, 23, 23, kStairs);
    place_person(t, folk::kDragon, 15, 11);
    place_person(t, folk::kSkeleton, 10, 18);
    place_person(t, folk::kSkeleton, 20, 20);
    place_person(t, folk::kGhost, 12, 11);
    place_person(t, folk::kSlime, 9, 22);
    place_person(t, folk::kBat, 19, 11);
    place_person(t, folk::kRat, 21, 17);
    place_person(t, folk::kTroll, 15, 26);
    place_person(t, folk::kSnake, 16, 29);
}

void build_village(Town& t, const Style& s)
{
    t.left = 3;
    t.top = 3;
    t.right = kEdge - 4;
    t.bottom = kEdge - 4;
    if (s.sea) lay_sea(t, s.sea);
    if (s.lake) lay_lake(t, 22, 8, 3);
    lay_streets(t);
    build_town(t, 5, kTimberWall);
    // Fields with fences, and beasts in them.
    for (int tries = 0; tries < 60; ++tries) {
        const int x0 = 2 + below(t, 22), y0 = 2 + below(t, 22);
        if (!free_area(t, x0, y0, x0 + 5, y0 + 3)) continue;
        fill(t, x0, y0, x0 + 5, y0, kFence);
        fill(t, x0, y0 + 1, x0 + 5, y0 + 3, below(t, 2) ? kCrops : kGrass);
        place_person(t, folk::kSheep, x0 + 2, y0 + 2);
        place_person(t, folk::kFarmer, x0 + 4, y0 + 1);
    }
    populate(t, 5);
    place_on(t, folk::kShepherd, s.ground);
    place_on(t, folk::kHen, s.ground);
    place_on(t, folk::kRanger, s.ground);
}

void build_walled(Town& t, const Style& s)
{
    if (s.sea) lay_sea(t, s.sea);
    lay_walls(t, 2, kStoneWall, true);
    if (s.lake) lay_lake(t, 21, 9, 3);
    lay_streets(t);
    if (s.kind == kHarbour) {  // a quay along the water, gates out to the piers
        for (int k = 0; k < kEdge; ++k)
            for (int d : {7, 8}) {
                const int x = s.sea == kWest ? d : s.sea == kEast ? kEdge - 1 - d : k;
                const int y = s.sea == kNorth ? d : s.sea == kSouth ? kEdge - 1 - d : k;
                if (d == 7 ? open_ground(at(t, x, y)) : (k == 9 || k == 22)) at(t, x, y) = kCobbles;
            }
        for (int k = 0; k < 3; ++k) place_on(t, folk::kSailor, kCobbles);
    }
    build_town(t, 9, kTimberWall);
    for (int tries = 0; tries < 40; ++tries) {  // market stalls
        const int x = t.left + below(t, t.right - t.left + 1), y = t.top + below(t, t.bottom - t.top + 1);
        if (free_area(t, x, y, x, y)) at(t, x, y) = kStall;
    }
    guard_gates(t);
    populate(t, 7);
    place_on(t, folk::kHorse, s.ground);
}

void build_one(Town& t, uint32_t index)
{
    const Style& s = kStyles[index];
    t.state = hash32(index * 7919U + 17);
    t.count = 0;
    lay_ground(t, s);
    switch (s.kind) {
        case kCastleUpper: build_castle(t, true); break;
        case kCastleGround: build_castle(t, false); break;
        case kAbbey: build_abbey(t); break;
        case kKeep: build_keep(t); break;
        case kVillageKind: build_village(t, s); break;
        case kWalledTown:
        case kHarbour: build_walled(t, s); break;
    }
}

const std::array<Town, kTowns>& towns()
{
    static const std::array<Town, kTowns> all = [] {
        std::array<Town, kTowns> made{};
        for (uint32_t i = 0; i < kTowns; ++i) build_one(made[i], i);
        return made;
    }();
    return all;
}

}  // namespace

std::vector<uint8_t> towne_bin()
{
    std::vector<uint8_t> file(kTowns * 1024);
    for (uint32_t i = 0; i < kTowns; ++i)
        for (int y = 0; y < kEdge; ++y)
            for (int x = 0; x < kEdge; ++x) file[i * 1024 + static_cast<uint32_t>(y * kEdge + x)] = towns()[i].tiles[y][x];
    return file;
}

std::vector<uint8_t> people_bin()
{
    std::vector<uint8_t> file(kTowns * 256, 0);
    for (uint32_t i = 0; i < kTowns; ++i) {
        uint8_t* block = file.data() + i * 256;
        const Town& t = towns()[i];
        for (uint32_t k = 0; k < t.count; ++k) {
            block[k] = t.people[k].code;
            block[32 + k] = t.people[k].x;
            block[64 + k] = t.people[k].y;
        }
        // Bytes past the three arrays are not people: leave a pattern there.
        for (uint32_t b = 96; b < 256; ++b) block[b] = static_cast<uint8_t>(b ^ i);
    }
    return file;
}

}  // namespace sample
