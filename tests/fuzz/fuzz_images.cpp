#include "fuzz_images.h"

#include "sample_ports.h"

namespace vorn_fuzz {

const GameFile kGameFiles[6] = {
    {"ocshape.pat", 108160}, {"swshape.pat", 62464}, {"shape.pat", 212544},
    {"MAP.BIN", 65536},      {"TOWNE.BIN", 17408},   {"PEOPLE.BIN", 4352},
};

const std::vector<uint8_t>& base_image(sample::FloppyKind kind)
{
    static std::vector<uint8_t> images[3];
    std::vector<uint8_t>& image = images[static_cast<int>(kind)];
    if (image.empty())
        image = sample::fat12_image(kind,
                                    {{"OCSHAPE.PAT", sample::pc98_ocshape_pat()},
                                     {"SWSHAPE.PAT", sample::pc98_swshape_pat()},
                                     {"SHAPE.PAT", sample::x68k_shape_pat()},
                                     {"MAP.BIN", sample::map_bin()},
                                     {"TOWNE.BIN", sample::towne_bin()},
                                     {"PEOPLE.BIN", sample::people_bin()}},
                                    0);
    return image;
}

uint32_t metadata_bytes(sample::FloppyKind kind)
{
    switch (kind) {
        case sample::FloppyKind::k2HD1232K: return 11 * 1024;
        case sample::FloppyKind::k2DD720K: return 14 * 512;
        case sample::FloppyKind::k2DD640K: return 12 * 512;
    }
    return 0;
}

}  // namespace vorn_fuzz
