// FAT12 images of every accepted size with fuzzed contents: the input
// overwrites the start of a well-formed image (boot sector, FATs, root
// directory and on into the data area), the size stays. The image is opened
// and every game file the tools read is copied out of it.
//
// Input: one byte choosing the geometry (mod 3), the leading bytes (bit 2:
// 4,096 as in FDI images, else none) and the case folding of names (bit 3),
// then the bytes laid over the disk from its first sector.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "diskimage.h"
#include "fuzz_images.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint8_t mode = in.u8();
    const auto kind = static_cast<sample::FloppyKind>(mode % 3);
    const uint32_t leading = (mode & 4) ? 4096 : 0;
    const int ignore_case = (mode >> 3) & 1;
    const std::vector<uint8_t>& base = vorn_fuzz::base_image(kind);
    if (base.empty()) std::abort();

    std::vector<uint8_t> file(leading + base.size(), 0);
    std::memcpy(file.data() + leading, base.data(), base.size());
    const auto overlay = in.rest();
    std::memcpy(file.data() + leading, overlay.data(), std::min(overlay.size(), base.size()));
    static const std::string path = vorn_fuzz::scratch_path("image");
    if (!vorn_fuzz::write_whole_file(path, file)) std::abort();

    DiskImage image;
    if (disk_image_open(image, path.c_str(), leading) != 0) {
        if (!image.data.empty() || !image.fat.empty()) std::abort();  // released on failure
        return 0;
    }
    if (image.data.size() != file.size()) std::abort();
    std::vector<uint8_t> buffer;
    for (const vorn_fuzz::GameFile& f : vorn_fuzz::kGameFiles) {
        buffer.assign(f.size, 0);
        (void)disk_image_read_file(image, f.name, buffer, ignore_case);
    }
    // A buffer smaller than any file, and names that are no 8.3 names.
    buffer.assign(100, 0);
    (void)disk_image_read_file(image, "MAP.BIN", buffer, ignore_case);
    (void)disk_image_read_file(image, "TOOLONGNAME.BIN", buffer, ignore_case);
    (void)disk_image_read_file(image, "", buffer, ignore_case);
    disk_image_close(image);
    if (!image.data.empty()) std::abort();
    return 0;
}
