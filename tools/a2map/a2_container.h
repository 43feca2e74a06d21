// Apple II disk image containers: 2MG, NIB and WOZ files, decoded into the
// plain run of 256-byte sectors (16 to a track) that the DOS 3.3 reader and
// the raw read of the map disk take.
//
// A container is known by what the file holds, never by its name:
// - 2MG: the signature "2IMG", a header size of 64, version 0 or 1 and an
//   image format of 0 (DOS 3.3 order), 1 (ProDOS order) or 2 (NIB);
// - WOZ: the signature "WOZ1" or "WOZ2" followed by FF 0A 0D 0A;
// - NIB: a first track of 6,656 bytes that are all disk bytes (bit 7 set)
//   and hold an address field prologue D5 AA 96.
// Every other file is a plain image, read as it stands.
//
// A container whose structure is damaged (cut short, offsets or sizes
// outside the file, chunks that do not fit, a failed CRC) gives one line
// "damaged image '%s': ..." and no sectors; one the tools cannot read (a
// 3.5-inch WOZ, an INFO version to come) gives "unsupported image '%s': ...".
// A sector that a NIB or WOZ track does not give soundly (missing, without
// data field, failing its checksum, or found twice with different data) is
// left zero, and its fault line is kept with the run: a reader prints it and
// fails only when it needs that sector.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "a2_gcr.h"

constexpr int kA2Plain = 0;
constexpr int kA2TwoImg = 1;
constexpr int kA2Nib = 2;
constexpr int kA2Woz1 = 3;
constexpr int kA2Woz2 = 4;

// The leading bytes that tell a container: one NIB track (the 2MG and WOZ
// headers are shorter).
constexpr size_t kA2ProbeBytes = 6656;
// No container file of a 5.25-inch disk comes near this size.
constexpr size_t kA2ContainerMaxBytes = size_t{16} << 20;
// Decode every track a container holds.
constexpr uint32_t kA2AllTracks = 0xFFFFFFFF;

// A disk decoded from a container.
struct A2SectorRun {
    std::vector<uint8_t> image;  // whole sectors, 16 to a track
    int order = 1;               // sector order of image: 1 DOS 3.3, 2 ProDOS
    // The fault line of each sector of image that could not be decoded, by
    // its index in image (empty: sound). Empty when every sector is sound.
    std::vector<std::string> faults;
};

// The kind of container that the leading bytes of a file show (kA2Plain
// for none), and the test of each family.
[[nodiscard]] int a2_container_probe(std::span<const uint8_t> head);
[[nodiscard]] bool a2_2mg_recognised(std::span<const uint8_t> head);
[[nodiscard]] bool a2_nib_recognised(std::span<const uint8_t> head);
[[nodiscard]] int a2_woz_recognised(std::span<const uint8_t> head);  // 1 or 2 (the version), else 0

// Appends the rest of the stream (from its position to its end) to file.
// 0; -1 when the stream fails; -2 when the file would exceed
// kA2ContainerMaxBytes ("unsupported image" printed).
[[nodiscard]] int a2_container_read_rest(std::vector<uint8_t>& file, FILE* fp, const char* name);

// Decodes the whole file, a container of the given kind, into run: every
// track of a 2MG, and of a NIB or WOZ the first `tracks` tracks it has (all
// for kA2AllTracks). 0, or -1 after its message when the container is
// damaged or unsupported. name is the image's name for the messages.
[[nodiscard]] int a2_container_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file,
                                      int kind, uint32_t tracks);

// The decoders of the three families, with the same contract.
[[nodiscard]] int a2_2mg_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file,
                                uint32_t tracks);
[[nodiscard]] int a2_nib_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file,
                                uint32_t tracks);
[[nodiscard]] int a2_woz_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file,
                                uint32_t tracks);

#if defined(__GNUC__) || defined(__clang__)
#define A2_PRINTF_LIKE(f, a) __attribute__((format(printf, f, a)))
#else
#define A2_PRINTF_LIKE(f, a)
#endif

// Print "damaged image 'name': " or "unsupported image 'name': ", then the
// formatted rest of the line.
void a2_container_damaged(const char* name, const char* format, ...) A2_PRINTF_LIKE(2, 3);
void a2_container_unsupported(const char* name, const char* format, ...) A2_PRINTF_LIKE(2, 3);

// Places the decoded sectors of one NIB or WOZ track (numbered as in the
// address fields) at their DOS 3.3 logical places in a DOS-order run that
// holds the track, and notes the fault of every sector it lacks. A blank
// track (scan null) lacks them all.
void a2_container_store_track(A2SectorRun& run, const char* name, uint32_t track, const A2TrackScan* scan);
