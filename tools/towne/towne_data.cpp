// Reading the town maps and their people out of the second floppy image.
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "diskimage.h"
#include "towne.h"

namespace {

constexpr const char* kTowneFile = "TOWNE.BIN";
constexpr const char* kPeopleFile = "PEOPLE.BIN";

}  // namespace

int read_town_data(std::span<uint8_t> towns, const char* image_path, uint32_t data_offset)
{
    if (towns.size() < kTownDataBytes) return -1;

    // Work buffers start zeroed: what a short file leaves unread stays 0,
    // and a person code of 0 is nobody.
    std::vector<uint8_t> maps;
    std::vector<uint8_t> people;
    try {
        maps.assign(kTowneBinBytes, 0);
        people.assign(kPeopleBinBytes, 0);
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        return -1;
    }

    DiskImage image;
    int result = -1;
    if (disk_image_open(image, image_path, data_offset) < 0) {
        std::printf("error: read disk image '%s'\n", image_path);
    } else if (disk_image_read_file(image, kTowneFile, maps, 1) < 0) {
        std::printf("error: read disk image '%s/%s'\n", image_path, kTowneFile);
    } else if (disk_image_read_file(image, kPeopleFile, people, 1) < 0) {
        std::printf("error: read disk image '%s/%s'\n", image_path, kPeopleFile);
    } else {
        result = 0;
    }
    disk_image_close(image);
    if (result < 0) return -1;

    for (size_t i = 0; i < kTownCount; ++i) {
        uint8_t* record = towns.data() + i * kTownRecordBytes;
        std::memcpy(record, maps.data() + i * kTownMapBytes, kTownMapBytes);
        std::memcpy(record + kTownMapBytes, people.data() + i * kTownPeopleBytes, kTownPeopleBytes);
    }
    return 0;
}
