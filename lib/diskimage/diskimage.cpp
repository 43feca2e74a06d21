#include "diskimage.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <new>
#include <system_error>

#include "byteorder.h"
#include "floppy_container.h"
#include "stdio_file.h"

namespace {

// The FAT12 layout of each of the three disks, in the order of their
// physical layouts (kFloppyLayouts), which give cylinders, heads, sectors
// per track and bytes per sector.
struct Geometry {
    int32_t total_sectors;
    int32_t first_fat_sector;
    int32_t sectors_per_fat;
    int32_t first_root_sector;
    int32_t root_entries;
    int32_t root_sectors;
    int32_t first_data_sector;
    int32_t sectors_per_cluster;
};

// Images are recognised by size alone, tried in this order; no boot sector
// is read.
constexpr Geometry kGeometries[] = {
    {1232, 1, 2, 5, 192, 6, 11, 1},
    {1440, 1, 3, 7, 112, 7, 14, 2},
    {1280, 1, 2, 5, 112, 7, 12, 2},
};
static_assert(std::size(kGeometries) == std::size(kFloppyLayouts));
static_assert(floppy_layout_bytes(kFloppyLayouts[0]) == kDisk2HD1232KBytes &&
              floppy_layout_bytes(kFloppyLayouts[1]) == kDisk2DD720KBytes &&
              floppy_layout_bytes(kFloppyLayouts[2]) == kDisk2DD640KBytes);

// The disk of a file of this size read with this data offset, the way
// every image was recognised before containers: by its size alone. -1 for none.
int32_t plain_geometry(int64_t size, uint32_t data_offset)
{
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(kGeometries)); ++i)
        if (size == static_cast<int64_t>(data_offset) + floppy_layout_bytes(kFloppyLayouts[i])) return i;
    return -1;
}

void apply_geometry(DiskImage& image, int32_t disk)
{
    const FloppyLayout& l = kFloppyLayouts[disk];
    const Geometry& g = kGeometries[disk];
    image.cylinders = static_cast<int32_t>(l.cylinders);
    image.heads = static_cast<int32_t>(l.heads);
    image.sectors_per_track = static_cast<int32_t>(l.sectors_per_track);
    image.bytes_per_sector = static_cast<int32_t>(l.bytes_per_sector);
    image.total_sectors = g.total_sectors;
    image.first_fat_sector = g.first_fat_sector;
    image.sectors_per_fat = g.sectors_per_fat;
    image.first_root_sector = g.first_root_sector;
    image.root_entries = g.root_entries;
    image.root_sectors = g.root_sectors;
    image.first_data_sector = g.first_data_sector;
    image.sectors_per_cluster = g.sectors_per_cluster;
}

// Only regular files are images: opening a FIFO would wait for a writer and
// a directory or device has no size to recognise.
bool is_regular_file(const char* path)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec) return true;  // missing or not to be examined: fopen reports it
    return std::filesystem::is_regular_file(status);
}

uint8_t fold_case(uint8_t c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<uint8_t>(c - 'a' + 'A') : c;
}

// A file of no accepted size, read whole: the disk of the container it
// holds goes into image.data behind the data offset. 0 or -1.
int decode_container(DiskImage& image, const char* path, std::span<const uint8_t> file)
{
    FloppyDisk disk;
    const int result = floppy_container_decode(disk, file, path, image.data_offset);
    if (result == kContainerUnknown) std::printf("unsupported image '%s'\n", path);
    if (result != kContainerDecoded) return -1;
    if (!disk.faults.empty()) {
        try {
            image.path = path;
        } catch (const std::bad_alloc&) {
            std::printf("memory exhausted!\n");
            return -1;
        }
    }
    image.image_size = static_cast<uint32_t>(file.size());
    image.data = std::move(disk.data);
    image.sector_faults = std::move(disk.faults);
    apply_geometry(image, disk.layout);
    return 0;
}

// Takes the bytes of a whole image file: an accepted size is the image as
// it stands, any other may be a container. 0 or -1.
int take_image_file(DiskImage& image, const char* path, std::vector<uint8_t>& file)
{
    const int32_t disk = plain_geometry(static_cast<int64_t>(file.size()), image.data_offset);
    if (disk < 0) return decode_container(image, path, file);
    image.image_size = static_cast<uint32_t>(file.size());
    image.data = std::move(file);
    apply_geometry(image, disk);
    return 0;
}

