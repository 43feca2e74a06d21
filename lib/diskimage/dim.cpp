// DIM: a header of 256 bytes (the disk type, a flag per track and a
// signature), then the bytes of every track whose flag is set, in track
// order (cylinder x 2 + head), each track its sectors from record 1 up. A
// track whose flag is clear is not in the file: its sectors are missing.
#include <cstring>

#include "floppy_container.h"

namespace {

constexpr size_t Dim_Type = 0x00;        // (BYTE) 0 2HD, 1 2HS, 2 2HC, 3 2HDE, 9 2HQ
constexpr size_t Dim_TrackFlags = 0x01;  // (BYTE) x 170: 1 when the track is in the file
constexpr size_t Dim_Tracks = 170;
constexpr size_t Dim_Signature = 0xAB;   // "DIFC HEADER", then blanks
constexpr char kDimSignature[] = "DIFC HEADER";
constexpr size_t Dim_HeaderBytes = 0x100;

// Of the types, only 2HD holds one of the three layouts (77 cylinders of
// eight 1,024-byte sectors); the others have 9, 15 or 18 sectors a track.
constexpr uint8_t kDimType2HD = 0;

}  // namespace

bool dim_recognise(std::span<const uint8_t> file)
{
    return file.size() >= Dim_HeaderBytes &&
           std::memcmp(file.data() + Dim_Signature, kDimSignature, sizeof kDimSignature - 1) == 0;
}

int dim_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes)
{
    if (!dim_recognise(file) || file[Dim_Type] != kDimType2HD) return kContainerUnknown;
    const int32_t layout = floppy_layout_of(1024, 8);
    const int result = floppy_disk_begin(disk, layout, lead_bytes);
    if (result != kContainerDecoded) return result;
    const FloppyLayout& l = kFloppyLayouts[layout];
    const size_t track_bytes = size_t{l.sectors_per_track} * l.bytes_per_sector;
    size_t at = Dim_HeaderBytes;
    for (size_t t = 0; t < Dim_Tracks; ++t) {
        if (file[Dim_TrackFlags + t] == 0) continue;
        const unsigned cylinder = static_cast<unsigned>(t / 2), head = static_cast<unsigned>(t % 2);
        if (track_bytes > file.size() - at)
            return floppy_damaged(path, "cut short in track %u side %u", cylinder, head);
        for (uint32_t r = 1; r <= l.sectors_per_track; ++r)
            floppy_disk_place(disk, cylinder, head, r, file.subspan(at + (r - 1) * l.bytes_per_sector, l.bytes_per_sector),
                              kSectorSound);
        at += track_bytes;
    }
    floppy_disk_finish(disk);
    return kContainerDecoded;
}
