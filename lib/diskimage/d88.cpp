// D88 (also named D98, D68, D77, 88D): a header with a table of track
// offsets, each track a run of sector records that carry the sector's
// recorded cylinder, head, record number and size code before its bytes.
// Sectors are placed by what they record, not by their order in the file.
// A file may hold several disks one after another; the first is read.
#include <algorithm>

#include "byteorder.h"
#include "floppy_container.h"

namespace {

// 0x00: name, 17 bytes with its terminating zero; 0x11: 9 reserved bytes.
constexpr size_t D88_Protect = 0x1A;     // (BYTE) 0x00, or 0x10 when write-protected
constexpr size_t D88_Media = 0x1B;       // (BYTE) 0x00 2D, 0x10 2DD, 0x20 2HD
constexpr size_t D88_DiskSize = 0x1C;    // (DWORD) bytes of this disk, header included
constexpr size_t D88_TrackTable = 0x20;  // (DWORD) per track (cylinder x 2 + head): offset, or 0
constexpr size_t D88_Tracks = 164;
constexpr size_t D88_HeaderMax = D88_TrackTable + 4 * D88_Tracks;  // 0x2B0

// A sector record: 16 bytes, then the sector's bytes.
constexpr size_t D88_C = 0x00;            // (BYTE) cylinder as recorded
constexpr size_t D88_H = 0x01;            // (BYTE) head as recorded
constexpr size_t D88_R = 0x02;            // (BYTE) record number, from 1
constexpr size_t D88_N = 0x03;            // (BYTE) size code: 128 << N bytes
constexpr size_t D88_SectorCount = 0x04;  // (WORD) records on this track
// 0x06 (BYTE) density, 0x07 (BYTE) deleted-data mark: not read.
constexpr size_t D88_Status = 0x08;       // (BYTE) disk BIOS result; 0x10 reads sound with a deleted mark
constexpr size_t D88_DataSize = 0x0E;     // (WORD) bytes that follow the record
constexpr size_t D88_RecordBytes = 0x10;

struct D88Header {
    uint32_t disk_size = 0;
    uint32_t tracks = 0;  // entries of the table
    uint32_t offsets[D88_Tracks] = {};
};

// The table runs up to the lowest track offset; every offset points past
// the table and the disk holds the table. false when the bytes are no D88
// header.
bool d88_header(std::span<const uint8_t> file, D88Header& h)
{
    if (file.size() < D88_TrackTable + 4) return false;
    const uint8_t protect = file[D88_Protect], media = file[D88_Media];
    if ((protect != 0x00 && protect != 0x10) || (media != 0x00 && media != 0x10 && media != 0x20)) return false;
    h.disk_size = get_le32(file.data() + D88_DiskSize);
    size_t table_end = D88_HeaderMax;
    bool any = false;
    for (size_t i = 0; i < D88_Tracks && D88_TrackTable + 4 * (i + 1) <= table_end; ++i) {
        const size_t at = D88_TrackTable + 4 * i;
        if (at + 4 > file.size()) return false;
        const uint32_t offset = get_le32(file.data() + at);
        if (offset != 0) {
            if (offset < at + 4) return false;
            table_end = std::min<size_t>(table_end, offset);
            any = true;
        }
        h.offsets[i] = offset;
        h.tracks = static_cast<uint32_t>(i + 1);
    }
    return any && h.disk_size >= table_end;
}

// The layout that the first record of the first track with records gives
// (its size code and the track's record count), or -1. -2 when that record
// lies past limit, with its track in *track.
int32_t d88_layout(std::span<const uint8_t> file, const D88Header& h, uint64_t limit, uint32_t* track)
{
    for (uint32_t i = 0; i < h.tracks; ++i) {
        const uint64_t at = h.offsets[i];
        if (at == 0) continue;
        *track = i;
        if (at + D88_RecordBytes > limit) return -2;
        const uint16_t count = get_le16(file.data() + at + D88_SectorCount);
        if (count == 0) continue;
        const uint8_t n = file[at + D88_N];
        return n > 7 ? -1 : floppy_layout_of(128u << n, count);
    }
    return -1;
}

// A track (record < 0) or sector that lies past the bytes at hand: the file
// is cut short, or the disk size says less than the table.
int d88_outside(const char* path, bool cut, unsigned cylinder, unsigned head, int record)
{
    if (record < 0)
        return cut ? floppy_damaged(path, "cut short in track %u side %u", cylinder, head)
                   : floppy_damaged(path, "track %u side %u lies past the end of the disk", cylinder, head);
    return cut ? floppy_damaged(path, "cut short in track %u side %u sector %d", cylinder, head, record)
               : floppy_damaged(path, "track %u side %u sector %d lies past the end of the disk", cylinder, head,
                                record);
}

uint32_t d88_fault(uint8_t status, uint8_t n, uint32_t bytes, uint32_t bytes_per_sector)
{
    if (status != 0x10) {
        const uint32_t fault = floppy_status_fault(status);
        if (fault != kSectorSound) return fault;
    }
    // A size code that disagrees with the layout is a wrong size even when
    // the record holds the layout's number of bytes.
    if (bytes == bytes_per_sector && (n > 7 || (128u << n) != bytes_per_sector))
        return sector_fault(kSectorWrongSize, n > 7 ? bytes : 128u << n);
    return kSectorSound;
}

}  // namespace

bool d88_recognise(std::span<const uint8_t> file)
{
    D88Header h;
    return d88_header(file, h);
}

int d88_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes)
{
    D88Header h;
    if (!d88_header(file, h)) return kContainerUnknown;
    // Records are read up to the disk's end; a disk that ends past the file
    // is a file cut short.
    const bool cut = h.disk_size > file.size();
    const uint64_t limit = cut ? file.size() : h.disk_size;

    uint32_t first = 0;
    const int32_t layout = d88_layout(file, h, limit, &first);
    if (layout == -2) return d88_outside(path, cut, first / 2, first % 2, -1);
    if (layout < 0) return kContainerUnknown;
    // A disk of 40 cylinders or so is a 2D disk, none of the three.
    uint32_t last = 0;
    for (uint32_t i = 0; i < h.tracks; ++i)
        if (h.offsets[i] != 0) last = i;
    if (last / 2 + 1 <= kFloppyLayouts[layout].cylinders / 2) return kContainerUnknown;

    const int result = floppy_disk_begin(disk, layout, lead_bytes);
    if (result != kContainerDecoded) return result;
    const uint32_t bytes_per_sector = kFloppyLayouts[layout].bytes_per_sector;
    for (uint32_t i = 0; i < h.tracks; ++i) {
        uint64_t at = h.offsets[i];
        if (at == 0) continue;
        if (at + D88_RecordBytes > limit) return d88_outside(path, cut, i / 2, i % 2, -1);
        const uint16_t count = get_le16(file.data() + at + D88_SectorCount);
        for (uint16_t k = 0; k < count; ++k) {
            if (at + D88_RecordBytes > limit) return d88_outside(path, cut, i / 2, i % 2, -1);
            const uint8_t* record = file.data() + at;
            const uint16_t bytes = get_le16(record + D88_DataSize);
            if (at + D88_RecordBytes + bytes > limit)
                return d88_outside(path, cut, record[D88_C], record[D88_H], record[D88_R]);
            floppy_disk_place(disk, record[D88_C], record[D88_H], record[D88_R],
                              file.subspan(at + D88_RecordBytes, bytes),
                              d88_fault(record[D88_Status], record[D88_N], bytes, bytes_per_sector));
            at += D88_RecordBytes + bytes;
        }
    }
    floppy_disk_finish(disk);
    return kContainerDecoded;
}