// Whether a file of this size is read at all: an accepted size, or one that
// a container of a floppy disk may have.
bool worth_reading(int64_t size, uint32_t data_offset)
{
    if (size < 0 || size > std::numeric_limits<uint32_t>::max()) return false;
    return plain_geometry(size, data_offset) >= 0 || static_cast<uint64_t>(size) <= kFloppyContainerMaxBytes;
}

// Opens, sizes and reads the file into image.data. 0 or -1.
int read_image_file(DiskImage& image, const char* path)
{
    if (!is_regular_file(path)) {
        std::printf("open error '%s'\n", path);
        return -1;
    }
    UniqueFile fp = open_file(path, "rb");
    if (!fp) {
        std::printf("open error '%s'\n", path);
        return -1;
    }
    if (file_seek64(fp.get(), 0, SEEK_END) != 0) {
        std::printf("seek error '%s' (SEEK_END)\n", path);
        return -1;
    }
    const int64_t size = file_tell64(fp.get());
    if (size < 0) {
        std::printf("seek error '%s' (SEEK_END)\n", path);
        return -1;
    }
    if (file_seek64(fp.get(), 0, SEEK_SET) != 0) {
        std::printf("seek error '%s' (SEEK_SET)\n", path);
        return -1;
    }
    // The size decides before anything is allocated, so a file of a size
    // that no image has is never read.
    if (!worth_reading(size, image.data_offset)) {
        std::printf("unsupported image '%s'\n", path);
        return -1;
    }
    std::vector<uint8_t> file;
    try {
        file.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        std::printf("memory exhausted!\n");
        return -1;
    }
    if (std::fread(file.data(), 1, file.size(), fp.get()) != file.size()) {
        std::printf("read error '%s'\n", path);
        return -1;
    }
    fp.reset();
    return take_image_file(image, path, file);
}

// The FAT and the clusters' sectors of an image whose data and geometry are in.
int finish_open(DiskImage& image, const char* path, uint32_t data_offset)
{
    if (disk_image_load_fat(image) != 0) {
        std::printf("can't get fat '%s' offset=%08" PRIX32 "\n", path, data_offset);
        disk_image_close(image);
        return -1;
    }
    return 0;
}

// Looks for a name in the root directory; *damaged tells a damaged sector
// from a name that is not there.
std::span<const uint8_t> find_entry(const DiskImage& image, int32_t count, const uint8_t* name, int ignore_case,
                                    bool* damaged)
{
    *damaged = false;
    if (image.bytes_per_sector < kDirectoryEntryBytes) return {};
    const int32_t per_sector = image.bytes_per_sector / kDirectoryEntryBytes;
    for (int32_t sector = image.first_root_sector; count > 0; ++sector) {
        const int64_t offset = disk_image_sector_offset(image, sector);
        if (offset < 0) return {};
        if (disk_image_check_sector(image, sector) != 0) {
            *damaged = true;
            return {};
        }
        for (int32_t i = 0; i < per_sector && count > 0; ++i, --count) {
            const uint8_t* entry = image.data.data() + offset + static_cast<int64_t>(i) * kDirectoryEntryBytes;
            bool match = true;
            for (int b = 0; b < 11 && match; ++b)
                match = ignore_case ? fold_case(entry[b]) == fold_case(name[b]) : entry[b] == name[b];
            if (match) return {entry, static_cast<size_t>(kDirectoryEntryBytes)};
        }
    }
    return {};
}

}  // namespace

int disk_image_open(DiskImage& image, const char* path, uint32_t data_offset)
{
    image = DiskImage{};
    if (path == nullptr) return -1;
    image.data_offset = data_offset;
    if (read_image_file(image, path) != 0) {
        disk_image_close(image);
        return -1;
    }
    return finish_open(image, path, data_offset);
}

