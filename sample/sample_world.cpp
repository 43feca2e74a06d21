// The sample world, made from seeded integer noise in a fixed order of steps:
// heights and seas, mountains and climate, rivers, places, roads.
#include "sample_world.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <deque>
#include <functional>
#include <queue>
#include <utility>

#include "sample_noise.h"

namespace sample {

namespace {

using namespace tile;

constexpr uint32_t kSeed = 2;
constexpr uint32_t kSeaPermille = 600;  // of the world under water
constexpr uint32_t N = kWorldSize;
constexpr uint32_t kTiles = N * N;
constexpr uint32_t kFar = 0xFFFF;

struct Place {
    uint32_t x, y;
};

// Where the tools draw the moon gates and the balloon: grass on land.
constexpr Place kKeptSites[] = {{224, 133}, {96, 102}, {38, 224}, {50, 37}, {166, 19},
                                {104, 194}, {23, 126}, {187, 167}, {233, 242}};

constexpr int kDx[4] = {0, 1, 0, -1};  // north, east, south, west
constexpr int kDy[4] = {-1, 0, 1, 0};
constexpr uint8_t kSide[4] = {kNorth, kEast, kSouth, kWest};

uint32_t at(uint32_t x, uint32_t y) { return y * N + x; }

// The neighbour of tile i in direction d, or kTiles beyond the edge.
uint32_t step(uint32_t i, int d)
{
    const int x = static_cast<int>(i % N) + kDx[d], y = static_cast<int>(i / N) + kDy[d];
    if (x < 0 || y < 0 || x >= static_cast<int>(N) || y >= static_cast<int>(N)) return kTiles;
    return static_cast<uint32_t>(y) * N + static_cast<uint32_t>(x);
}

uint32_t chebyshev(uint32_t a, uint32_t b)
{
    const uint32_t ax = a % N, ay = a / N, bx = b % N, by = b / N;
    return std::max(ax > bx ? ax - bx : bx - ax, ay > by ? ay - by : by - ay);
}

bool is_land(uint8_t t) { return !open_water(t); }

// The value below which about permille thousandths of the chosen values lie.
uint32_t level(const std::vector<uint32_t>& values, const std::vector<uint8_t>& chosen, uint32_t permille)
{
    std::array<uint32_t, 4096> histogram{};
    uint32_t total = 0;
    for (uint32_t i = 0; i < kTiles; ++i)
        if (chosen[i]) {
            ++histogram[std::min<uint32_t>(values[i], 65535) >> 4];
            ++total;
        }
    const uint32_t target = total * permille / 1000;
    uint32_t sum = 0;
    for (uint32_t b = 0; b < histogram.size(); ++b) {
        sum += histogram[b];
        if (sum > target) return b << 4;
    }
    return 65536;
}

// Steps from every tile to the nearest tile for which `from` holds, moving
// in four (or eight) directions; kFar where none is reachable.
template <typename From>
std::vector<uint32_t> distance_from(From from, bool diagonal)
{
    std::vector<uint32_t> dist(kTiles, kFar);
    std::deque<uint32_t> queue;
    for (uint32_t i = 0; i < kTiles; ++i)
        if (from(i)) {
            dist[i] = 0;
            queue.push_back(i);
        }
    while (!queue.empty()) {
        const uint32_t i = queue.front();
        queue.pop_front();
        const int x = static_cast<int>(i % N), y = static_cast<int>(i / N);
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if ((dx == 0 && dy == 0) || (!diagonal && dx != 0 && dy != 0)) continue;
                const int nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= static_cast<int>(N) || ny >= static_cast<int>(N)) continue;
                const uint32_t j = at(static_cast<uint32_t>(nx), static_cast<uint32_t>(ny));
                if (dist[j] != kFar) continue;
                dist[j] = dist[i] + 1;
                queue.push_back(j);
            }
    }
    return dist;
}

