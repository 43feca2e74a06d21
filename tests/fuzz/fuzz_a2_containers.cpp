// Apple II disk image containers (2MG, NIB, WOZ 1 and 2): the input is laid
// over a well-formed container of a sample disk, made by the sample
// generator, or is the whole file. The file is decoded in memory, whole or
// as far as the map disk needs; with bit 5 it is also written out, opened by
// the DOS 3.3 reader and read as the map disk.
//
// Input: one byte of mode, two bytes of offset (in units of 4 bytes, low
// byte first), then the bytes laid over the container from that offset.
//   bits 0-2: the container: the input alone; 2MG in DOS 3.3 order, in
//             ProDOS order, with NIB; NIB; WOZ 1; WOZ 2 with INFO 2; WOZ 2
//             with INFO 3
//   bit 3: cut the file where the laid bytes end
//   bit 4: a container of the map disk (else of the program disk)
//   bit 5: go through the file readers too
//   bit 6: ask them for ProDOS order (else DOS 3.3 order)
//   bit 7: decode in memory only the 16 tracks of the map (else all)
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "a2_container.h"
#include "a2map.h"
#include "dos33.h"
#include "fuzz_support.h"
#include "fuzz_a2_images.h"

namespace {

using Bytes = std::vector<uint8_t>;

void check_run(const A2SectorRun& run)
{
    if (run.image.size() % 256 != 0) std::abort();
    if (!run.faults.empty() && run.faults.size() != run.image.size() / 256) std::abort();
    if (run.order != 1 && run.order != 2) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint8_t mode = in.u8();
    const size_t offset = size_t{in.u16()} * 4;
    const auto overlay = in.rest();
    Bytes file;
    if ((mode & 7) == 0) {
        file.assign(overlay.begin(), overlay.end());
    } else {
        file = vorn_fuzz::a2_container_base(mode & 7, (mode & 0x10) != 0);
        if (offset >= file.size()) return 0;
        for (size_t i = 0; i < overlay.size() && offset + i < file.size(); ++i) file[offset + i] = overlay[i];
        if (mode & 8) file.resize(std::min(file.size(), offset + overlay.size()));
    }

    const int kind = a2_container_probe(file);
    if (kind != kA2Plain) {
        const uint32_t tracks = (mode & 0x80) ? 16 : kA2AllTracks;
        A2SectorRun run;
        if (a2_container_decode(run, "fuzz", file, kind, tracks) == 0) {
            check_run(run);
            if (kind != kA2TwoImg && run.image.size() > ((mode & 0x80) ? 16u : 40u) * size_t{4096}) std::abort();
        } else if (!run.image.empty() || !run.faults.empty()) {
            std::abort();
        }
    }
    if (mode & 0x20) {
        static const std::string path = vorn_fuzz::scratch_path("a2.img");
        if (!vorn_fuzz::write_whole_file(path, file)) std::abort();
        const int order = (mode & 0x40) ? kSectorOrderProdos : kSectorOrderDos;
        Dos33Disk disk;
        if (dos33_open(disk, path.c_str(), order) == 0) {
            std::vector<uint8_t> buffer(4100);
            (void)dos33_read_file(disk, "S\x01HP0", buffer);
            (void)dos33_read_file(disk, "S\x01HP1", buffer);
        }
        dos33_close(disk);
        std::vector<uint8_t> map(65536);
        (void)read_image_file(path.c_str(), order, map);
    }
    return 0;
}