int disk_image_open_bytes(DiskImage& image, const char* path, std::span<const uint8_t> file, uint32_t data_offset)
{
    image = DiskImage{};
    if (path == nullptr) return -1;
    image.data_offset = data_offset;
    if (!worth_reading(static_cast<int64_t>(file.size()), data_offset)) {
        std::printf("unsupported image '%s'\n", path);
        return -1;
    }
    std::vector<uint8_t> copy;
    try {
        copy.assign(file.begin(), file.end());
    } catch (const std::bad_alloc&) {
        std::printf("memory exhausted!\n");
        return -1;
    }
    if (take_image_file(image, path, copy) != 0) {
        disk_image_close(image);
        return -1;
    }
    return finish_open(image, path, data_offset);
}

void disk_image_close(DiskImage& image)
{
    image = DiskImage{};
}

int disk_image_load_fat(DiskImage& image)
{
    if (image.data.empty() || image.sectors_per_cluster <= 0 || image.bytes_per_sector <= 0 ||
        image.sectors_per_fat <= 0 || image.total_sectors < image.first_data_sector)
        return -1;
    image.clusters = (image.total_sectors - image.first_data_sector) / image.sectors_per_cluster;
    const int64_t fat_bytes = static_cast<int64_t>(image.sectors_per_fat) * image.bytes_per_sector;
    const int64_t entries = static_cast<int64_t>(image.clusters) + 2;
    if (fat_bytes * 2 / 3 < entries) {
        std::printf("can't calculate FAT size\n");
        return -1;
    }
    const int64_t fat_start = disk_image_sector_offset(image, image.first_fat_sector);
    const int64_t fat_end = disk_image_sector_offset(image, image.first_fat_sector + image.sectors_per_fat - 1);
    if (fat_start < 0 || fat_end < 0) return -1;
    for (int32_t s = 0; s < image.sectors_per_fat; ++s)
        if (disk_image_check_sector(image, image.first_fat_sector + s) != 0) return -1;

    // Entries are decoded in pairs, so the table gets an even number of them.
    const size_t table_entries = static_cast<size_t>((entries + 1) / 2 * 2);
    // The last pair may reach one byte past a FAT whose size is no
    // multiple of three; the copy is padded with zeros for it.
    std::vector<uint8_t> fat_copy;
    try {
        fat_copy.assign(std::max<size_t>(static_cast<size_t>(fat_bytes), table_entries / 2 * 3), 0);
        std::copy(image.data.begin() + fat_start, image.data.begin() + fat_start + fat_bytes, fat_copy.begin());
    } catch (const std::bad_alloc&) {
        return -1;
    }
    try {
        image.fat.assign(table_entries, 0);
    } catch (const std::bad_alloc&) {
        std::printf("memory exhausted!");
        return -1;
    }
    // Two 12-bit entries packed into three bytes, low entry first.
    for (size_t k = 0; k < table_entries / 2; ++k) {
        const uint8_t* p = fat_copy.data() + 3 * k;
        const uint32_t v = p[0] | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16);
        image.fat[2 * k] = v & 0xFFF;
        image.fat[2 * k + 1] = v >> 12;
    }
    return 0;
}

int32_t disk_image_fat_entry(const DiskImage& image, int32_t cluster)
{
    if (cluster < 0 || cluster > image.clusters + 1 || static_cast<size_t>(cluster) >= image.fat.size())
        return -1;
    return static_cast<int32_t>(image.fat[static_cast<size_t>(cluster)]);
}

int32_t disk_image_cluster_to_sector(const DiskImage& image, int32_t cluster)
{
    if (cluster < 2 || cluster > image.clusters + 1) return -1;
    return image.first_data_sector + (cluster - 2) * image.sectors_per_cluster;
}

int64_t disk_image_sector_offset(const DiskImage& image, int32_t sector)
{
    if (sector < 0 || image.bytes_per_sector <= 0) return -1;
    const int64_t offset = static_cast<int64_t>(image.data_offset) +
                           static_cast<int64_t>(sector) * image.bytes_per_sector;
    if (offset + image.bytes_per_sector > static_cast<int64_t>(image.data.size())) return -1;
    return offset;
}

