// The game files of each port, made from the synthetic world and tiles.
#pragma once

#include <cstdint>
#include <vector>

namespace sample {

// IBM PC port: the sample tiles in the 16 EGA colours and the four CGA
// colours, and the sample world.
std::vector<uint8_t> pc_shapes_ega();  // 32,768 bytes
std::vector<uint8_t> pc_shapes_cga();  // 16,384 bytes
std::vector<uint8_t> pc_world_map();   // 65,536 bytes, chunks of 32 x 32

// PC-98 and X68000 ports: the sample tiles in the eight colours of the
// shape palette. Shapes stored with four planes in the PC-98 files (and the
// same shapes in the X68000 file) carry the transparent bit (colour indices
// 8-15) where they are clear, with the colour of their ground; the others
// are opaque.
std::vector<uint8_t> pc98_ocshape_pat();  // 108,160 bytes, 3- and 4-plane patterns
std::vector<uint8_t> pc98_swshape_pat();  // 62,464 bytes, 122 four-plane patterns
std::vector<uint8_t> x68k_shape_pat();    // 212,544 bytes, 328 packed 36 x 36 patterns
// Colour index (0-15) that the pattern files give pixel (x, y) of shape n of
// size x size pixels (32 for the PC-98, 36 for the X68000); 0 for a shape
// without a pattern.
uint8_t port_shape_pixel(uint32_t n, uint32_t x, uint32_t y, uint32_t size);

// The sample world in 65,536 bytes in chunks of 16 x 16: tile bytes as in
// WORLD.MAP, except that water beside land holds shore bytes 195-239; no
// byte of 128-194 or 240-255.
std::vector<uint8_t> map_bin();

// The towns: walls, streets, buildings and their rooms, and people on tiles
// where one can stand; only tile bytes and person codes that the town tools
// translate without a warning.
std::vector<uint8_t> towne_bin();   // 17,408 bytes: 17 towns of 32 x 32 tile bytes
std::vector<uint8_t> people_bin();  // 4,352 bytes: 17 blocks of 256 bytes

// Whole disk images, 1.2 MB 2HD. FDI images carry a 4,096-byte FDI header.
std::vector<uint8_t> pc98_arvelon_fdi();  // OCSHAPE.PAT
std::vector<uint8_t> pc98_morvane_fdi();  // SWSHAPE.PAT, MAP.BIN, TOWNE.BIN, PEOPLE.BIN
std::vector<uint8_t> x68k_arvelon_xdf();  // SHAPE.PAT
std::vector<uint8_t> x68k_morvane_xdf();  // MAP.BIN, TOWNE.BIN, PEOPLE.BIN

}  // namespace sample
