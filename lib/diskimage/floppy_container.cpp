#include "floppy_container.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// A raw sector image (HDM, or XDF given where FDI is the rule) has no header:
// its size alone says which disk it holds.
int32_t raw_layout(std::span<const uint8_t> file)
{
    for (int32_t i = 0; i < 3; ++i)
        if (file.size() == floppy_layout_bytes(kFloppyLayouts[i])) return i;
    return -1;
}

int raw_decode(FloppyDisk& disk, std::span<const uint8_t> file, uint32_t lead_bytes)
{
    const int result = floppy_disk_begin(disk, raw_layout(file), lead_bytes);
    if (result != kContainerDecoded) return result;
    std::copy(file.begin(), file.end(), disk.data.begin() + lead_bytes);
    std::fill(disk.faults.begin(), disk.faults.end(), kSectorSound);
    floppy_disk_finish(disk);
    return kContainerDecoded;
}

}  // namespace

int floppy_container_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes)
{
    disk = FloppyDisk{};
    // Signatures first, then the one size a raw image may have, then the
    // formats known by their header fields alone.
    int result = kContainerUnknown;
    if (nfd_recognise(file))
        result = nfd_decode(disk, file, path, lead_bytes);
    else if (dim_recognise(file))
        result = dim_decode(disk, file, path, lead_bytes);
    else if (raw_layout(file) >= 0)
        result = raw_decode(disk, file, lead_bytes);
    else if (fdi_recognise(file))
        result = fdi_decode(disk, file, path, lead_bytes);
    else if (d88_recognise(file))
        result = d88_decode(disk, file, path, lead_bytes);
    if (result != kContainerDecoded) disk = FloppyDisk{};
    return result;
}

int32_t floppy_layout_of(uint64_t bytes_per_sector, uint64_t sectors_per_track)
{
    for (int32_t i = 0; i < 3; ++i)
        if (kFloppyLayouts[i].bytes_per_sector == bytes_per_sector &&
            kFloppyLayouts[i].sectors_per_track == sectors_per_track)
            return i;
    return -1;
}

int floppy_disk_begin(FloppyDisk& disk, int32_t layout, uint32_t lead_bytes)
{
    if (layout < 0 || layout >= 3) return kContainerUnknown;
    const FloppyLayout& l = kFloppyLayouts[layout];
    disk.layout = layout;
    try {
        disk.data.assign(static_cast<size_t>(lead_bytes) + floppy_layout_bytes(l), 0);
        disk.faults.assign(static_cast<size_t>(l.cylinders) * l.heads * l.sectors_per_track,
                           sector_fault(kSectorMissing));
    } catch (const std::bad_alloc&) {
        std::printf("memory exhausted!\n");
        return kContainerNoMemory;
    }
    return kContainerDecoded;
}

void floppy_disk_place(FloppyDisk& disk, uint32_t cylinder, uint32_t head, uint32_t record,
                       std::span<const uint8_t> bytes, uint32_t fault)
{
    if (disk.layout < 0 || disk.layout >= 3) return;
    const FloppyLayout& l = kFloppyLayouts[disk.layout];
    if (cylinder >= l.cylinders || head >= l.heads || record < 1 || record > l.sectors_per_track) return;
    const size_t sector = (static_cast<size_t>(cylinder) * l.heads + head) * l.sectors_per_track + record - 1;
    if (sector >= disk.faults.size()) return;
    if (disk.faults[sector] != sector_fault(kSectorMissing)) {
        disk.faults[sector] = sector_fault(kSectorDuplicated);
        return;
    }
    if (fault == kSectorSound && bytes.size() != l.bytes_per_sector)
        fault = sector_fault(kSectorWrongSize, static_cast<uint32_t>(std::min<size_t>(bytes.size(), 0xFFFFFF)));
    disk.faults[sector] = fault;
    if (fault != kSectorSound) return;
    const size_t lead = disk.data.size() - floppy_layout_bytes(l);
    std::memcpy(disk.data.data() + lead + sector * l.bytes_per_sector, bytes.data(), bytes.size());
}

uint32_t floppy_status_fault(uint8_t status)
{
    switch (status) {
        case 0x00: return kSectorSound;
        case 0xA0: return sector_fault(kSectorIdCrc);
        case 0xB0: return sector_fault(kSectorDataCrc);
        default: return sector_fault(kSectorUnreadable, status);
    }
}

void floppy_disk_finish(FloppyDisk& disk)
{
    if (std::all_of(disk.faults.begin(), disk.faults.end(), [](uint32_t f) { return f == kSectorSound; }))
        std::vector<uint32_t>().swap(disk.faults);
}

int floppy_damaged(const char* path, const char* format, ...)
{
    char what[128];
    va_list args;
    va_start(args, format);
    std::vsnprintf(what, sizeof what, format, args);
    va_end(args);
    std::printf("damaged image '%s': %s\n", path, what);
    return kContainerDamaged;
}

void floppy_print_fault(const char* path, const FloppyLayout& layout, uint32_t sector, uint32_t fault)
{
    const uint32_t per_cylinder = layout.heads * layout.sectors_per_track;
    if (per_cylinder == 0) return;
    const uint32_t cylinder = sector / per_cylinder;
    const uint32_t head = sector / layout.sectors_per_track % layout.heads;
    const uint32_t record = sector % layout.sectors_per_track + 1;
    const uint32_t detail = fault >> 8;
    char what[64];
    switch (fault & 0xFF) {
        case kSectorMissing: std::snprintf(what, sizeof what, "missing"); break;
        case kSectorDuplicated: std::snprintf(what, sizeof what, "duplicated"); break;
        case kSectorWrongSize:
            std::snprintf(what, sizeof what, "has %u bytes, %u expected", static_cast<unsigned>(detail),
                          static_cast<unsigned>(layout.bytes_per_sector));
            break;
        case kSectorIdCrc: std::snprintf(what, sizeof what, "ID CRC error"); break;
        case kSectorDataCrc: std::snprintf(what, sizeof what, "data CRC error"); break;
        default: std::snprintf(what, sizeof what, "unreadable, status 0x%02X", static_cast<unsigned>(detail)); break;
    }
    floppy_damaged(path, "track %u side %u sector %u %s", static_cast<unsigned>(cylinder),
                   static_cast<unsigned>(head), static_cast<unsigned>(record), what);
}
