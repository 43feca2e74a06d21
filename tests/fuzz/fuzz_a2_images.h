// Well-formed Apple II disk image containers for the fuzz target and its
// seeds, made by the sample generator from the two sample disks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorn_fuzz {

// Container kinds 1-7: 2MG in DOS 3.3 order, in ProDOS order, with NIB;
// NIB; WOZ 1; WOZ 2 with INFO 2; WOZ 2 with INFO 3.
constexpr uint32_t kA2ContainerKinds = 7;

// The container of the kind, of the map disk or of the program disk. The
// WOZ files carry no CRC (0), so that bytes laid over them reach the
// decoder; laying a CRC over offset 8 has it checked.
const std::vector<uint8_t>& a2_container_base(uint32_t kind, bool map_disk);

// Where in that container the catalog track (17) begins.
size_t a2_container_catalog_offset(uint32_t kind);

}  // namespace vorn_fuzz
