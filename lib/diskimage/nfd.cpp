// NFD, revisions 0 and 1: a signature, a header of sector IDs (cylinder,
// head, record number and size code as recorded, with the read's result),
// then the bytes of every listed sector, track by track, in the order of the
// IDs. Revision 0 keeps 26 ID slots for each of 163 tracks, a slot with
// cylinder 0xFF being unused; revision 1 points to a list of IDs per track.
// Revision 1 may also keep copies of retried reads and diagnostic records;
// where their bytes lie is not settled between writers, so a file that has
// them is not read.
#include <cstring>

#include "byteorder.h"
#include "floppy_container.h"

namespace {

constexpr char kNfdSignatureR0[] = "T98FDDIMAGE.R0";  // with its terminating zero: 15 bytes
constexpr char kNfdSignatureR1[] = "T98FDDIMAGE.R1";
constexpr size_t Nfd_Signature = 0x000;   // 15 bytes; 0x010: comment, 256 bytes
constexpr size_t Nfd_HeaderSize = 0x110;  // (DWORD) bytes before the first sector's bytes
// 0x114 (BYTE) write protect, 0x115 (BYTE) heads: not read.

constexpr size_t Nfd0_IdTable = 0x120;  // (16-byte ID) x 26 x 163
constexpr size_t Nfd0_Tracks = 163;
constexpr size_t Nfd0_Slots = 26;
constexpr size_t Nfd0_IdTableEnd = Nfd0_IdTable + 16 * Nfd0_Slots * Nfd0_Tracks;  // 0x10A00

constexpr size_t Nfd1_TrackTable = 0x120;  // (DWORD) x 164: offset of each track's ID list, or 0
constexpr size_t Nfd1_Tracks = 164;
constexpr size_t Nfd1_Fixed = 0x3C0;       // 0x3B0 (DWORD) additional information, 12 reserved bytes
constexpr size_t Nfd1_SectorCount = 0x00;  // (WORD) of a track's list: sector IDs that follow
constexpr size_t Nfd1_DiagCount = 0x02;    // (WORD) diagnostic records after them
constexpr size_t Nfd1_ListHead = 0x10;

// A sector ID, 16 bytes.
constexpr size_t NfdId_C = 0x00;       // (BYTE) cylinder as recorded; 0xFF: unused slot (revision 0)
constexpr size_t NfdId_H = 0x01;       // (BYTE) head as recorded
constexpr size_t NfdId_R = 0x02;       // (BYTE) record number, from 1
constexpr size_t NfdId_N = 0x03;       // (BYTE) size code: 128 << N bytes
// 0x04 (BYTE) MFM, 0x05 (BYTE) deleted-data mark: not read.
constexpr size_t NfdId_Status = 0x06;  // (BYTE) disk BIOS result
constexpr size_t NfdId_Retry = 0x0A;   // (BYTE) retried reads kept (revision 1)
constexpr size_t NfdId_Bytes = 0x10;

bool nfd_revision(std::span<const uint8_t> file, int* revision)
{
    constexpr size_t n = sizeof kNfdSignatureR0;
    if (file.size() < Nfd_Signature + n) return false;
    if (std::memcmp(file.data() + Nfd_Signature, kNfdSignatureR0, n) == 0) *revision = 0;
    else if (std::memcmp(file.data() + Nfd_Signature, kNfdSignatureR1, n) == 0) *revision = 1;
    else return false;
    return true;
}

// The sector IDs of one track in a file whose header is whole.
struct NfdTrack {
    const uint8_t* ids = nullptr;
    size_t slots = 0;
};

NfdTrack nfd_track(std::span<const uint8_t> file, int revision, size_t track)
{
    if (revision == 0) return {file.data() + Nfd0_IdTable + track * Nfd0_Slots * NfdId_Bytes, Nfd0_Slots};
    const uint32_t at = get_le32(file.data() + Nfd1_TrackTable + 4 * track);
    if (at == 0) return {};
    return {file.data() + at + Nfd1_ListHead, get_le16(file.data() + at + Nfd1_SectorCount)};
}

bool nfd_used(const uint8_t* id) { return id[NfdId_C] != 0xFF; }

}  // namespace

