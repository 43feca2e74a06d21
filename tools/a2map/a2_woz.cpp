// WOZ files: the bit stream of every track as a flux imager read it. A
// 12-byte header (signature, CRC32 of the rest) is followed by chunks of an
// id and a 32-bit length: INFO (the disk), TMAP (which track record each
// quarter track reads) and TRKS (the track records and their bits). WOZ1
// keeps each track in a record of 6,656 bytes; WOZ2 keeps 160 records of 8
// bytes that point at the bits in 512-byte blocks of the file.
#include <algorithm>
#include <cstring>

#include <zlib.h>

#include "a2_container.h"
#include "byteorder.h"

namespace {

constexpr size_t Woz_Signature = 0x00;  // (4 bytes) "WOZ1" or "WOZ2"
constexpr size_t Woz_HighBits = 0x04;   // (4 bytes) FF 0A 0D 0A
constexpr size_t Woz_Crc = 0x08;        // (DWORD) CRC32 of the bytes from offset 12 on; 0: none
constexpr size_t Woz_FirstChunk = 0x0C;
constexpr size_t WozChunk_Id = 0x00;    // (4 bytes)
constexpr size_t WozChunk_Size = 0x04;  // (DWORD) bytes after this header
constexpr size_t WozChunk_Header = 0x08;

constexpr size_t WozInfo_Version = 0x00;   // (BYTE) 1 in WOZ1, 2 or 3 in WOZ2
constexpr size_t WozInfo_DiskType = 0x01;  // (BYTE) 1: 5.25-inch, 2: 3.5-inch
constexpr size_t WozInfo_Bytes = 60;
constexpr size_t WozTmap_Bytes = 160;  // quarter tracks 0, 0.25, ... 39.75: a track record or 0xFF
constexpr uint8_t kWozNoTrack = 0xFF;

constexpr size_t Woz1Trk_BitBytes = 6646;  // the bits, from offset 0
constexpr size_t Woz1Trk_BitCount = 6648;  // (WORD)
constexpr size_t Woz1Trk_Bytes = 6656;

constexpr size_t Woz2Trk_StartBlock = 0x00;  // (WORD) from the start of the file
constexpr size_t Woz2Trk_BlockCount = 0x02;  // (WORD)
constexpr size_t Woz2Trk_BitCount = 0x04;    // (DWORD)
constexpr size_t Woz2Trk_Bytes = 8;
constexpr uint32_t kWoz2TrkRecords = 160;
constexpr uint64_t kWozBlockBytes = 512;

constexpr uint32_t kStandardTracks = 35;
constexpr uint32_t kMostTracks = 40;
// Bits read again from the start of a track after its end: a sector whose
// fields cross the end, and the latch finding its step.
constexpr uint32_t kWrapBits = 8192;

using ull = unsigned long long;

struct Chunk {
    size_t at = 0;  // offset of its data
    size_t size = 0;
    bool found = false;
};

// A chunk id as it can be printed.
std::string printable(const uint8_t* id)
{
    std::string s;
    for (int i = 0; i < 4; ++i) s += (id[i] >= 0x20 && id[i] < 0x7F) ? static_cast<char>(id[i]) : '?';
    return s;
}

}  // namespace

int a2_woz_recognised(std::span<const uint8_t> head)
{
    static constexpr uint8_t kHighBits[] = {0xFF, 0x0A, 0x0D, 0x0A};
    if (head.size() < Woz_Crc || std::memcmp(head.data() + Woz_Signature, "WOZ", 3) != 0 ||
        std::memcmp(head.data() + Woz_HighBits, kHighBits, 4) != 0)
        return 0;
    return head[3] == '1' ? 1 : head[3] == '2' ? 2 : 0;
}

