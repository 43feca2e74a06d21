// The town reader and composer on fuzzed TOWNE.BIN and PEOPLE.BIN inside a
// well-formed image (made by the sample FAT12 writer): the 17 towns are read
// and each is drawn with small synthetic shapes, so that people and tiles
// from damaged files are laid out.
//
// Input: one byte of mode, the lengths of TOWNE.BIN and PEOPLE.BIN (16 bits
// each, taken mod twice the sizes the tools read), a 16-bit offset, then
// bytes laid from that offset over the two files joined (maps, then people).
//   bit 0: leave TOWNE.BIN out; bit 1: leave PEOPLE.BIN out
//   bit 2: FDI (4,096 leading bytes), else XDF; bit 3: no people drawn
//   bit 4: draw through a mask; bit 5: file lengths from the input
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bitmap.h"
#include "fat12_writer.h"
#include "fuzz_support.h"
#include "sample_ports.h"
#include "towne.h"

namespace {

using Bytes = std::vector<uint8_t>;

// 256 shapes of 2 x 2 pixels, every pixel of shape n holding n mod 16, and a
// mask that makes colours 8-15 transparent.
void make_shapes(ShapeSet& shapes, ShapeMask& mask)
{
    shapes.tile_width = shapes.tile_height = 2;
    shapes.columns = shapes.rows = 16;
    shapes.bits_per_pixel = 4;
    shapes.bytes_per_pixel = 1;
    shapes.pixels.assign(32 * 32, 0);
    shapes.palette.assign(64, 0x40);
    mask = shapes;
    mask.bits_per_pixel = 1;
    mask.palette.assign(kBlackWhitePalette, kBlackWhitePalette + 8);
    for (uint32_t n = 0; n < 256; ++n)
        for (uint32_t y = 0; y < 2; ++y)
            for (uint32_t x = 0; x < 2; ++x) {
                const size_t at = shape_row_offset(shapes, n, y) + x;
                shapes.pixels[at] = static_cast<uint8_t>(n % 16);
                mask.pixels[at] = n % 16 >= 8;
            }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint8_t mode = in.u8();
    const uint16_t towne_length = in.u16();
    const uint16_t people_length = in.u16();
    const uint16_t offset = in.u16();
    static const Bytes sample_towne = sample::towne_bin();
    static const Bytes sample_people = sample::people_bin();
    Bytes towne = sample_towne, people = sample_people;
    if (mode & 32) {
        towne.resize(towne_length % (2 * kTowneBinBytes));
        people.resize(people_length % (2 * kPeopleBinBytes));
    }
    const auto overlay = in.rest();
    const size_t joined = towne.size() + people.size();
    for (size_t i = 0; i < overlay.size() && joined > 0; ++i) {
        const size_t at = (offset + i) % joined;
        (at < towne.size() ? towne[at] : people[at - towne.size()]) = overlay[i];
    }

    std::vector<sample::FloppyFile> files;
    if (!(mode & 1)) files.push_back({"TOWNE.BIN", towne});
    if (!(mode & 2)) files.push_back({"PEOPLE.BIN", people});
    const uint32_t leading = (mode & 4) ? 4096 : 0;
    const Bytes image = sample::fat12_image(sample::FloppyKind::k2HD1232K, files, leading);
    if (image.empty()) return 0;
    static const std::string path = vorn_fuzz::scratch_path("towns.img");
    if (!vorn_fuzz::write_whole_file(path, image)) std::abort();

    static Bytes towns(kTownDataBytes);
    towns.assign(kTownDataBytes, 0xEE);
    if (read_town_data(towns, path.c_str(), leading) != 0) {
        for (const uint8_t b : towns)
            if (b != 0xEE) std::abort();  // left untouched after a failure
        return 0;
    }
    static ShapeSet shapes;
    static ShapeMask mask;
    static const ShapeMask no_mask;
    if (shapes.pixels.empty()) make_shapes(shapes, mask);
    Bitmap bitmap;
    if (bitmap_create(bitmap, shapes, kTownTilesAcross, kTownTilesDown) != 0) std::abort();
    for (uint32_t t = 0; t < kTownCount; ++t) {
        const std::span<const uint8_t> town(towns.data() + t * kTownRecordBytes, kTownRecordBytes);
        if (draw_town_map(bitmap, shapes, (mode & 16) ? mask : no_mask, town, (mode >> 3) & 1) != 0) std::abort();
    }
    return 0;
}
