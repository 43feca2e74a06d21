// Integer hashing and value noise for the synthetic sample data. Everything is
// computed in 32-bit integers, so one seed gives the same numbers with every
// compiler and library.
#pragma once

#include <cstdint>
#include <vector>

namespace sample {

// A well-mixed 32-bit hash of v.
uint32_t hash32(uint32_t v);

// A hash of a grid position and a salt.
uint32_t hash_at(uint32_t x, uint32_t y, uint32_t salt);

// Smooth value noise, 0..65535, over the 256 x 256 world (row by row from
// the top), from random values on a grid of cell x cell tiles.
std::vector<uint32_t> noise_field(uint32_t cell, uint32_t seed);

// Value noise summed over octaves from cell size `cell` down to 4, each half
// the size and half the weight of the one before, scaled back to 0..65535.
std::vector<uint32_t> fractal_field(uint32_t cell, uint32_t seed);

}  // namespace sample
