// Floppy image containers beneath the FAT12 reader. A container file (FDI,
// a raw sector image such as HDM or XDF, D88 and its namesakes D98, D68, D77
// and 88D, NFD revisions 0 and 1, DIM) is decoded into the plain run of
// sectors that the reader takes, behind the caller's leading bytes. A
// container is recognised by its signature or by header fields that agree
// with each other, never by its file name.
//
// Damage that spoils the whole container (a file cut short, header offsets
// or sizes that point outside it) ends the decoding with one line:
//   damaged image 'x.d88': cut short in track 60 side 1 sector 3
// Damage to single sectors (missing, duplicated, of the wrong size, flagged
// as unreadable) is recorded per sector and reported by the reader only when
// it needs that sector, in the same form:
//   damaged image 'x.d88': track 3 side 1 sector 5 missing
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The physical layouts of the three disks the reader knows. The order is the
// reader's order of geometries: 1.2 MB 2HD, 720 KB 2DD, 640 KB 2DD.
struct FloppyLayout {
    uint32_t cylinders;
    uint32_t heads;
    uint32_t sectors_per_track;
    uint32_t bytes_per_sector;
};
inline constexpr FloppyLayout kFloppyLayouts[3] = {{77, 2, 8, 1024}, {80, 2, 9, 512}, {80, 2, 8, 512}};

// Bytes of the disk behind the leading bytes for a layout.
constexpr uint32_t floppy_layout_bytes(const FloppyLayout& l)
{
    return l.cylinders * l.heads * l.sectors_per_track * l.bytes_per_sector;
}

// Files longer than this are no container of a floppy disk and are never
// read (a D88 file may hold a few disks one after another; the first is used).
constexpr uint64_t kFloppyContainerMaxBytes = 4u << 20;

// What is wrong with one sector: the kind in the low byte, a detail (a size,
// a status byte) above it. 0: the sector is sound.
enum SectorFault : uint32_t {
    kSectorSound = 0,
    kSectorMissing = 1,
    kSectorDuplicated = 2,
    kSectorWrongSize = 3,  // detail: the bytes the container holds for it
    kSectorIdCrc = 4,
    kSectorDataCrc = 5,
    kSectorUnreadable = 6,  // detail: the status byte recorded for it
};

constexpr uint32_t sector_fault(SectorFault kind, uint32_t detail = 0)
{
    return static_cast<uint32_t>(kind) | (detail << 8);
}

// A decoded disk.
struct FloppyDisk {
    int32_t layout = -1;           // index into kFloppyLayouts
    std::vector<uint8_t> data;     // the leading bytes (zero), then every sector by absolute number
    std::vector<uint32_t> faults;  // one per absolute sector; empty when every sector is sound
};

// Results of the decoders.
enum : int {
    kContainerDecoded = 0,
    kContainerUnknown = -1,   // no container of these kinds, or not of the three layouts: nothing printed
    kContainerDamaged = -2,   // damaged as a whole: its line printed
    kContainerNoMemory = -3,  // "memory exhausted!" printed
};

// Recognises and decodes a container file held in memory; lead_bytes zero
// bytes stand before the first sector in disk.data. path names the image in
// messages. One of the results above; disk is cleared unless decoded.
[[nodiscard]] int floppy_container_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path,
                                          uint32_t lead_bytes);

// Prints the line of a faulty sector (absolute number in a layout).
void floppy_print_fault(const char* path, const FloppyLayout& layout, uint32_t sector, uint32_t fault);

// ---- used by the decoders of the single formats -------------------------------

// Each format: whether the file carries its signature or header fields that
// agree with each other, and the decoder, which may assume the former.
[[nodiscard]] bool fdi_recognise(std::span<const uint8_t> file);
[[nodiscard]] int fdi_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes);
[[nodiscard]] bool d88_recognise(std::span<const uint8_t> file);
[[nodiscard]] int d88_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes);
[[nodiscard]] bool nfd_recognise(std::span<const uint8_t> file);
[[nodiscard]] int nfd_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes);
[[nodiscard]] bool dim_recognise(std::span<const uint8_t> file);
[[nodiscard]] int dim_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes);

// The layout with this sector size and count per track, or -1.
[[nodiscard]] int32_t floppy_layout_of(uint64_t bytes_per_sector, uint64_t sectors_per_track);

// Sizes disk.data for the layout (zero-filled) and marks every sector
// missing. kContainerDecoded or kContainerNoMemory (printed).
[[nodiscard]] int floppy_disk_begin(FloppyDisk& disk, int32_t layout, uint32_t lead_bytes);

// Puts a sector found in the container at its recorded cylinder, head and
// record number. Sectors outside the layout are not the disk's and are left
// out. A sector found twice is duplicated. The bytes are copied when fault
// is 0 and their size is the layout's; a size that differs is a fault.
void floppy_disk_place(FloppyDisk& disk, uint32_t cylinder, uint32_t head, uint32_t record,
                       std::span<const uint8_t> bytes, uint32_t fault);

// The fault of a sector whose read ended with this result code of the disk
// BIOS, as D88 and NFD files record it: 0x00 sound, 0xA0 ID CRC error, 0xB0
// data CRC error, anything else unreadable.
[[nodiscard]] uint32_t floppy_status_fault(uint8_t status);

// Ends a decoding: drops the fault list when every sector is sound.
void floppy_disk_finish(FloppyDisk& disk);

// Prints "damaged image '%s': " and what is wrong, a formatted line of at
// most 120 bytes; returns kContainerDamaged.
int floppy_damaged(const char* path, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;
