// Where each shape's pattern lies in the ports' pattern files.
//
// PC-98: ocshape.pat and swshape.pat hold bit-plane patterns of 32 x 32
// pixels, 3 or 4 planes of 128 bytes each; a row names the file, the plane
// count and the byte offset of the first plane. X68000: shape.pat holds 328
// packed patterns of 36 x 36 pixels, 648 bytes each; a row names the pattern.
// Both tables are built at compile time from runs of shape numbers.
#pragma once

#include <array>
#include <cstdint>

enum class Pc98PatternFile : uint8_t { kNone, kOcshape, kSwshape };

struct Pc98PatternRow {
    Pc98PatternFile file;
    uint8_t planes;   // 3 or 4; 0 when file is kNone
    uint32_t offset;  // byte offset of the first plane in the file
};

constexpr uint32_t kPc98Shapes = 368;          // 23 rows of 16
constexpr uint32_t kPc98TileSize = 32;
constexpr uint32_t kPc98PlaneBytes = 128;      // 32 rows of 4 bytes
constexpr uint32_t kPc98OcshapeBytes = 108160;
constexpr uint32_t kPc98SwshapeBytes = 62464;

constexpr uint32_t kX68kShapes = 352;          // 22 rows of 16
constexpr uint32_t kX68kTileSize = 36;
constexpr uint32_t kX68kPatternBytes = 648;    // 36 rows of 18 bytes
constexpr uint32_t kX68kPatterns = 328;
constexpr uint32_t kX68kShapeBytes = kX68kPatterns * kX68kPatternBytes;  // 212,544

