#include "dos33.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "a2_container.h"
#include "byteorder.h"
#include "stdio_file.h"

namespace {

constexpr uint32_t kCatalogLastTrack = 49;

const uint8_t* sector_bytes(const Dos33Disk& disk, uint32_t track, uint32_t sector)
{
    return disk.image.data() + dos33_sector_offset(disk.order_table, track, sector);
}

// True, after the sector's fault line, when a damaged container could not
// give the sector (which lies inside the image).
bool sector_faulty(const Dos33Disk& disk, uint32_t track, uint32_t sector)
{
    if (disk.faults.empty()) return false;
    const uint64_t index = dos33_sector_offset(disk.order_table, track, sector) / kDos33SectorBytes;
    if (index >= disk.faults.size() || disk.faults[index].empty()) return false;
    std::puts(disk.faults[index].c_str());
    return true;
}

// Replaces the bytes read from a container file with the sectors it holds.
// The rest of a file longer than what was held is read first.
int decode_container(Dos33Disk& disk, const char* path, FILE* fp, int kind)
{
    std::vector<uint8_t> file = std::move(disk.image);
    disk.image.clear();
    if (static_cast<uint64_t>(disk.image_size) > file.size()) {
        const int got = a2_container_read_rest(file, fp, path);
        if (got == -1) std::printf("read error '%s'\n", path);
        if (got < 0) return -1;
    }
    A2SectorRun run;
    if (a2_container_decode(run, path, file, kind, kA2AllTracks) < 0) return -1;
    disk.image = std::move(run.image);
    disk.faults = std::move(run.faults);
    disk.order = run.order;
    disk.order_table = dos33_order_table(run.order);
    disk.image_size = static_cast<int64_t>(disk.image.size());
    disk.tracks = disk.image_size / kDos33TrackBytes;
    return 0;
}

// Walks the catalog chain from track 17, sector 15. A loop, an address off
// tracks 1-49 or sectors 0-15, or one outside the image ends the walk in
// failure, and then the catalog is left empty.
int read_catalog(Dos33Disk& disk)
{
    if (disk.tracks < static_cast<int64_t>(kDos33MinTracks)) {
        std::puts("disk image size error");
        return -1;
    }
    std::vector<bool> seen(256 * 256, false);
    uint32_t track = kDos33CatalogTrack;
    uint32_t sector = kDos33CatalogSector;
    for (;;) {
        if (seen[track * 256 + sector]) break;
        seen[track * 256 + sector] = true;
        if (track < 1 || track > kCatalogLastTrack || sector > 15 ||
            !dos33_sector_inside(disk, track, sector) || sector_faulty(disk, track, sector))
            break;
        try {
            disk.catalog.emplace_back();
        } catch (const std::bad_alloc&) {
            std::puts("memory exhaust!");
            break;
        }
        CatalogSector& cs = disk.catalog.back();
        const uint8_t* p = sector_bytes(disk, track, sector);
        std::copy_n(p, cs.head.size(), cs.head.begin());
        std::copy_n(p + 3, cs.reserved.size(), cs.reserved.begin());
        for (uint32_t i = 0; i < kDos33EntriesPerSector; ++i) {
            const uint8_t* e = p + kDos33FirstEntry + i * kDos33EntryBytes;
            CatalogEntry& entry = cs.entries[i];
            entry.list_track = e[0];
            entry.list_sector = e[1];
            entry.type = e[2];
            std::copy_n(e + 3, kDos33NameBytes, entry.name.begin());
            entry.length = get_le16(e + 33);
        }
        if (cs.head[1] == 0) return 0;
        track = cs.head[1];
        sector = cs.head[2];
    }
    disk.catalog.clear();
    return -1;
}

// Reads the chain of track/sector lists of one entry. A list outside the
// image, or more lists than the entry has sectors (a chain that can only
// loop or be corrupt), fails the entry.
int read_entry_lists(Dos33Disk& disk, CatalogEntry& entry)
{
    uint32_t left = entry.length;
    uint32_t track = entry.list_track;
    uint32_t sector = entry.list_sector;
    for (;;) {
        if (entry.lists.size() >= entry.length || !dos33_sector_inside(disk, track, sector)) {
            std::printf("illegal track/sector (%02X/%02X)\n", track, sector);
            return -1;
        }
        if (sector_faulty(disk, track, sector)) return -1;
        try {
            entry.lists.emplace_back();
        } catch (const std::bad_alloc&) {
            std::puts("memory exhaust!");
            return -1;
        }
        TsList& list = entry.lists.back();
        const uint8_t* p = sector_bytes(disk, track, sector);
        std::copy_n(p, list.head.size(), list.head.begin());
        list.sector_offset = get_le16(p + 5);
        std::copy_n(p + 7, list.reserved.size(), list.reserved.begin());
        for (uint32_t i = 0; i < kDos33PairsPerList; ++i) {
            list.pairs[i][0] = p[kDos33FirstPair + 2 * i];
            list.pairs[i][1] = p[kDos33FirstPair + 2 * i + 1];
        }
        for (uint32_t i = 0; i < kDos33PairsPerList && left > 0; ++i) {
            --left;
            if (!dos33_sector_inside(disk, list.pairs[i][0], list.pairs[i][1]))
                std::printf("illegal track/sector list[%02X:%02X] (%02X/%02X)\n", list.sector_offset,
                            i, list.pairs[i][0], list.pairs[i][1]);
        }
        if (list.head[1] == 0) return 0;
        track = list.head[1];
        sector = list.head[2];
    }
}

// Lists of every entry in catalog order; the first entry that fails keeps no
// lists, and the entries after it are not looked at.
int read_lists(Dos33Disk& disk)
{
    for (CatalogSector& cs : disk.catalog) {
        for (CatalogEntry& entry : cs.entries) {
            if (entry.length == 0 || entry.list_track == kDos33DeletedTrack) continue;
            if (read_entry_lists(disk, entry) < 0) {
                entry.lists.clear();
                entry.lists.shrink_to_fit();
                return -1;
            }
        }
    }
    return 0;
}

}  // namespace