int a2_woz_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file, uint32_t tracks)
{
    if (file.size() < Woz_FirstChunk) {
        a2_container_damaged(name, "header cut short at %llu of %llu bytes", static_cast<ull>(file.size()),
                             static_cast<ull>(Woz_FirstChunk));
        return -1;
    }
    const int version = a2_woz_recognised(file);
    Chunk info, tmap, trks;
    for (size_t at = Woz_FirstChunk; file.size() - at >= WozChunk_Header;) {
        const uint8_t* id = file.data() + at + WozChunk_Id;
        const uint32_t size = get_le32(file.data() + at + WozChunk_Size);
        if (size > file.size() - at - WozChunk_Header) {
            a2_container_damaged(name, "chunk '%s' at offset %llu runs past the end of the file (%llu bytes)",
                                 printable(id).c_str(), static_cast<ull>(at), static_cast<ull>(file.size()));
            return -1;
        }
        const Chunk chunk{at + WozChunk_Header, size, true};
        if (std::memcmp(id, "INFO", 4) == 0 && !info.found) info = chunk;
        if (std::memcmp(id, "TMAP", 4) == 0 && !tmap.found) tmap = chunk;
        if (std::memcmp(id, "TRKS", 4) == 0 && !trks.found) trks = chunk;
        at += WozChunk_Header + size;
    }
    if (const uint32_t stored = get_le32(file.data() + Woz_Crc); stored != 0) {
        const std::span<const uint8_t> rest = file.subspan(Woz_FirstChunk);
        const auto computed = static_cast<uint32_t>(crc32_z(0, rest.data(), rest.size()));
        if (computed != stored) {
            a2_container_damaged(name, "CRC32 %08X of the file, not the %08X its header gives", computed, stored);
            return -1;
        }
    }
    for (const auto& [chunk, id] : {std::pair{&info, "INFO"}, std::pair{&tmap, "TMAP"}, std::pair{&trks, "TRKS"}}) {
        if (!chunk->found) {
            a2_container_damaged(name, "no %s chunk", id);
            return -1;
        }
    }
    if (info.size != WozInfo_Bytes || tmap.size != WozTmap_Bytes) {
        const bool bad_info = info.size != WozInfo_Bytes;
        a2_container_damaged(name, "%s chunk of %llu bytes, not %llu", bad_info ? "INFO" : "TMAP",
                             static_cast<ull>(bad_info ? info.size : tmap.size),
                             static_cast<ull>(bad_info ? WozInfo_Bytes : WozTmap_Bytes));
        return -1;
    }
    const uint8_t info_version = file[info.at + WozInfo_Version];
    if (version == 2 && info_version > 3) {
        a2_container_unsupported(name, "INFO version %u", info_version);
        return -1;
    }
    if (version == 1 ? info_version != 1 : info_version < 2) {
        a2_container_damaged(name, "INFO version %u in a WOZ%d file", info_version, version);
        return -1;
    }
    const uint8_t disk_type = file[info.at + WozInfo_DiskType];
    if (disk_type == 2) {
        a2_container_unsupported(name, "3.5-inch disk");
        return -1;
    }
    if (disk_type != 1) {
        a2_container_damaged(name, "disk type %u", disk_type);
        return -1;
    }
    const uint64_t records = version == 1 ? trks.size / Woz1Trk_Bytes : kWoz2TrkRecords;
    if (version == 1 ? trks.size % Woz1Trk_Bytes != 0 : trks.size < kWoz2TrkRecords * Woz2Trk_Bytes) {
        a2_container_damaged(name, "TRKS chunk of %llu bytes cannot hold its track records",
                             static_cast<ull>(trks.size));
        return -1;
    }

    // Track t is read at quarter track 4t; tracks past 35 only where mapped.
    const uint8_t* map = file.data() + tmap.at;
    uint32_t count = kStandardTracks;
    for (uint32_t t = kStandardTracks; t < kMostTracks; ++t)
        if (map[4 * t] != kWozNoTrack) count = t + 1;
    count = std::min(count, tracks);
    run.image.assign(size_t{count} * kA2GcrSectors * kA2GcrSectorBytes, 0);
    run.order = 1;
    std::vector<uint8_t> nibbles;
    A2TrackScan scan;
    for (uint32_t t = 0; t < count; ++t) {
        const uint32_t record = map[4 * t];
        if (record == kWozNoTrack) {
            a2_container_store_track(run, name, t, nullptr);
            continue;
        }
        if (record >= records) {
            a2_container_damaged(name, "track %u: TMAP names track record %u of %llu", t, record,
                                 static_cast<ull>(records));
            return -1;
        }
        std::span<const uint8_t> bits;
        uint32_t bit_count = 0;
        if (version == 1) {
            const uint8_t* r = file.data() + trks.at + record * Woz1Trk_Bytes;
            bit_count = get_le16(r + Woz1Trk_BitCount);
            bits = std::span<const uint8_t>(r, Woz1Trk_BitBytes);
        } else {
            const uint8_t* r = file.data() + trks.at + record * Woz2Trk_Bytes;
            const uint64_t start = get_le16(r + Woz2Trk_StartBlock) * kWozBlockBytes;
            const uint64_t size = get_le16(r + Woz2Trk_BlockCount) * kWozBlockBytes;
            bit_count = get_le32(r + Woz2Trk_BitCount);
            if (size != 0 && bit_count != 0) {
                const uint64_t first = trks.at + kWoz2TrkRecords * Woz2Trk_Bytes;
                if (start < first || start + size > trks.at + trks.size) {
                    a2_container_damaged(name, "track %u: blocks %llu to %llu lie outside the TRKS chunk", t,
                                         static_cast<ull>(start / kWozBlockBytes),
                                         static_cast<ull>((start + size) / kWozBlockBytes - 1));
                    return -1;
                }
                bits = file.subspan(static_cast<size_t>(start), static_cast<size_t>(size));
            }
        }
        if (bits.empty() || bit_count == 0) {
            a2_container_store_track(run, name, t, nullptr);
            continue;
        }
        if (bit_count > uint64_t{bits.size()} * 8) {
            a2_container_damaged(name, "track %u: %u bits do not fit in its %llu bytes", t, bit_count,
                                 static_cast<ull>(bits.size()));
            return -1;
        }
        nibbles.clear();
        a2_gcr_latch(nibbles, bits, bit_count, kWrapBits);
        scan = A2TrackScan{};
        a2_gcr_scan(scan, nibbles, t);
        a2_container_store_track(run, name, t, &scan);
    }
    return 0;
}