struct World {
    std::vector<uint8_t> tiles = std::vector<uint8_t>(kTiles, kDeepWater);
    std::vector<uint32_t> height = std::vector<uint32_t>(kTiles, 0);
    std::vector<uint8_t> river = std::vector<uint8_t>(kTiles, 0);
    std::vector<uint8_t> kept = std::vector<uint8_t>(kTiles, 0);
    std::vector<uint32_t> inland;  // steps to the nearest water
    std::vector<uint32_t> mass;    // number of the land mass
    std::vector<uint32_t> places;  // tiles of the castle, towns and villages
    std::vector<uint32_t> taken;   // every place, shrines and dungeons too
};

// Heights: broad continents from coarse noise, detail from finer noise,
// sinking towards the edges of the world. The lowest part of the world is
// sea, shallow along the coasts; the kept sites rise out of it.
void raise_land(World& w)
{
    const std::vector<uint32_t> detail = fractal_field(32, kSeed), broad = noise_field(96, kSeed + 9);
    const std::vector<uint32_t> rough = noise_field(4, kSeed + 7);
    for (uint32_t y = 0; y < N; ++y)
        for (uint32_t x = 0; x < N; ++x) {
            int32_t h = static_cast<int32_t>(detail[at(x, y)] + broad[at(x, y)] * 2) / 3;
            const uint32_t edge = std::min(std::min(x, y), std::min(N - 1 - x, N - 1 - y));
            if (edge < 24) h -= static_cast<int32_t>((24 - edge) * (24 - edge)) * 90;
            w.height[at(x, y)] = static_cast<uint32_t>(std::clamp(h, 0, 65535));
        }
    const std::vector<uint8_t> all(kTiles, 1);
    const uint32_t sea = level(w.height, all, kSeaPermille);
    for (const Place& s : kKeptSites) {
        w.kept[at(s.x, s.y)] = 1;
        for (uint32_t y = s.y >= 6 ? s.y - 6 : 0; y <= s.y + 6 && y < N; ++y)
            for (uint32_t x = s.x >= 6 ? s.x - 6 : 0; x <= s.x + 6 && x < N; ++x) {
                const int32_t dx = static_cast<int32_t>(x - s.x), dy = static_cast<int32_t>(y - s.y);
                const int32_t rise = static_cast<int32_t>(sea) + 5000 - (dx * dx + dy * dy) * 400 +
                                     static_cast<int32_t>(rough[at(x, y)] / 8) - 4096;
                w.height[at(x, y)] = std::max(w.height[at(x, y)], static_cast<uint32_t>(std::clamp(rise, 0, 65535)));
            }
    }
    for (uint32_t i = 0; i < kTiles; ++i) w.tiles[i] = w.height[i] < sea ? kDeepWater : kGrass;
    const std::vector<uint32_t> shore = distance_from([&](uint32_t i) { return w.tiles[i] == kGrass; }, true);
    for (uint32_t i = 0; i < kTiles; ++i) {
        if (w.tiles[i] == kGrass) continue;
        if (shore[i] <= 1 || w.height[i] + 1200 > sea) w.tiles[i] = kShallows;
        else if (shore[i] <= 3 || w.height[i] + 4000 > sea) w.tiles[i] = kWater;
    }
}

