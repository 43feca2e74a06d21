// FAT12 floppy disk images (FDI with a leading header, XDF without), held
// whole in memory, recognised by size, files copied out of the root directory.
// Messages of this module carry no "error: " prefix.
#pragma once

#include <cstdint>
#include <span>
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
};

// Opens the image file; 0, or -1 with the record released and cleared.
[[nodiscard]] int disk_image_open(DiskImage& image, const char* path, uint32_t data_offset);

// Copies the named file of the root directory into buffer (buffer.size()
// bytes at most). ignore_case non-zero folds ASCII letters. 0 or -1.
[[nodiscard]] int disk_image_read_file(DiskImage& image, const char* name,
                                       std::span<uint8_t> buffer, int ignore_case);

// Releases what the record owns and clears it.
void disk_image_close(DiskImage& image);
