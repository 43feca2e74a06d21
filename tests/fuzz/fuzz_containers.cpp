// Floppy image containers with fuzzed bytes: a well-formed FDI, D88, NFD
// (revision 0 or 1), DIM or raw file of a disk holding every game file is patched
// in places, cut short or lengthened, then opened from memory and every game
// file is copied out of it.
//
// Input: one byte choosing the form (mod 6: FDI, D88, NFD r0, NFD r1, DIM,
// raw), the geometry ((byte / 6) mod 3; DIM is always 2HD) and the leading bytes
// (bit 7: 4,096 as in the PC-98 tools, else none); three bytes of a new
// length (little-endian, 0 keeps the length); then patches, each a position
// (three bytes, taken modulo the length), a count and that many bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "diskimage.h"
#include "floppy_container.h"
#include "fuzz_images.h"
#include "fuzz_support.h"
#include "sample_containers.h"

namespace {

constexpr sample::DiskForm kForms[6] = {sample::DiskForm::kFdi,  sample::DiskForm::kD88, sample::DiskForm::kNfd0,
                                        sample::DiskForm::kNfd1, sample::DiskForm::kDim, sample::DiskForm::kHdm};

const std::vector<uint8_t>& base_container(int form, int kind)
{
    static std::vector<uint8_t> files[6][3];
    std::vector<uint8_t>& file = files[form][kind];
    if (file.empty()) {
        const auto k = static_cast<sample::FloppyKind>(kind);
        file = sample::disk_in_form(k, vorn_fuzz::base_image(k), kForms[form]);
    }
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint8_t mode = in.u8();
    const int form = mode % 6;
    const int kind = form == 4 ? 0 : (mode / 6) % 3;
    const uint32_t leading = (mode & 0x80) ? 4096 : 0;
    const std::vector<uint8_t>& base = base_container(form, kind);
    if (base.empty()) std::abort();
    // One buffer for every run: large allocations cost a run more than its work.
    static std::vector<uint8_t> file;
    file.assign(base.begin(), base.end());

    const uint32_t length = in.u8() | (in.u8() << 8) | (static_cast<uint32_t>(in.u8()) << 16);
    if (length != 0) file.resize(std::min<size_t>(length, kFloppyContainerMaxBytes + 1), 0xE5);
    while (!file.empty() && in.at < in.bytes.size()) {
        const uint32_t at = (in.u8() | (in.u8() << 8) | (static_cast<uint32_t>(in.u8()) << 16)) % file.size();
        const uint8_t count = in.u8();
        for (uint8_t i = 0; i < count && at + i < file.size(); ++i) file[at + i] = in.u8();
    }

    DiskImage image;
    if (disk_image_open_bytes(image, "fuzz.img", file, leading) != 0) {
        if (!image.data.empty() || !image.fat.empty()) std::abort();  // released on failure
        return 0;
    }
    // An opened image holds a whole disk behind the leading bytes, and a fault
    // for each of its sectors or none.
    if (image.data.size() != leading + static_cast<size_t>(image.total_sectors) * image.bytes_per_sector) std::abort();
    if (!image.sector_faults.empty() && image.sector_faults.size() != static_cast<size_t>(image.total_sectors))
        std::abort();
    std::vector<uint8_t> buffer;
    for (const vorn_fuzz::GameFile& f : vorn_fuzz::kGameFiles) {
        buffer.assign(f.size, 0);
        (void)disk_image_read_file(image, f.name, buffer, 1);
    }
    (void)disk_image_read_file(image, "NOSUCH.BIN", buffer, 1);
    disk_image_close(image);
    return 0;
}