// Mountain ranges along the ridges of a noise field, hills at their feet,
// a volcanic range of lava; then forests, brush, swamp and desert by a
// moisture field.
void shape_land(World& w)
{
    w.inland = distance_from([&](uint32_t i) { return !is_land(w.tiles[i]); }, false);
    const std::vector<uint32_t> lines = noise_field(40, kSeed + 20), jitter = noise_field(8, kSeed + 21);
    const std::vector<uint32_t> ranges = noise_field(64, kSeed + 22), wet = fractal_field(32, kSeed + 40);
    const std::vector<uint32_t> fire = noise_field(64, kSeed + 30);
    std::vector<uint32_t> ridge(kTiles);
    std::vector<uint8_t> land(kTiles);
    for (uint32_t y = 0; y < N; ++y)
        for (uint32_t x = 0; x < N; ++x) {
            const uint32_t i = at(x, y);
            // Near 65535 along the lines where the noise crosses its middle,
            // jittered by finer noise, kept only where a coarse field allows.
            const int32_t n = static_cast<int32_t>(lines[i]) - 32768 + static_cast<int32_t>(jitter[i] / 16) - 2048;
            const uint32_t near = 65535 - std::min<uint32_t>(65535, static_cast<uint32_t>(std::abs(n)) * 9);
            ridge[i] = (ranges[i] >> 8) < 100 ? 0 : near;
            land[i] = is_land(w.tiles[i]) && !w.kept[i] && w.inland[i] >= 2;
        }
    constexpr uint32_t peaks = 40000, feet = 16000;
    std::vector<uint8_t> low(kTiles), high(kTiles);
    for (uint32_t i = 0; i < kTiles; ++i) {
        if (!is_land(w.tiles[i])) continue;
        if (land[i] && ridge[i] >= peaks) {
            w.tiles[i] = kMountains;
            high[i] = 1;
        } else if (land[i] && ridge[i] >= feet) {
            w.tiles[i] = kHills;
        } else {
            low[i] = 1;
        }
    }
    const uint32_t volcano = level(fire, high, 900);
    for (uint32_t i = 0; i < kTiles; ++i)
        if (high[i] && fire[i] >= volcano && (hash32(i + kSeed) & 3)) w.tiles[i] = kLava;

    const uint32_t forest = level(wet, low, 700), brush = level(wet, low, 560), desert = level(wet, low, 60);
    const uint32_t marsh = level(w.height, low, 220);
    for (uint32_t i = 0; i < kTiles; ++i) {
        if (!low[i] || w.kept[i]) continue;
        const uint32_t speck = hash32(i ^ (kSeed * 31)) % 100;
        if (wet[i] >= forest && w.height[i] < marsh && w.inland[i] <= 6) w.tiles[i] = kSwamp;
        else if (wet[i] >= forest) w.tiles[i] = speck < 6 ? kBrush : kForest;
        else if (wet[i] >= brush) w.tiles[i] = speck < 30 ? kForest : kBrush;
        else if (wet[i] < desert && w.inland[i] >= 3) w.tiles[i] = kDesert;
        else if (speck < 4) w.tiles[i] = kForest;
        else if (speck < 9) w.tiles[i] = kBrush;
    }
}

// Rivers: the land drains to the sea along the lowest ways (a flood that
// rises from the sea over the land, lowest tile first); from springs in the
// uplands the rivers follow those ways down, one tile wide.
void carve_rivers(World& w)
{
    std::vector<uint32_t> drain(kTiles, kTiles);
    std::priority_queue<std::pair<uint32_t, uint32_t>, std::vector<std::pair<uint32_t, uint32_t>>, std::greater<>>
        open;
    for (uint32_t i = 0; i < kTiles; ++i)
        if (!is_land(w.tiles[i])) {
            drain[i] = i;
            open.emplace(0, i);
        }
    while (!open.empty()) {
        const auto [key, i] = open.top();
        open.pop();
        for (int d = 0; d < 4; ++d) {
            const uint32_t j = step(i, d);
            if (j == kTiles || drain[j] != kTiles) continue;
            drain[j] = i;
            open.emplace(std::max(key, w.height[j] + (hash32(j ^ kSeed) & 0x7FF)), j);
        }
    }

    std::vector<std::pair<uint32_t, uint32_t>> springs;
    for (uint32_t i = 0; i < kTiles; ++i) {
        const uint8_t t = w.tiles[i];
        if ((t == kHills || t == kMountains) && w.inland[i] >= 6 && !w.kept[i])
            springs.emplace_back(hash32(i * 7 + kSeed), i);
    }
    std::sort(springs.begin(), springs.end());
    std::vector<uint32_t> sources;
    for (const auto& spring : springs) {
        const uint32_t i = spring.second;
        if (sources.size() == 16) break;
        if (std::all_of(sources.begin(), sources.end(), [&](uint32_t s) { return chebyshev(s, i) >= 20; }))
            sources.push_back(i);
    }
    for (uint32_t i : sources) {
        std::vector<uint32_t> path;
        for (; is_land(w.tiles[i]) && !w.river[i] && !w.kept[i]; i = drain[i]) path.push_back(i);
        if (path.size() < 10) continue;
        for (uint32_t j : path)
            if (w.tiles[j] != kMountains && w.tiles[j] != kLava) {
                w.tiles[j] = kShallows;
                w.river[j] = 1;
            }
    }
}

