// Well-formed FAT12 images for the fuzz targets and their seeds: the three
// accepted geometries holding the game files of both ports, made by the
// sample FAT12 writer from the synthetic sample data.
#pragma once

#include <cstdint>
#include <vector>

#include "fat12_writer.h"

namespace vorn_fuzz {

// The files every tool reads out of an image, with the buffer size the
// tools give them.
struct GameFile {
    const char* name;
    uint32_t size;
};
extern const GameFile kGameFiles[6];

// An image of the kind (without leading bytes) holding all six game files.
const std::vector<uint8_t>& base_image(sample::FloppyKind kind);

// Bytes before the data area of an image of the kind: boot sector, both
// FATs and the root directory.
uint32_t metadata_bytes(sample::FloppyKind kind);

}  // namespace vorn_fuzz