bool dos33_sector_inside(const Dos33Disk& disk, uint32_t track, uint32_t sector)
{
    if (sector > 15) return false;
    const uint64_t end = dos33_sector_offset(disk.order_table, track, sector) + kDos33SectorBytes;
    // The image buffer holds the first 1 MiB of the file, which covers every
    // address a byte-sized track and sector can name.
    return end <= static_cast<uint64_t>(disk.image_size) && end <= disk.image.size();
}

int dos33_open(Dos33Disk& disk, const char* path, int order)
{
    dos33_close(disk);
    disk.order = order;
    disk.order_table = dos33_order_table(order);

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
    disk.image_size = size;
    disk.tracks = size / kDos33TrackBytes;
    if (file_seek64(fp.get(), 0, SEEK_SET) != 0) {
        std::printf("seek error '%s' (SEEK_SET)\n", path);
        return -1;
    }
    const size_t held = static_cast<size_t>(std::min<int64_t>(size, kDos33AddressableBytes));
    try {
        disk.image.resize(held);
    } catch (const std::bad_alloc&) {
        std::puts("memory exhaust!");
        return -1;
    }
    if (held > 0 && std::fread(disk.image.data(), 1, held, fp.get()) != held) {
        std::printf("read error '%s'\n", path);
        return -1;
    }
    if (const int kind = a2_container_probe(std::span(disk.image).first(std::min(held, kA2ProbeBytes)));
        kind != kA2Plain && decode_container(disk, path, fp.get(), kind) < 0)
        return -1;
    fp.reset();
    if (read_catalog(disk) < 0) {
        std::printf("can't get catalog '%s'\n", path);
        return -1;
    }
    if (read_lists(disk) < 0) std::printf("can't get track/sector list '%s'\n", path);
    return 0;
}

void dos33_close(Dos33Disk& disk)
{
    disk = Dos33Disk{};
}

const CatalogEntry* dos33_find_file(const Dos33Disk& disk, const char* name)
{
    std::array<uint8_t, kDos33NameBytes> key;
    key.fill(0xA0);
    for (uint32_t i = 0; i < kDos33NameBytes && name[i] != '\0'; ++i)
        key[i] = static_cast<uint8_t>(name[i] | 0x80);
    for (const CatalogSector& cs : disk.catalog)
        for (const CatalogEntry& entry : cs.entries)
            if (entry.name == key) return &entry;
    return nullptr;
}

int dos33_read_file(const Dos33Disk& disk, const char* name, std::span<uint8_t> dest)
{
    const CatalogEntry* entry = dos33_find_file(disk, name);
    if (!entry) {
        std::printf("file not found '%s'\n", name);
        return -1;
    }
    std::fill(dest.begin(), dest.end(), uint8_t{0});
    if (entry->lists.empty() || entry->length < 2) return -1;

    // Data sectors after the first: the first list and the first data
    // sector are taken off the length.
    int32_t data_left = static_cast<int32_t>(entry->length) - 2;
    size_t list = 0;
    uint32_t pair = 0;
    uint32_t track = entry->lists[0].pairs[0][0];
    uint32_t sector = entry->lists[0].pairs[0][1];
    // A data sector outside the image was warned about when the lists were
    // read; a read that reaches it stops there.
    if (!dos33_sector_inside(disk, track, sector)) return 0;
    if (sector_faulty(disk, track, sector)) return -1;
    const uint8_t* data = sector_bytes(disk, track, sector);

    uint32_t header = 0;
    bool has_length = false;
    uint32_t stored = 0;
    switch (entry->type & 0x7F) {
        case 0x01:
        case 0x02:
            header = 2;
            has_length = true;
            stored = get_le16(data);
            break;
        case 0x04:
            header = 4;
            has_length = true;
            stored = get_le16(data + 2);
            break;
        case 0x10:
            header = 6;
            has_length = true;
            stored = get_le16(data + 2);
            break;
        default:
            break;
    }
    if (has_length && stored != dest.size())
        std::printf("file size mismatch '%s' %d != %lld\n", name, static_cast<int>(stored),
                    static_cast<long long>(dest.size()));

    size_t copied = 0;
    size_t room = dest.size();
    uint32_t start = header;
    uint32_t limit = kDos33SectorBytes - header;
    for (;;) {
        if (has_length && stored < limit) limit = stored;
        const size_t n = std::min<size_t>(limit, room);
        std::memcpy(dest.data() + copied, data + start, n);
        copied += n;
        room -= n;
        if (room == 0) break;
        if (has_length) {
            stored -= static_cast<uint32_t>(n);
            if (stored == 0) break;
        }
        if (++pair == kDos33PairsPerList) {
            --data_left;  // the next list's own sector
            if (data_left < 1 || list + 1 >= entry->lists.size()) break;
            ++list;
            pair = 0;
        }
        if (data_left < 1) break;
        --data_left;
        limit = kDos33SectorBytes;
        start = 0;
        track = entry->lists[list].pairs[pair][0];
        sector = entry->lists[list].pairs[pair][1];
        if (!dos33_sector_inside(disk, track, sector)) break;
        if (sector_faulty(disk, track, sector)) return -1;
        data = sector_bytes(disk, track, sector);
    }
    return static_cast<int>(copied);
}
