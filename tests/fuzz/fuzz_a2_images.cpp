#include "fuzz_a2_images.h"

#include <algorithm>

#include "sample_a2.h"
#include "sample_a2_containers.h"

namespace vorn_fuzz {

const std::vector<uint8_t>& a2_container_base(uint32_t kind, bool map_disk)
{
    static std::vector<std::vector<uint8_t>> made(2 * (kA2ContainerKinds + 1));
    kind = kind < 1 || kind > kA2ContainerKinds ? kA2ContainerKinds : kind;
    std::vector<uint8_t>& b = made[kind * 2 + (map_disk ? 1 : 0)];
    if (b.empty()) {
        const std::vector<uint8_t> disk = map_disk ? sample::a2_morvane_disk(false) : sample::a2_program_disk(false);
        switch (kind) {
            case 1: b = sample::a2_2mg(disk, sample::kA2TwoImgDos); break;
            case 2: b = sample::a2_2mg(disk, sample::kA2TwoImgProdos); break;
            case 3: b = sample::a2_2mg(disk, sample::kA2TwoImgNib); break;
            case 4: b = sample::a2_nib(disk); break;
            case 5: b = sample::a2_woz(disk, 1); break;
            case 6: b = sample::a2_woz(disk, 2, 2); break;
            default: b = sample::a2_woz(disk, 2, 3); break;
        }
        if (kind >= 5) std::fill_n(b.begin() + static_cast<std::ptrdiff_t>(sample::kA2WozCrcOffset), 4, 0);
    }
    return b;
}

size_t a2_container_catalog_offset(uint32_t kind)
{
    switch (kind) {
        case 1:
        case 2: return 64 + 17 * 4096;
        case 3: return 64 + 17 * 6656;
        case 4: return 17 * 6656;
        case 5: return 256 + 17 * 6656;
        default: return sample::a2_woz2_track_bits_offset(17);
    }
}

}  // namespace vorn_fuzz