// The castle, towns, villages, shrines and dungeons, each where it fits,
// chosen by a seeded order and kept apart from each other.
void settle(World& w)
{
    w.inland = distance_from([&](uint32_t i) { return !is_land(w.tiles[i]); }, false);
    // Land masses, largest first by their size.
    w.mass.assign(kTiles, kFar);
    std::vector<uint32_t> sizes;
    for (uint32_t i = 0; i < kTiles; ++i) {
        if (w.mass[i] != kFar || !is_land(w.tiles[i])) continue;
        const uint32_t m = static_cast<uint32_t>(sizes.size());
        uint32_t size = 0;
        std::deque<uint32_t> queue{i};
        w.mass[i] = m;
        while (!queue.empty()) {
            const uint32_t j = queue.front();
            queue.pop_front();
            ++size;
            for (int d = 0; d < 4; ++d) {
                const uint32_t k = step(j, d);
                if (k == kTiles || w.mass[k] != kFar || !is_land(w.tiles[k])) continue;
                w.mass[k] = m;
                queue.push_back(k);
            }
        }
        sizes.push_back(size);
    }
    const uint32_t main_mass =
        static_cast<uint32_t>(std::max_element(sizes.begin(), sizes.end()) - sizes.begin());

    auto lowland = [&](uint8_t t) { return t == kGrass || t == kBrush || t == kDesert; };
    auto clear_of = [&](uint32_t i, uint32_t spacing) {
        if (i % N < 3 || i / N < 3 || i % N > N - 4 || i / N > N - 4) return false;
        for (const Place& s : kKeptSites)
            if (chebyshev(i, at(s.x, s.y)) < 3) return false;
        return std::all_of(w.taken.begin(), w.taken.end(), [&](uint32_t p) { return chebyshev(p, i) >= spacing; });
    };
    auto place = [&](uint8_t what, uint32_t count, uint32_t spacing, uint32_t salt, auto fits) {
        std::vector<std::pair<uint32_t, uint32_t>> order;
        for (uint32_t i = 0; i < kTiles; ++i)
            if (fits(i)) order.emplace_back(hash32(i * 13 + salt), i);
        std::sort(order.begin(), order.end());
        for (const auto& candidate : order) {
            const uint32_t i = candidate.second;
            if (count == 0) break;
            if (!clear_of(i, spacing)) continue;
            w.tiles[i] = what;
            w.taken.push_back(i);
            if (what == kCastle || what == kTown || what == kVillage) w.places.push_back(i);
            --count;
        }
    };

    // The castle: in the heart of the largest land.
    uint32_t heart = kTiles;
    for (uint32_t i = 0; i < kTiles; ++i)
        if (w.mass[i] == main_mass && lowland(w.tiles[i]) && clear_of(i, 1) &&
            (heart == kTiles || w.inland[i] > w.inland[heart]))
            heart = i;
    if (heart != kTiles) {
        w.tiles[heart] = kCastle;
        w.taken.push_back(heart);
        w.places.push_back(heart);
    }
    place(kTown, 9, 18, 1, [&](uint32_t i) { return lowland(w.tiles[i]) && w.inland[i] >= 1 && w.inland[i] <= 2; });
    place(kVillage, 8, 13, 2, [&](uint32_t i) { return lowland(w.tiles[i]) && w.inland[i] >= 2; });
    place(kShrine, 6, 22, 3, [&](uint32_t i) { return lowland(w.tiles[i]) || w.tiles[i] == kForest; });
    place(kDungeon, 7, 18, 4, [&](uint32_t i) {
        if (w.tiles[i] != kMountains && w.tiles[i] != kHills) return false;
        for (int d = 0; d < 4; ++d) {
            const uint32_t j = step(i, d);
            if (j != kTiles && lowland(w.tiles[j])) return true;
        }
        return false;
    });
}