namespace pattern_table_detail {

struct Pc98Run {
    uint16_t first;
    uint16_t last;
    Pc98PatternFile file;
    uint8_t planes;
    uint32_t offset;
    uint32_t step;
};

constexpr Pc98PatternFile kOc = Pc98PatternFile::kOcshape;
constexpr Pc98PatternFile kSw = Pc98PatternFile::kSwshape;

constexpr Pc98Run kPc98Runs[] = {
    {0, 10, kOc, 3, 512, 384},      {11, 12, kOc, 3, 5120, 768},    {13, 14, kOc, 3, 6272, 384},
    {15, 15, kOc, 3, 7424, 0},      {16, 20, kOc, 4, 7808, 1024},   {21, 21, kOc, 4, 12416, 0},
    {22, 22, kOc, 3, 12928, 0},     {23, 25, kOc, 4, 13312, 512},   {26, 30, kOc, 3, 14848, 384},
    {31, 41, kOc, 4, 16768, 512},   {42, 43, kOc, 4, 23424, 512},   {44, 45, kOc, 4, 22400, 512},
    {46, 47, kOc, 4, 24448, 512},   {48, 48, kOc, 3, 25472, 0},     {49, 52, kOc, 4, 25856, 512},
    {53, 54, kOc, 3, 27904, 384},   {55, 56, kOc, 4, 32768, 512},   {57, 59, kOc, 3, 33792, 384},
    {60, 60, kOc, 4, 34944, 0},     {61, 63, kOc, 3, 35456, 384},   {64, 67, kOc, 4, 29184, 512},
    {72, 73, kOc, 3, 42240, 384},   {74, 74, kOc, 4, 43008, 0},     {75, 76, kOc, 3, 43520, 768},
    {77, 79, kOc, 4, 31232, 512},   {80, 87, kOc, 4, 36608, 512},   {88, 95, kOc, 4, 44672, 512},
    {96, 127, kOc, 3, 48768, 384},  {128, 131, kOc, 4, 61056, 1024}, {132, 139, kSw, 4, 0, 512},
    {140, 141, kOc, 4, 65152, 512}, {142, 255, kSw, 4, 4096, 512},  {256, 257, kOc, 3, 4736, 768},
    {258, 258, kOc, 3, 7040, 0},    {259, 259, kOc, 3, 43904, 0},   {260, 263, kOc, 4, 8320, 1024},
    {264, 267, kOc, 4, 61568, 1024}, {268, 268, kOc, 4, 72320, 0},  {269, 269, kOc, 4, 28672, 0},
    {273, 287, kOc, 4, 72832, 512}, {288, 289, kOc, 4, 66688, 512}, {290, 290, kOc, 4, 71296, 0},
    {291, 292, kOc, 4, 68736, 512}, {293, 293, kOc, 4, 68224, 0},   {294, 294, kOc, 4, 67712, 0},
    {295, 295, kOc, 4, 69760, 0},   {296, 296, kOc, 4, 66176, 0},   {297, 298, kOc, 4, 70272, 512},
    {299, 299, kOc, 4, 71808, 0},   {305, 319, kOc, 4, 80512, 512}, {321, 335, kOc, 4, 88192, 512},
    {336, 339, kOc, 3, 40704, 384}, {340, 363, kOc, 4, 95872, 512},
};

struct X68kRun {
    uint16_t first;
    uint16_t last;
    uint16_t pattern;
    uint16_t step;
};

constexpr X68kRun kX68kRuns[] = {
    {0, 10, 0, 1},      {11, 12, 12, 2},    {13, 14, 15, 1},    {15, 16, 18, 1},
    {17, 20, 21, 2},    {21, 41, 28, 1},    {42, 43, 51, 1},    {44, 45, 49, 1},
    {46, 54, 53, 1},    {55, 63, 70, 1},    {64, 67, 63, 1},    {72, 75, 90, 1},
    {76, 76, 95, 0},    {77, 79, 67, 1},    {80, 87, 79, 1},    {88, 128, 96, 1},
    {129, 131, 138, 2}, {132, 139, 205, 1}, {140, 141, 144, 1}, {142, 255, 213, 1},
    {256, 257, 11, 2},  {258, 258, 17, 0},  {259, 259, 94, 0},  {260, 263, 20, 2},
    {264, 267, 137, 2}, {268, 268, 158, 0}, {269, 269, 62, 0},  {273, 287, 159, 1},
    {288, 289, 147, 1}, {290, 290, 156, 0}, {291, 292, 151, 1}, {293, 293, 150, 0},
    {294, 294, 149, 0}, {295, 295, 153, 0}, {296, 296, 146, 0}, {297, 298, 154, 1},
    {299, 299, 157, 0}, {305, 319, 174, 1}, {321, 336, 189, 1}, {337, 337, 327, 0},
    {338, 340, 87, 1},
};

constexpr std::array<Pc98PatternRow, kPc98Shapes> make_pc98_table()
{
    std::array<Pc98PatternRow, kPc98Shapes> table{};
    for (auto& row : table) row = {Pc98PatternFile::kNone, 0, 0};
    for (const Pc98Run& run : kPc98Runs)
        for (uint32_t n = run.first; n <= run.last; ++n)
            table[n] = {run.file, run.planes, run.offset + (n - run.first) * run.step};
    return table;
}

constexpr std::array<int16_t, kX68kShapes> make_x68k_table()
{
    std::array<int16_t, kX68kShapes> table{};
    for (auto& row : table) row = -1;
    for (const X68kRun& run : kX68kRuns)
        for (uint32_t n = run.first; n <= run.last; ++n)
            table[n] = static_cast<int16_t>(run.pattern + (n - run.first) * run.step);
    return table;
}

}  // namespace pattern_table_detail

// Row n: the pattern of shape n (file kNone: the shape has no pattern).
constexpr std::array<Pc98PatternRow, kPc98Shapes> pc98_pattern_table =
    pattern_table_detail::make_pc98_table();

// Row n: the pattern number of shape n, or -1 when it has none.
constexpr std::array<int16_t, kX68kShapes> x68k_pattern_table =
    pattern_table_detail::make_x68k_table();

// Bit value of plane p in the colour index of a pattern of the given planes.
constexpr uint8_t pc98_plane_value(uint32_t planes, uint32_t plane)
{
    constexpr uint8_t kThree[3] = {1, 2, 4};
    constexpr uint8_t kFour[4] = {8, 1, 2, 4};
    if (planes == 3) return plane < 3 ? kThree[plane] : 0;
    return plane < 4 ? kFour[plane] : 0;
}
