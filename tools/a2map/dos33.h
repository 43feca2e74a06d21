// Read-only access to DOS 3.3 volumes held in 5.25-inch disk image files.
//
// An image is a run of 256-byte sectors, 16 to a track. DOS 3.3 names a
// sector by track and logical sector; where the sector lies in the file
// depends on the image's sector order (DOS 3.3 order or ProDOS order). The
// catalog is a chain of sectors starting at track 17, sector 15; each file
// entry points at a chain of track/sector lists naming the file's data
// sectors in order.
//
// Messages of this module carry no "error: " prefix.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr uint32_t kDos33SectorBytes = 256;
constexpr uint32_t kDos33SectorsPerTrack = 16;
constexpr uint32_t kDos33TrackBytes = kDos33SectorBytes * kDos33SectorsPerTrack;
// Track and sector are bytes, so no sector lies beyond the first 1 MiB.
constexpr uint32_t kDos33AddressableBytes = 256 * kDos33TrackBytes;

constexpr int kSectorOrderDos = 1;
constexpr int kSectorOrderProdos = 2;

// Physical place in the image of each logical sector, by sector order.
constexpr std::array<uint8_t, 16> kDosSectorOrder = {0, 1, 2,  3,  4,  5,  6,  7,
                                                     8, 9, 10, 11, 12, 13, 14, 15};
constexpr std::array<uint8_t, 16> kProdosSectorOrder = {0, 14, 13, 12, 11, 10, 9, 8,
                                                        7, 6,  5,  4,  3,  2,  1, 15};

// The table of a sector order code: ProDOS for 2, DOS 3.3 for anything else.
constexpr const std::array<uint8_t, 16>& dos33_order_table(int order)
{
    return order == kSectorOrderProdos ? kProdosSectorOrder : kDosSectorOrder;
}

constexpr uint32_t kDos33CatalogTrack = 17;
constexpr uint32_t kDos33CatalogSector = 15;
constexpr uint32_t kDos33MinTracks = 18;
constexpr uint32_t kDos33EntriesPerSector = 7;
constexpr uint32_t kDos33EntryBytes = 35;
constexpr uint32_t kDos33FirstEntry = 11;
constexpr uint32_t kDos33NameBytes = 30;
constexpr uint32_t kDos33PairsPerList = 122;
constexpr uint32_t kDos33FirstPair = 12;
constexpr uint8_t kDos33DeletedTrack = 0xFF;

// One track/sector list sector.
struct TsList {
    std::array<uint8_t, 5> head{};      // bytes 0-4; 1 and 2 link the next list
    uint16_t sector_offset = 0;         // file position of the first sector described
    std::array<uint8_t, 5> reserved{};  // bytes 7-11
    std::array<std::array<uint8_t, 2>, kDos33PairsPerList> pairs{};  // track, sector
};

// One file entry of a catalog sector, with its chain of lists in chain order.
struct CatalogEntry {
    std::vector<TsList> lists;  // empty: deleted, unreadable or not looked at
    uint8_t list_track = 0;
    uint8_t list_sector = 0;
    uint8_t type = 0;  // bits 0-6 file type, bit 7 lock flag
    std::array<uint8_t, kDos33NameBytes> name{};
    uint16_t length = 0;  // in sectors, list sectors included
};

struct CatalogSector {
    std::array<uint8_t, 3> head{};      // bytes 0-2; 1 and 2 link the next catalog sector
    std::array<uint8_t, 8> reserved{};  // bytes 3-10
    std::array<CatalogEntry, kDos33EntriesPerSector> entries{};
};

// A loaded image. Empty (as constructed) before dos33_open and after
// dos33_close.
struct Dos33Disk {
    std::vector<CatalogSector> catalog;  // in chain order; empty: none
    std::array<uint8_t, 16> order_table{};
    int order = 0;
    int64_t image_size = 0;  // size of the file, which may exceed what is held
    int64_t tracks = 0;      // image size / 4,096
    std::vector<uint8_t> image;  // the file's first min(size, 1 MiB) bytes
    // The line to print for each sector that a damaged container could not
    // give, by sector index in image (empty: sound); empty when all are.
    std::vector<std::string> faults;
};

// Loads the image at path in the given sector order (1 or 2), reads its
// catalog and the files' track/sector lists. 0 or -1. Call dos33_close after
// it, failed or not. A 2MG, NIB or WOZ container is decoded into its
// sectors, in the order it gives; a sector it could not give fails the step
// that reads it, after its fault line (a catalog sector the open, a list
// the lists of its entry and those after it, a data sector the file read).
[[nodiscard]] int dos33_open(Dos33Disk& disk, const char* path, int order);

// Releases everything the record holds and leaves it empty.
void dos33_close(Dos33Disk& disk);

// The first catalog entry whose stored name equals name (bit 7 set on every
// character, padded with 0xA0 to 30 bytes, cut at 30), or null.
[[nodiscard]] const CatalogEntry* dos33_find_file(const Dos33Disk& disk, const char* name);

// Copies the file's data after its type header into dest (which is cleared
// first): the count of bytes copied, at most dest.size(), or -1.
[[nodiscard]] int dos33_read_file(const Dos33Disk& disk, const char* name, std::span<uint8_t> dest);

// True when (track, sector) lies wholly inside the image.
[[nodiscard]] bool dos33_sector_inside(const Dos33Disk& disk, uint32_t track, uint32_t sector);

// Byte offset in the image of logical sector (track, sector) in the given order.
constexpr uint64_t dos33_sector_offset(const std::array<uint8_t, 16>& table, uint32_t track,
                                       uint32_t sector)
{
    return (static_cast<uint64_t>(track) * kDos33SectorsPerTrack + table[sector & 15]) *
           kDos33SectorBytes;
}