// What a road costs to build on a tile; 0 where none can be built.
uint32_t road_cost(uint8_t t)
{
    switch (t) {
        case kGrass: return 3;
        case kBrush: case kDesert: return 4;
        case kForest: return 7;
        case kSwamp: return 9;
        case kHills: return 10;
        case kTown: case kCastle: case kVillage: return 2;
        default: return t >= kRoad && t < kRoad + 16 ? 1 : 0;
    }
}

// Roads: each castle, town and village joined to the nearest one placed
// before it on the same land, by the cheapest way; rivers are crossed on
// bridges.
void build_roads(World& w)
{
    std::vector<uint32_t> cost(kTiles), from(kTiles);
    for (size_t k = 1; k < w.places.size(); ++k) {
        const uint32_t start = w.places[k];
        uint32_t goal = kTiles;
        for (size_t j = 0; j < k; ++j) {
            const uint32_t p = w.places[j];
            if (w.mass[p] != w.mass[start]) continue;
            if (goal == kTiles || chebyshev(p, start) < chebyshev(goal, start)) goal = p;
        }
        if (goal == kTiles || chebyshev(goal, start) > 60) continue;

        std::fill(cost.begin(), cost.end(), 0xFFFFFFFFU);
        std::priority_queue<std::pair<uint32_t, uint32_t>, std::vector<std::pair<uint32_t, uint32_t>>,
                            std::greater<>>
            open;
        cost[start] = 0;
        open.emplace(0, start);
        while (!open.empty()) {
            const auto [c, i] = open.top();
            open.pop();
            if (c != cost[i]) continue;
            if (i == goal) break;
            for (int d = 0; d < 4; ++d) {
                uint32_t j = step(i, d);
                uint32_t extra = 0;
                if (j != kTiles && w.tiles[j] == ((d % 2) ? kBridgeEastWest : kBridgeNorthSouth)) {
                    j = step(j, d);  // over a bridge built before
                    extra = 1;
                } else if (j != kTiles && w.river[j] && w.tiles[j] == kShallows) {  // a new bridge
                    j = step(j, d);
                    extra = 24;
                }
                if (j == kTiles || w.kept[j]) continue;
                const uint32_t base = road_cost(w.tiles[j]) + (hash32(j + kSeed) % 3);
                const bool endpoint = j == goal;
                if (road_cost(w.tiles[j]) == 0 || (!endpoint && (w.tiles[j] == kTown || w.tiles[j] == kCastle || w.tiles[j] == kVillage)))
                    continue;
                if (c + base + extra < cost[j]) {
                    cost[j] = c + base + extra;
                    from[j] = i;
                    open.emplace(cost[j], j);
                }
            }
        }
        if (cost[goal] == 0xFFFFFFFFU) continue;
        for (uint32_t i = goal; i != start; i = from[i]) {
            const uint32_t prev = from[i];
            if (chebyshev(prev, i) == 2) {  // jumped a river
                const uint32_t mid = (prev + i) / 2;
                w.tiles[mid] = (prev % N == i % N) ? kBridgeNorthSouth : kBridgeEastWest;
            }
            if (i != goal && road_cost(w.tiles[i]) != 2) w.tiles[i] = kRoad;
        }
    }
    // Each road tile shows the sides it leaves by.
    auto joins = [&](uint8_t t, int d) {
        if (t >= kRoad && t < kRoad + 16) return true;
        if (t == kTown || t == kCastle || t == kVillage) return true;
        return (t == kBridgeEastWest && (d == 1 || d == 3)) || (t == kBridgeNorthSouth && (d == 0 || d == 2));
    };
    for (uint32_t i = 0; i < kTiles; ++i) {
        if (w.tiles[i] < kRoad || w.tiles[i] >= kRoad + 16) continue;
        uint8_t sides = 0;
        for (int d = 0; d < 4; ++d) {
            const uint32_t j = step(i, d);
            if (j != kTiles && joins(w.tiles[j], d)) sides |= kSide[d];
        }
        w.tiles[i] = static_cast<uint8_t>(kRoad + sides);
    }
}

