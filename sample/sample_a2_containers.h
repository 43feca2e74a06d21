// Apple II disk image containers written from DOS 3.3-order sector images:
// 2MG (DOS 3.3 order, ProDOS order or NIB inside), NIB (35 tracks of 6,656
// nibbles) and WOZ 1 and 2 (the bit stream of every track). The tracks are
// laid out as DOS 3.3 formats a disk: self-sync gaps, and per sector an
// address field and a 6-and-2 data field, the sectors in physical order.
// A sector of one track can be written damaged on purpose.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample {

enum class A2Damage {
    none,
    checksum,    // the data field's checksum nibble is wrong
    missing,     // neither field is written
    no_data,     // the address field is written, the data field is not
    duplicated,  // a second copy with other data follows the last sector
};

// Where a damage goes: track and DOS 3.3 logical sector.
struct A2SectorDamage {
    A2Damage kind = A2Damage::none;
    uint32_t track = 0;
    uint32_t sector = 0;
};

constexpr uint32_t kA2TwoImgDos = 0;
constexpr uint32_t kA2TwoImgProdos = 1;
constexpr uint32_t kA2TwoImgNib = 2;

// A 2MG file of the image (35 tracks, DOS 3.3 order) with a comment after
// the data: its sectors in DOS 3.3 or ProDOS order, or its NIB.
std::vector<uint8_t> a2_2mg(const std::vector<uint8_t>& dos_image, uint32_t format);

// The NIB file of a 35-track DOS 3.3-order image: 232,960 bytes.
std::vector<uint8_t> a2_nib(const std::vector<uint8_t>& dos_image, A2SectorDamage damage = {});

// The WOZ file (version 1 or 2; INFO version 2 or 3 for WOZ 2) of a 35-track
// DOS 3.3-order image, with a CRC32 and, for WOZ 2, a META chunk at the end.
// Each track is mapped at its own quarter track and the two beside it.
std::vector<uint8_t> a2_woz(const std::vector<uint8_t>& dos_image, int woz_version, int info_version = 2,
                            A2SectorDamage damage = {});

// Byte offsets of WOZ 2 parts that damage tests aim at: the CRC, the TRKS
// chunk's length and the first byte of the bits of track t.
constexpr size_t kA2WozCrcOffset = 8;
constexpr size_t kA2Woz2TrksSizeOffset = 252;
size_t a2_woz2_track_bits_offset(uint32_t track);

// The container forms of the two sample disks, with their file names:
// .2mg (DOS 3.3 order), -prodos.2mg, .nib, .woz (WOZ 2) and -woz1.woz of
// VORNboot and vornmorvane.
struct A2NamedImage {
    std::string name;
    std::vector<uint8_t> bytes;
};
std::vector<A2NamedImage> a2_container_samples();

}  // namespace sample
