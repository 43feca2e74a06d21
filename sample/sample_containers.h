// Floppy image containers of synthetic disks: FDI, D88, NFD (revisions 0
// and 1) and DIM files written from the sectors of a raw disk, the way dump
// tools write them. D88 and NFD files list each sector with its recorded
// cylinder, head, record number and size code; the writers may store the
// sectors of a track in shuffled order.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fat12_writer.h"

namespace sample {

// One sector as a container lists it.
struct SampleSector {
    uint8_t cylinder = 0;
    uint8_t head = 0;
    uint8_t record = 1;     // from 1
    uint8_t size_code = 0;  // 128 << size_code bytes
    uint8_t status = 0;     // result of the read: 0 sound, 0xB0 data CRC error, ...
    std::vector<uint8_t> bytes;
};

// A disk as its tracks (cylinder x 2 + head), each the sectors in the order
// they are stored.
using SampleTracks = std::vector<std::vector<SampleSector>>;

// The tracks of a raw disk of the kind; with shuffle the sectors of every
// track are stored in an order of their own.
SampleTracks sample_tracks(FloppyKind kind, std::span<const uint8_t> raw, bool shuffle);

// FDI: the 4,096-byte header (fdd type 0x90 for 2HD, 0x10 for 2DD; header
// size; data size; sector size, sectors, heads, cylinders), then the disk.
std::vector<uint8_t> fdi_image(FloppyKind kind, std::span<const uint8_t> raw);

// D88 with a table of 164 tracks; media 0x20 (2HD), 0x10 (2DD) or 0x00 (2D).
std::vector<uint8_t> d88_image(const SampleTracks& tracks, uint8_t media);

// NFD: revision 0 (26 ID slots for each of 163 tracks) or 1 (a list per track).
std::vector<uint8_t> nfd_image(const SampleTracks& tracks, int revision);

// DIM of a 1.2 MB 2HD disk, type 2HD, every track present.
std::vector<uint8_t> dim_image(std::span<const uint8_t> raw);

// The forms a sample disk can be written in.
enum class DiskForm { kFdi, kXdf, kHdm, kD88, kNfd0, kNfd1, kDim };

// The disk of the kind in the form; D88 and NFD with shuffled tracks.
std::vector<uint8_t> disk_in_form(FloppyKind kind, std::span<const uint8_t> raw, DiskForm form);

// File name extension of a form ("fdi", "xdf", "hdm", "d88", "nfd", "r1.nfd", "dim"),
// and the form of an extension; false when there is none.
std::string form_extension(DiskForm form);
bool form_of_extension(const std::string& extension, DiskForm* form);

// The sample game disks without leading bytes (1.2 MB 2HD).
std::vector<uint8_t> pc98_arvelon_disk();
std::vector<uint8_t> pc98_morvane_disk();

}  // namespace sample