// Ships off the coastal towns, rocks in the shallows, flowers in meadows.
void finish(World& w)
{
    uint32_t ships = 0;
    for (uint32_t p : w.taken) {
        if (w.tiles[p] != kTown || ships == 4) continue;
        for (uint32_t r = 2; r <= 4; ++r) {
            const uint32_t x = p % N, y = p / N;
            const uint32_t tries[4] = {x + r < N ? at(x + r, y) : kTiles, y + r < N ? at(x, y + r) : kTiles,
                                       x >= r ? at(x - r, y) : kTiles, y >= r ? at(x, y - r) : kTiles};
            const uint32_t* hit = std::find_if(std::begin(tries), std::end(tries), [&](uint32_t j) {
                return j != kTiles && (w.tiles[j] == kWater || w.tiles[j] == kDeepWater);
            });
            if (hit == std::end(tries)) continue;
            w.tiles[*hit] = ships++ % 2 ? kShipWest : kShipEast;
            break;
        }
    }
    for (uint32_t i = 0; i < kTiles; ++i) {
        const uint32_t h = hash32(i * 3 + kSeed * 5) % 1000;
        if (w.tiles[i] == kShallows && !w.river[i] && h < 12) {
            bool beside_land = false;
            for (int d = 0; d < 4; ++d) {
                const uint32_t j = step(i, d);
                beside_land |= j != kTiles && is_land(w.tiles[j]);
            }
            if (!beside_land) w.tiles[i] = kRocks;
        }
        if (w.tiles[i] == kGrass && h < 15) w.tiles[i] = kFlowers;
    }
    for (const Place& s : kKeptSites) w.tiles[at(s.x, s.y)] = kGrass;
}

std::vector<uint8_t> make_world()
{
    World w;
    raise_land(w);
    shape_land(w);
    carve_rivers(w);
    settle(w);
    build_roads(w);
    finish(w);
    return w.tiles;
}


}  // namespace

using namespace tile;

bool open_water(uint8_t t) { return t == kDeepWater || t == kWater || t == kShallows; }

bool shore_land(uint8_t t)
{
    return !open_water(t) && t != kShipEast && t != kShipWest && t != kBridgeEastWest && t != kBridgeNorthSouth &&
           t != kPier && t != kRocks;
}

const std::vector<uint8_t>& world_tiles()
{
    static const std::vector<uint8_t> tiles = make_world();
    return tiles;
}

std::vector<uint8_t> chunked_map(const std::vector<uint8_t>& tiles, uint32_t edge)
{
    std::vector<uint8_t> map(65536);
    for (uint32_t y = 0; y < 256; ++y)
        for (uint32_t x = 0; x < 256; ++x)
            map[((y / edge) * (256 / edge) + x / edge) * edge * edge + (y % edge) * edge + x % edge] =
                tiles[y * 256 + x];
    return map;
}

}  // namespace sample