bool nfd_recognise(std::span<const uint8_t> file)
{
    int revision = 0;
    return nfd_revision(file, &revision);
}

int nfd_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes)
{
    int revision = 0;
    if (!nfd_revision(file, &revision)) return kContainerUnknown;
    const size_t tracks = revision == 0 ? Nfd0_Tracks : Nfd1_Tracks;
    const size_t fixed = revision == 0 ? Nfd0_IdTableEnd : Nfd1_Fixed;
    if (file.size() < fixed) return floppy_damaged(path, "cut short in the header");
    const uint32_t header_size = get_le32(file.data() + Nfd_HeaderSize);
    if (header_size < fixed) return floppy_damaged(path, "header size %u overlaps its tables", header_size);
    if (header_size > file.size()) return floppy_damaged(path, "cut short in the header");

    // Revision 1: every list lies whole inside the header, and no list has
    // retried reads or diagnostic records.
    if (revision == 1) {
        for (size_t t = 0; t < tracks; ++t) {
            const uint32_t at = get_le32(file.data() + Nfd1_TrackTable + 4 * t);
            if (at == 0) continue;
            const uint64_t end = at < Nfd1_Fixed ? 0 : uint64_t{at} + Nfd1_ListHead;
            if (end == 0 || end > header_size ||
                end + uint64_t{NfdId_Bytes} * get_le16(file.data() + at + Nfd1_SectorCount) > header_size)
                return floppy_damaged(path, "track %u side %u lies outside the header", static_cast<unsigned>(t / 2),
                                      static_cast<unsigned>(t % 2));
            if (get_le16(file.data() + at + Nfd1_DiagCount) != 0) return kContainerUnknown;
            const NfdTrack list = nfd_track(file, revision, t);
            for (size_t k = 0; k < list.slots; ++k)
                if (list.ids[k * NfdId_Bytes + NfdId_Retry] != 0) return kContainerUnknown;
        }
    }

    // The layout: the size code of the first sector and the number of
    // sectors on its track. A disk of 40 cylinders or so is none of the three.
    int32_t layout = -1;
    size_t last = 0;
    for (size_t t = 0; t < tracks; ++t) {
        const NfdTrack list = nfd_track(file, revision, t);
        size_t used = 0;
        uint8_t n = 0;
        for (size_t k = 0; k < list.slots; ++k) {
            const uint8_t* id = list.ids + k * NfdId_Bytes;
            if (!nfd_used(id)) continue;
            if (used++ == 0) n = id[NfdId_N];
        }
        if (used == 0) continue;
        if (layout == -1) layout = n > 7 ? -2 : floppy_layout_of(128u << n, used);
        last = t;
    }
    if (layout < 0 || last / 2 + 1 <= kFloppyLayouts[layout].cylinders / 2) return kContainerUnknown;

    const int result = floppy_disk_begin(disk, layout, lead_bytes);
    if (result != kContainerDecoded) return result;
    size_t at = header_size;
    for (size_t t = 0; t < tracks; ++t) {
        const NfdTrack list = nfd_track(file, revision, t);
        for (size_t k = 0; k < list.slots; ++k) {
            const uint8_t* id = list.ids + k * NfdId_Bytes;
            if (!nfd_used(id)) continue;
            const unsigned c = id[NfdId_C], h = id[NfdId_H], r = id[NfdId_R], n = id[NfdId_N];
            if (n > 7) return floppy_damaged(path, "track %u side %u sector %u has size code %u", c, h, r, n);
            const size_t bytes = size_t{128} << n;
            if (bytes > file.size() - at) return floppy_damaged(path, "cut short in track %u side %u sector %u", c, h, r);
            floppy_disk_place(disk, c, h, r, file.subspan(at, bytes), floppy_status_fault(id[NfdId_Status]));
            at += bytes;
        }
    }
    floppy_disk_finish(disk);
    return kContainerDecoded;
}
