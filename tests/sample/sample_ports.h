// The game files of each port, made from the synthetic world and tiles.
#pragma once

#include <cstdint>
#include <vector>

namespace sample {

std::vector<uint8_t> pc_shapes_ega();  // 32,768 bytes
std::vector<uint8_t> pc_shapes_cga();  // 16,384 bytes
std::vector<uint8_t> pc_world_map();   // 65,536 bytes, chunks of 32 x 32

}  // namespace sample
