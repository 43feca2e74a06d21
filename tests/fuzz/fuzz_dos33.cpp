// DOS 3.3 images with a fuzzed catalog: the input is laid over a well-formed
// program disk (made by the sample DOS 3.3 writer) from track 17 on, where
// the volume table, the catalog chain and the first track/sector lists lie.
// The image is opened in both sector orders and the shape files the tool
// reads are looked up and copied out; then the tool's shape loader decodes
// them (deriving the shapes the files leave out).
//
// Input: one byte of mode, then the bytes laid over the image.
//   bits 0-2: image size: 35 tracks; 18 tracks; one byte short of 18
//             tracks; 35 tracks and 100 bytes; 40 tracks; 1 MiB and one
//             track (more than is held); 35 tracks; 16 tracks
//   bit 3: lay the input from the start of the image instead
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "bitmap.h"
#include "dos33.h"
#include "fuzz_support.h"
#include "hires.h"
#include "sample_a2.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint8_t mode = in.u8();
    static const std::vector<uint8_t> base = sample::a2_program_disk(false);
    static const size_t sizes[8] = {143360, 18 * 4096, 18 * 4096 - 1, 143360 + 100,
                                    40 * 4096, (1u << 20) + 4096, 143360, 16 * 4096};
    std::vector<uint8_t> image = base;
    image.resize(sizes[mode & 7], 0);
    const size_t start = (mode & 8) ? 0 : 17 * 4096;
    const auto overlay = in.rest();
    for (size_t i = 0; i < overlay.size() && start + i < image.size(); ++i) image[start + i] = overlay[i];
    static const std::string path = vorn_fuzz::scratch_path("a2.dsk");
    if (!vorn_fuzz::write_whole_file(path, image)) std::abort();

    for (const int order : {kSectorOrderDos, kSectorOrderProdos}) {
        Dos33Disk disk;
        if (dos33_open(disk, path.c_str(), order) == 0) {
            std::vector<uint8_t> buffer(kHiresFileBytes);
            for (const char* name : {kHiresLeftFile, kHiresRightFile, "", "A NAME OF THIRTY-ONE CHARACTERS"}) {
                (void)dos33_find_file(disk, name);
                const int got = dos33_read_file(disk, name, buffer);
                if (got > static_cast<int>(buffer.size())) std::abort();
            }
            std::vector<uint8_t> small(7);
            if (dos33_read_file(disk, kHiresLeftFile, small) > 7) std::abort();
        }
        dos33_close(disk);
        if (!disk.image.empty() || !disk.catalog.empty()) std::abort();

        ShapeSet shapes;
        if (load_hires_shapes(path.c_str(), order, shapes) == 0 &&
            shapes.pixels.size() != size_t{kHiresSheetWidth} * kHiresSheetHeight)
            std::abort();
    }
    return 0;
}