int disk_image_check_sector(const DiskImage& image, int32_t sector)
{
    if (sector < 0 || static_cast<size_t>(sector) >= image.sector_faults.size()) return 0;
    const uint32_t fault = image.sector_faults[static_cast<size_t>(sector)];
    if (fault == kSectorSound) return 0;
    const FloppyLayout layout = {static_cast<uint32_t>(image.cylinders), static_cast<uint32_t>(image.heads),
                                 static_cast<uint32_t>(image.sectors_per_track),
                                 static_cast<uint32_t>(image.bytes_per_sector)};
    floppy_print_fault(image.path.c_str(), layout, static_cast<uint32_t>(sector), fault);
    return -1;
}

std::span<const uint8_t> disk_image_find_entry(const DiskImage& image, int32_t count,
                                               const uint8_t* name, int ignore_case)
{
    bool damaged = false;
    return find_entry(image, count, name, ignore_case, &damaged);
}

int make_dos_name(uint8_t (&dos_name)[12], const char* name)
{
    std::memset(dos_name, ' ', 11);
    dos_name[11] = 0;
    const char* p = name;
    for (int i = 0; i < 8 && *p != '\0' && *p != '.'; ++i) dos_name[i] = static_cast<uint8_t>(*p++);
    if (*p == '.') {
        ++p;
        for (int i = 8; i < 11 && *p != '\0'; ++i) dos_name[i] = static_cast<uint8_t>(*p++);
    }
    if (dos_name[0] == 0xE5) dos_name[0] = 0x05;
    return *p == '\0' ? 0 : -1;
}

uint32_t disk_entry_size(std::span<const uint8_t> entry)
{
    return entry.size() >= 32 ? get_le32(entry.data() + 28) : 0;
}

uint32_t disk_entry_first_cluster(std::span<const uint8_t> entry)
{
    return entry.size() >= 32 ? get_le16(entry.data() + 26) : 0;
}

int disk_image_read_file(DiskImage& image, const char* name, std::span<uint8_t> buffer, int ignore_case)
{
    uint8_t dos_name[12];
    if (name == nullptr) return -1;
    if (make_dos_name(dos_name, name) != 0) {
        std::printf("illegal filename '%s'\n", name);
        return -1;
    }
    bool damaged = false;
    const std::span<const uint8_t> entry = find_entry(image, image.root_entries, dos_name, ignore_case, &damaged);
    if (entry.empty()) {
        if (!damaged) std::printf("can't find '%s'\n", name);
        return -1;
    }
    const uint32_t size = disk_entry_size(entry);
    const int64_t capacity = static_cast<int64_t>(buffer.size());
    // A recorded size of 2 GiB or more is refused like any file larger than
    // the buffer; it is printed unsigned so the line shows the real value.
    if (size > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()) || size > capacity) {
        std::printf("file size error '%s' %" PRIu32 " > %" PRId64 "\n", name, size, capacity);
        return -1;
    }
    if (size < capacity)
        std::printf("file size mismatch '%s' %" PRIu32 " != %" PRId64 " ... ignored\n", name, size, capacity);

    const int64_t bytes_per_sector = image.bytes_per_sector;
    size_t done = 0;
    int32_t cluster = static_cast<int32_t>(disk_entry_first_cluster(entry));
    while (done < size) {
        if (cluster < 2 || cluster >= static_cast<int32_t>(kFatEndOfChain)) {
            std::printf("illegal cluster 0x%" PRIX32 "\n", static_cast<uint32_t>(cluster));
            return -1;
        }
        const int32_t first = disk_image_cluster_to_sector(image, cluster);
        if (first < 0) {
            std::printf("can't get sector from cluster 0x%" PRIX32 "\n", static_cast<uint32_t>(cluster));
            return -1;
        }
        for (int32_t s = 0; s < image.sectors_per_cluster && done < size; ++s) {
            const int64_t offset = disk_image_sector_offset(image, first + s);
            if (offset < 0) {
                std::printf("can't get sector from cluster 0x%" PRIX32 "\n", static_cast<uint32_t>(cluster));
                return -1;
            }
            if (disk_image_check_sector(image, first + s) != 0) return -1;
            const size_t n = static_cast<size_t>(std::min<int64_t>(bytes_per_sector, size - done));
            std::memcpy(buffer.data() + done, image.data.data() + offset, n);
            done += n;
        }
        cluster = disk_image_fat_entry(image, cluster);
    }
    return 0;
}
