// Apple II sample data: a small DOS 3.3 image writer, hi-res shape files of
// the sample tiles in dot patterns, and the program and map disks made from
// them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

constexpr uint32_t kA2ImageBytes = 143360;  // 35 tracks of 16 sectors of 256 bytes

// A file to put on a DOS 3.3 image: contents as stored on the disk, the type
// header (if the type has one) included.
struct A2File {
    std::string name;
    uint8_t type = 0;
    std::vector<uint8_t> contents;
};

// The 4-byte header of a binary file (load address, length) and its data.
std::vector<uint8_t> a2_binary_contents(uint16_t address, const std::vector<uint8_t>& data);

// A DOS 3.3 volume in DOS 3.3 sector order: VTOC at track 17, sector 0, the
// catalog chain from track 17, sector 15 down, each file's track/sector
// lists and data sectors from track 18 on (then from track 16 down).
std::vector<uint8_t> a2_dos33_image(const std::vector<A2File>& files, uint32_t tracks = 35);

// The same image in ProDOS sector order.
std::vector<uint8_t> a2_prodos_order(const std::vector<uint8_t>& dos_order);

// The hi-res shape file of left (half 0) or right (half 1) halves: page r
// holds scan line r of the 256 shapes. 4,096 bytes.
std::vector<uint8_t> a2_hires_shapes(int half);

// The program disk with the two shape files, and the map disk whose first
// 16 tracks hold the sample world in chunks of 16 x 16 tiles.
std::vector<uint8_t> a2_program_disk(bool prodos_order);
std::vector<uint8_t> a2_morvane_disk(bool prodos_order);

}  // namespace sample
