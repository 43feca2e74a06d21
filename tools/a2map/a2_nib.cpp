// NIB files: the nibbles of 35 tracks, 6,656 bytes a track, each track a
// ring of disk bytes read from any point of the disk's revolution.
#include <algorithm>

#include "a2_container.h"

namespace {

constexpr size_t kNibTrackBytes = 6656;
constexpr uint32_t kNibTracks = 35;
constexpr size_t kNibBytes = kNibTrackBytes * kNibTracks;  // 232,960
// Nibbles read again from the start of a track after its end: enough for a
// sector whose fields cross the end.
constexpr size_t kWrapNibbles = 768;

}  // namespace

bool a2_nib_recognised(std::span<const uint8_t> head)
{
    if (head.size() < kNibTrackBytes) return false;
    const std::span<const uint8_t> track = head.first(kNibTrackBytes);
    if (std::any_of(track.begin(), track.end(), [](uint8_t b) { return b < 0x80; })) return false;
    static constexpr uint8_t kAddressPrologue[] = {0xD5, 0xAA, 0x96};
    return std::search(track.begin(), track.end(), std::begin(kAddressPrologue), std::end(kAddressPrologue)) !=
           track.end();
}

int a2_nib_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file, uint32_t tracks)
{
    if (file.size() != kNibBytes) {
        a2_container_damaged(name, "%llu bytes of nibbles, not %u tracks of %llu",
                             static_cast<unsigned long long>(file.size()), kNibTracks,
                             static_cast<unsigned long long>(kNibTrackBytes));
        return -1;
    }
    const uint32_t count = std::min(tracks, kNibTracks);
    run.image.assign(size_t{count} * kA2GcrSectors * kA2GcrSectorBytes, 0);
    run.order = 1;
    std::vector<uint8_t> ring(kNibTrackBytes + kWrapNibbles);
    A2TrackScan scan;
    for (uint32_t t = 0; t < count; ++t) {
        const std::span<const uint8_t> track = file.subspan(t * kNibTrackBytes, kNibTrackBytes);
        std::copy(track.begin(), track.end(), ring.begin());
        std::copy_n(track.begin(), kWrapNibbles, ring.begin() + kNibTrackBytes);
        scan = A2TrackScan{};
        a2_gcr_scan(scan, ring, t);
        a2_container_store_track(run, name, t, &scan);
    }
    return 0;
}
