#include "fat12_writer.h"

#include <algorithm>
#include <cstring>

namespace sample {

namespace {

struct Geometry {
    uint32_t bytes_per_sector;
    uint32_t sectors_per_track;
    uint32_t heads;
    uint32_t total_sectors;
    uint32_t sectors_per_fat;
    uint32_t root_entries;
    uint32_t sectors_per_cluster;
    uint8_t media;
};

// Reserved sector 1 (the boot sector), then two FAT copies, the root
// directory and the data area.
constexpr Geometry kGeometries[] = {
    {1024, 8, 2, 1232, 2, 192, 1, 0xFE},
    {512, 9, 2, 1440, 3, 112, 2, 0xF9},
    {512, 8, 2, 1280, 2, 112, 2, 0xFB},
};

const Geometry& geometry_of(FloppyKind kind)
{
    return kGeometries[static_cast<int>(kind)];
}

void put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v)
{
    put16(p, v);
    put16(p + 2, v >> 16);
}

// The 11-byte directory form of an 8.3 name; false when it is not one.
bool dos_name(const std::string& name, uint8_t out[11])
{
    std::memset(out, ' ', 11);
    const size_t dot = name.find('.');
    const std::string base = name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || ext.size() > 3 || ext.find('.') != std::string::npos)
        return false;
    std::memcpy(out, base.data(), base.size());
    std::memcpy(out + 8, ext.data(), ext.size());
    if (out[0] == 0xE5) out[0] = 0x05;
    return true;
}

void set_fat12(uint8_t* fat, uint32_t n, uint32_t value)
{
    uint8_t* p = fat + n / 2 * 3;
    uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16);
    if (n % 2 == 0)
        v = (v & 0xFFF000) | (value & 0xFFF);
    else
        v = (v & 0x000FFF) | ((value & 0xFFF) << 12);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
}

}  // namespace

uint32_t fat12_disk_bytes(FloppyKind kind)
{
    const Geometry& g = geometry_of(kind);
    return g.total_sectors * g.bytes_per_sector;
}

std::vector<uint8_t> fat12_image(FloppyKind kind, const std::vector<FloppyFile>& files,
                                 uint32_t leading_bytes)
{
    const Geometry& g = geometry_of(kind);
    const uint32_t bps = g.bytes_per_sector;
    const uint32_t root_sectors = (g.root_entries * 32 + bps - 1) / bps;
    const uint32_t first_root = 1 + 2 * g.sectors_per_fat;
    const uint32_t first_data = first_root + root_sectors;
    const uint32_t clusters = (g.total_sectors - first_data) / g.sectors_per_cluster;
    const uint32_t cluster_bytes = g.sectors_per_cluster * bps;
    if (files.size() > g.root_entries) return {};

    std::vector<uint8_t> image(static_cast<size_t>(leading_bytes) + fat12_disk_bytes(kind), 0);
    uint8_t* disk = image.data() + leading_bytes;

    // Boot sector: a jump, an OEM name and the BIOS parameter block.
    disk[0] = 0xEB;
    disk[1] = 0x3C;
    disk[2] = 0x90;
    std::memcpy(disk + 3, "VORNDISK", 8);
    put16(disk + 11, bps);
    disk[13] = static_cast<uint8_t>(g.sectors_per_cluster);
    put16(disk + 14, 1);
    disk[16] = 2;
    put16(disk + 17, g.root_entries);
    put16(disk + 19, g.total_sectors);
    disk[21] = g.media;
    put16(disk + 22, g.sectors_per_fat);
    put16(disk + 24, g.sectors_per_track);
    put16(disk + 26, g.heads);
    disk[38] = 0x29;
    put32(disk + 39, 0x20260101);
    std::memcpy(disk + 43, "NO NAME    ", 11);
    std::memcpy(disk + 54, "FAT12   ", 8);
    disk[510] = 0x55;
    disk[511] = 0xAA;

    std::vector<uint8_t> fat(static_cast<size_t>(g.sectors_per_fat) * bps, 0);
    set_fat12(fat.data(), 0, 0xF00u | g.media);
    set_fat12(fat.data(), 1, 0xFFF);

    uint32_t next_cluster = 2;
    uint8_t* entry = disk + static_cast<size_t>(first_root) * bps;
    for (const FloppyFile& file : files) {
        uint8_t name[11];
        if (!dos_name(file.name, name)) return {};
        const uint32_t size = static_cast<uint32_t>(file.data.size());
        const uint32_t count = (size + cluster_bytes - 1) / cluster_bytes;
        if (file.data.size() > 0xFFFFFFFFu || next_cluster + count > clusters + 2) return {};
        std::memcpy(entry, name, 11);
        entry[11] = 0x20;                      // archive
        put16(entry + 22, 0x6000);             // 12:00:00
        put16(entry + 24, ((2026 - 1980) << 9) | (1 << 5) | 1);
        put16(entry + 26, count ? next_cluster : 0);
        put32(entry + 28, size);
        entry += 32;
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t cluster = next_cluster + i;
            set_fat12(fat.data(), cluster, i + 1 == count ? 0xFFF : cluster + 1);
            const size_t sector = first_data + static_cast<size_t>(cluster - 2) * g.sectors_per_cluster;
            const size_t from = static_cast<size_t>(i) * cluster_bytes;
            const size_t n = std::min<size_t>(cluster_bytes, size - from);
            std::memcpy(disk + sector * bps, file.data.data() + from, n);
        }
        next_cluster += count;
    }
    std::memcpy(disk + bps, fat.data(), fat.size());
    std::memcpy(disk + bps + fat.size(), fat.data(), fat.size());
    return image;
}

}  // namespace sample
