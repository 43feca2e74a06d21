// FDI: a header of 32 bytes of fields (usually padded to 4,096 bytes), then
// the sectors in absolute order. The fdd type differs between writers (0x90
// for 2HD, 0x10 or 0x30 for 2DD) and is not read.
#include <algorithm>

#include "byteorder.h"
#include "floppy_container.h"
#include "size_math.h"

namespace {

// 0x00 (DWORD) zero, 0x04 (DWORD) fdd type: not read.
constexpr size_t Fdi_HeaderSize = 0x08;  // (DWORD) bytes before the first sector
constexpr size_t Fdi_DataSize = 0x0C;    // (DWORD) bytes of all sectors
constexpr size_t Fdi_SectorSize = 0x10;  // (DWORD) bytes per sector
constexpr size_t Fdi_Sectors = 0x14;     // (DWORD) sectors per track
constexpr size_t Fdi_Surfaces = 0x18;    // (DWORD) heads
constexpr size_t Fdi_Cylinders = 0x1C;   // (DWORD)
constexpr size_t Fdi_FieldsEnd = 0x20;

struct FdiFields {
    uint32_t header_size, data_size, sector_size, sectors, surfaces, cylinders;
};

FdiFields fdi_fields(std::span<const uint8_t> file)
{
    const uint8_t* p = file.data();
    return {get_le32(p + Fdi_HeaderSize), get_le32(p + Fdi_DataSize), get_le32(p + Fdi_SectorSize),
            get_le32(p + Fdi_Sectors),    get_le32(p + Fdi_Surfaces), get_le32(p + Fdi_Cylinders)};
}

}  // namespace

bool fdi_recognise(std::span<const uint8_t> file)
{
    if (file.size() < Fdi_FieldsEnd) return false;
    const FdiFields f = fdi_fields(file);
    // The data size is the product of the geometry fields, and the header
    // holds at least its fields.
    uint64_t track_bytes = 0, data = 0;
    if (f.header_size < Fdi_FieldsEnd || f.sector_size == 0 || f.sectors == 0 || f.surfaces == 0 ||
        f.cylinders == 0)
        return false;
    if (!size_product32(f.sector_size, f.sectors, f.surfaces, &track_bytes) ||
        !size_product32(track_bytes, f.cylinders, &data))
        return false;
    return data == f.data_size;
}

int fdi_decode(FloppyDisk& disk, std::span<const uint8_t> file, const char* path, uint32_t lead_bytes)
{
    const FdiFields f = fdi_fields(file);
    const int32_t layout = floppy_layout_of(f.sector_size, f.sectors);
    if (layout < 0 || f.surfaces != kFloppyLayouts[layout].heads || f.cylinders != kFloppyLayouts[layout].cylinders)
        return kContainerUnknown;
    // Bytes after the sectors are left alone; too few is a file cut short,
    // named by the first sector that is not whole.
    const uint64_t end = uint64_t{f.header_size} + f.data_size;
    if (end > file.size()) {
        const uint64_t whole = file.size() > f.header_size ? (file.size() - f.header_size) / f.sector_size : 0;
        const uint64_t per_cylinder = uint64_t{f.sectors} * f.surfaces;
        return floppy_damaged(path, "cut short in track %u side %u sector %u",
                              static_cast<unsigned>(whole / per_cylinder),
                              static_cast<unsigned>(whole / f.sectors % f.surfaces),
                              static_cast<unsigned>(whole % f.sectors + 1));
    }
    const int result = floppy_disk_begin(disk, layout, lead_bytes);
    if (result != kContainerDecoded) return result;
    std::copy(file.begin() + f.header_size, file.begin() + static_cast<ptrdiff_t>(end), disk.data.begin() + lead_bytes);
    disk.faults.clear();
    return kContainerDecoded;
}
