// A small FAT12 floppy image writer for synthetic test and demo data: a
// formatted disk of one of the three supported geometries with files in its
// root directory, stored in contiguous clusters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

// 1.2 MB 2HD (1024-byte sectors), 720 KB 2DD and 640 KB 2DD.
enum class FloppyKind { k2HD1232K, k2DD720K, k2DD640K };

// name: an 8.3 upper-case name such as "MAP.BIN".
struct FloppyFile {
    std::string name;
    std::vector<uint8_t> data;
};

// A formatted image of the kind with the files in its root directory
// (contiguous clusters, FAT12 chains, both FAT copies, a boot sector with the
// BIOS parameter block), preceded by leading_bytes zero bytes (4096 for FDI,
// 0 for XDF). Returns an empty vector when the files do not fit or a name is
// not a valid 8.3 name.
std::vector<uint8_t> fat12_image(FloppyKind kind, const std::vector<FloppyFile>& files,
                                 uint32_t leading_bytes);

// Bytes of the disk itself (without leading bytes): 1,261,568, 737,280, 655,360.
uint32_t fat12_disk_bytes(FloppyKind kind);

}  // namespace sample
