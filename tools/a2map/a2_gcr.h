// 6-and-2 group code recording of 5.25-inch Apple II disks, as DOS 3.3
// writes it: the nibble stream of a track holds 16 sectors, each an address
// field (D5 AA 96, volume, track, sector and checksum in 4-and-4 code, DE AA
// EB) followed by a data field (D5 AA AD, 342 nibbles of 6-and-2 code and a
// checksum nibble, DE AA EB), with self-sync bytes between them. Shared by the
// NIB and WOZ containers: NIB files hold the nibbles, WOZ files the bits from
// which the disk controller latches them.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

constexpr uint32_t kA2GcrSectors = 16;
constexpr uint32_t kA2GcrSectorBytes = 256;

// Physical sector (the number in the address field) of each DOS 3.3 logical
// sector: DOS 3.3 lays its sectors out with this skew.
constexpr std::array<uint8_t, 16> kA2PhysicalSector = {0, 13, 11, 9, 7, 5, 3, 1, 14, 12, 10, 8, 6, 4, 2, 15};

// What the scan of a track found of one sector, from nothing to a conflict.
constexpr uint8_t kA2SectorMissing = 0;     // no address field names it
constexpr uint8_t kA2SectorNoData = 1;      // an address field but no data field after it
constexpr uint8_t kA2SectorBadData = 2;     // a data field whose checksum or nibbles fail
constexpr uint8_t kA2SectorGood = 3;        // one sound data field (or sound copies that agree)
constexpr uint8_t kA2SectorDuplicated = 4;  // sound data fields that disagree

// The sectors of one track, by physical sector.
struct A2TrackScan {
    std::array<uint8_t, kA2GcrSectors> state{};
    std::array<std::array<uint8_t, kA2GcrSectorBytes>, kA2GcrSectors> data{};
};

// Finds every address field of the given track in the nibbles (read in
// order; a caller that reads round a circular track appends the start once
// more) and decodes the data field that follows it. An address field whose
// checksum fails, or that names another track or a sector above 15, is
// passed over.
void a2_gcr_scan(A2TrackScan& scan, std::span<const uint8_t> nibbles, uint32_t track);

// Appends the nibbles that the disk controller latches from a circular track
// of bit_count bits (most significant bit of each byte first): leading zero
// bits are skipped and a byte is complete once its top bit is set. The
// track is read once round and then wrap_bits further from its start, so
// that a field crossing the end is read whole and the latch has found its
// step before the first bits come again.
void a2_gcr_latch(std::vector<uint8_t>& nibbles, std::span<const uint8_t> bits, uint32_t bit_count,
                  uint32_t wrap_bits);
