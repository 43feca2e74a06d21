// FAT12 floppy disk images (FDI with a leading header, XDF without), held
// whole in memory, recognised by size, files copied out of the root directory.
// A file of no accepted size may be a container of another form (D88, NFD,
// DIM, raw sectors, FDI with other leading bytes): it is decoded into the
// same run of sectors behind the data offset (floppy_container.h).
// Messages of this module carry no "error: " prefix.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct DiskImage {
    uint32_t data_offset = 0;          // bytes before sector 0 in the file
    uint32_t image_size = 0;           // length of the whole file
    std::vector<uint8_t> data;         // the whole file, leading bytes included
    int32_t clusters = 0;              // data cluster count N; valid numbers 2 .. N + 1
    std::vector<uint32_t> fat;         // decoded 12-bit entries 0 .. N + 1
    int32_t cylinders = 0;
    int32_t heads = 0;
    int32_t sectors_per_track = 0;
    int32_t bytes_per_sector = 0;
    int32_t total_sectors = 0;
    int32_t first_fat_sector = 0;
    int32_t sectors_per_fat = 0;
    int32_t first_root_sector = 0;
    int32_t root_entries = 0;
    int32_t root_sectors = 0;
    int32_t first_data_sector = 0;
    int32_t sectors_per_cluster = 0;
    // Decoded containers only: what is wrong with each sector (SectorFault,
    // floppy_container.h; empty when every sector is sound) and the image's
    // path for the message that names a damaged sector when it is read.
    std::vector<uint32_t> sector_faults;
    std::string path;
};

// Opens the image file; 0, or -1 with the record released and cleared.
[[nodiscard]] int disk_image_open(DiskImage& image, const char* path, uint32_t data_offset);

// As disk_image_open, for the bytes of an image file already in memory;
// path names the image in messages.
[[nodiscard]] int disk_image_open_bytes(DiskImage& image, const char* path, std::span<const uint8_t> file,
                                        uint32_t data_offset);

// Copies the named file of the root directory into buffer (buffer.size()
// bytes at most). ignore_case non-zero folds ASCII letters. 0 or -1.
[[nodiscard]] int disk_image_read_file(DiskImage& image, const char* name,
                                       std::span<uint8_t> buffer, int ignore_case);

// Releases what the record owns and clears it. Records are always owned by
// the caller; closing a cleared record does nothing.
void disk_image_close(DiskImage& image);

// ---- operations serving the three above -------------------------------------

constexpr int32_t kDirectoryEntryBytes = 32;
constexpr uint32_t kFatEndOfChain = 0xFF0;  // entries from here up are never followed

// Sizes of the disk behind the data offset that an image may have.
constexpr uint32_t kDisk2HD1232KBytes = 1261568;
constexpr uint32_t kDisk2DD720KBytes = 737280;
constexpr uint32_t kDisk2DD640KBytes = 655360;

// Decodes the first FAT copy into image.fat and sets image.clusters. Needs
// the image data and the geometry fields. 0 or -1.
[[nodiscard]] int disk_image_load_fat(DiskImage& image);

// The FAT entry of a cluster number, or -1 outside 0 .. N + 1.
[[nodiscard]] int32_t disk_image_fat_entry(const DiskImage& image, int32_t cluster);

// The first absolute sector of a cluster, or -1 outside 2 .. N + 1.
[[nodiscard]] int32_t disk_image_cluster_to_sector(const DiskImage& image, int32_t cluster);

// Byte position of an absolute sector in the image data (data offset +
// sector x bytes per sector), or -1 when the sector does not lie wholly
// inside the image data.
[[nodiscard]] int64_t disk_image_sector_offset(const DiskImage& image, int32_t sector);

// 0 when the sector may be read. -1 for a sector that a decoded container
// holds damaged or not at all, after printing the line that says so.
[[nodiscard]] int disk_image_check_sector(const DiskImage& image, int32_t sector);

// Examines at most count root directory entries for the 11-byte name form;
// the 32 bytes of the first match inside the image data, or an empty span
// (also when a damaged sector is reached first, after its line).
[[nodiscard]] std::span<const uint8_t> disk_image_find_entry(const DiskImage& image, int32_t count,
                                                             const uint8_t* name, int ignore_case);

// Builds the 11-byte directory form of a file name and a zero byte after it:
// base name padded to 8, extension padded to 3, no case conversion, a first
// byte 0xE5 stored as 0x05. 0, or -1 when the base has more than 8 or the
// extension more than 3 characters.
[[nodiscard]] int make_dos_name(uint8_t (&dos_name)[12], const char* name);

// Size in bytes and first cluster of a 32-byte directory entry.
[[nodiscard]] uint32_t disk_entry_size(std::span<const uint8_t> entry);
[[nodiscard]] uint32_t disk_entry_first_cluster(std::span<const uint8_t> entry);
