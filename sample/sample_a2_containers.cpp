// Apple II disk image containers of sample disks.
#include "sample_a2_containers.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "sample_a2.h"
#include "sample_bytes.h"

namespace sample {

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kSectorBytes = 256;
constexpr uint32_t kTracks = 35;
constexpr uint8_t kVolume = 254;
constexpr size_t kNibTrackBytes = 6656;
constexpr size_t kWoz1BitBytes = 6646;
constexpr size_t kBlock = 512;

// DOS 3.3 interleave: the logical sector that each physical sector holds.
constexpr uint8_t kLogicalOfPhysical[16] = {0, 7, 14, 6, 13, 5, 12, 4, 11, 3, 10, 2, 9, 1, 8, 15};

// Self-sync gaps, in sync bytes: before the first sector, between the
// fields of a sector and after each sector.
struct Gaps {
    size_t first, between, after;
};
constexpr Gaps kNibGaps = {0, 6, 20};  // the first gap fills the track up to 6,656 bytes
constexpr Gaps kWozGaps = {40, 6, 12};

// The 64 disk bytes of the 6-and-2 code in ascending order: bit 7 set, two
// adjacent one bits among bits 0-6, at most one pair of adjacent zero bits,
// and neither of the bytes that prologues begin with (0xAA, 0xD5).
const std::array<uint8_t, 64>& disk_bytes()
{
    static const std::array<uint8_t, 64> table = [] {
        std::array<uint8_t, 64> t{};
        size_t n = 0;
        for (uint32_t v = 0x80; v < 0x100; ++v) {
            bool ones = false;
            int zero_pairs = 0;
            for (int k = 0; k < 7; ++k) {
                const uint32_t pair = (v >> k) & 3;
                if (pair == 3 && k < 6) ones = true;
                if (pair == 0) ++zero_pairs;
            }
            if (ones && zero_pairs <= 1 && v != 0xAA && v != 0xD5 && n < t.size()) t[n++] = static_cast<uint8_t>(v);
        }
        return t;
    }();
    return table;
}

// A track as disk bytes; sync bytes (0xFF) take ten bits in a bit stream.
struct NibbleTrack {
    Bytes nibbles;
    std::vector<bool> sync;

    void put(uint8_t v)
    {
        nibbles.push_back(v);
        sync.push_back(false);
    }
    void put(std::initializer_list<uint8_t> vs)
    {
        for (uint8_t v : vs) put(v);
    }
    void put_sync(size_t count)
    {
        nibbles.insert(nibbles.end(), count, 0xFF);
        sync.insert(sync.end(), count, true);
    }
    // A value as two disk bytes holding its odd and its even bits.
    void put_odd_even(uint8_t v)
    {
        put(static_cast<uint8_t>((v >> 1) | 0xAA));
        put(static_cast<uint8_t>(v | 0xAA));
    }
    void put_address(uint32_t track, uint32_t physical)
    {
        put({0xD5, 0xAA, 0x96});
        put_odd_even(kVolume);
        put_odd_even(static_cast<uint8_t>(track));
        put_odd_even(static_cast<uint8_t>(physical));
        put_odd_even(static_cast<uint8_t>(kVolume ^ track ^ physical));
        put({0xDE, 0xAA, 0xEB});
    }
    // 86 values with the two low bits of bytes k, k + 86 and k + 172 (each
    // pair swapped) at bits 0, 2 and 4, then the six high bits of the 256
    // bytes; each written as the exclusive-or with the value before, and the
    // last value as the checksum.
    void put_data(const uint8_t* bytes, bool bad_checksum)
    {
        put({0xD5, 0xAA, 0xAD});
        std::array<uint8_t, 342> values{};
        for (uint32_t k = 0; k < 86; ++k) {
            for (uint32_t m = 0; m < 3; ++m) {
                const uint32_t i = k + 86 * m;
                if (i >= kSectorBytes) continue;
                const uint32_t swapped = ((bytes[i] & 1) << 1) | ((bytes[i] >> 1) & 1);
                values[k] = static_cast<uint8_t>(values[k] | (swapped << (2 * m)));
            }
        }
        for (uint32_t i = 0; i < kSectorBytes; ++i) values[86 + i] = static_cast<uint8_t>(bytes[i] >> 2);
        uint8_t before = 0;
        for (const uint8_t v : values) {
            put(disk_bytes()[v ^ before]);
            before = v;
        }
        put(disk_bytes()[bad_checksum ? before ^ 0x15 : before]);
        put({0xDE, 0xAA, 0xEB});
    }
};

NibbleTrack build_track(const Bytes& image, uint32_t track, const A2SectorDamage& damage, const Gaps& gaps)
{
    NibbleTrack out;
    out.put_sync(gaps.first);
    auto sector_data = [&](uint32_t logical) { return image.data() + (size_t{track} * 16 + logical) * kSectorBytes; };
    const bool damaged_track = damage.kind != A2Damage::none && damage.track == track;
    uint32_t damaged_physical = 16;
    for (uint32_t p = 0; p < 16; ++p) {
        const uint32_t logical = kLogicalOfPhysical[p];
        const A2Damage kind = damaged_track && damage.sector == logical ? damage.kind : A2Damage::none;
        if (kind != A2Damage::none) damaged_physical = p;
        if (kind == A2Damage::missing) continue;
        out.put_address(track, p);
        out.put_sync(gaps.between);
        if (kind != A2Damage::no_data) out.put_data(sector_data(logical), kind == A2Damage::checksum);
        out.put_sync(gaps.after);
    }
    if (damaged_track && damage.kind == A2Damage::duplicated && damaged_physical < 16) {
        const uint8_t* sound = sector_data(kLogicalOfPhysical[damaged_physical]);
        Bytes other(sound, sound + kSectorBytes);
        for (uint8_t& b : other) b ^= 0x5A;
        out.put_address(track, damaged_physical);
        out.put_sync(gaps.between);
        out.put_data(other.data(), false);
        out.put_sync(gaps.after);
    }
    return out;
}

// The track as a bit stream, most significant bit first; a sync byte is
// followed by two zero bits. The bit count is returned in bits.
Bytes track_bits(const NibbleTrack& track, uint32_t& bits)
{
    Bytes out;
    bits = 0;
    auto put_bit = [&](uint32_t b) {
        if (bits % 8 == 0) out.push_back(0);
        if (b) out.back() = static_cast<uint8_t>(out.back() | (0x80 >> (bits % 8)));
        ++bits;
    };
    for (size_t i = 0; i < track.nibbles.size(); ++i) {
        for (int k = 7; k >= 0; --k) put_bit((track.nibbles[i] >> k) & 1);
        if (track.sync[i]) {
            put_bit(0);
            put_bit(0);
        }
    }
    return out;
}

void append_chunk(Bytes& out, const char* id, const Bytes& data)
{
    const size_t at = out.size();
    out.resize(at + 8);
    std::memcpy(out.data() + at, id, 4);
    put32(out, at + 4, static_cast<uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

constexpr size_t kWoz2FirstTrackBlock = 3;

size_t woz_track_blocks()
{
    static const size_t blocks = [] {
        uint32_t bits = 0;
        const Bytes image(kTracks * 16 * kSectorBytes);
        const Bytes stream = track_bits(build_track(image, 0, {}, kWozGaps), bits);
        return (stream.size() + kBlock - 1) / kBlock;
    }();
    return blocks;
}

}  // namespace

std::vector<uint8_t> a2_nib(const std::vector<uint8_t>& dos_image, A2SectorDamage damage)
{
    Bytes out;
    for (uint32_t t = 0; t < kTracks; ++t) {
        NibbleTrack track = build_track(dos_image, t, damage, kNibGaps);
        const size_t fill = kNibTrackBytes - std::min(kNibTrackBytes, track.nibbles.size());
        out.insert(out.end(), fill, 0xFF);
        out.insert(out.end(), track.nibbles.begin(),
                   track.nibbles.begin() + static_cast<std::ptrdiff_t>(kNibTrackBytes - fill));
    }
    return out;
}

std::vector<uint8_t> a2_woz(const std::vector<uint8_t>& dos_image, int woz_version, int info_version,
                            A2SectorDamage damage)
{
    std::vector<Bytes> streams(kTracks);
    std::vector<uint32_t> bit_counts(kTracks);
    size_t largest_blocks = 0;
    for (uint32_t t = 0; t < kTracks; ++t) {
        streams[t] = track_bits(build_track(dos_image, t, damage, kWozGaps), bit_counts[t]);
        largest_blocks = std::max(largest_blocks, (streams[t].size() + kBlock - 1) / kBlock);
    }

    Bytes out = {'W', 'O', 'Z', static_cast<uint8_t>('0' + woz_version), 0xFF, 0x0A, 0x0D, 0x0A, 0, 0, 0, 0};
    Bytes info(60, 0);
    info[0] = static_cast<uint8_t>(woz_version == 1 ? 1 : info_version);
    info[1] = 1;  // 5.25-inch disk
    info[4] = 1;  // cleaned
    const std::string creator = "vorn_sample";
    std::fill(info.begin() + 5, info.begin() + 37, ' ');
    std::copy(creator.begin(), creator.end(), info.begin() + 5);
    if (woz_version == 2) {
        info[37] = 1;   // one side
        info[38] = 1;   // boot sector of 16-sector disks
        info[39] = 32;  // 4 microseconds a bit, in 125-nanosecond units
        put16(info, 44, static_cast<uint32_t>(largest_blocks));
    }
    append_chunk(out, "INFO", info);

    Bytes tmap(160, 0xFF);
    for (uint32_t t = 0; t < kTracks; ++t) {
        tmap[4 * t] = static_cast<uint8_t>(t);
        tmap[4 * t + 1] = static_cast<uint8_t>(t);
        if (t > 0) tmap[4 * t - 1] = static_cast<uint8_t>(t);
    }
    append_chunk(out, "TMAP", tmap);

    Bytes trks;
    if (woz_version == 1) {
        for (uint32_t t = 0; t < kTracks; ++t) {
            Bytes record(6656, 0);
            std::copy_n(streams[t].begin(), std::min(streams[t].size(), kWoz1BitBytes), record.begin());
            put16(record, 6646, static_cast<uint32_t>(streams[t].size()));  // bytes used
            put16(record, 6648, bit_counts[t]);
            put16(record, 6650, 0xFFFF);  // no splice point
            trks.insert(trks.end(), record.begin(), record.end());
        }
    } else {
        trks.assign(160 * 8, 0);
        size_t block = kWoz2FirstTrackBlock;
        for (uint32_t t = 0; t < kTracks; ++t) {
            const size_t blocks = (streams[t].size() + kBlock - 1) / kBlock;
            put16(trks, 8 * t, static_cast<uint32_t>(block));
            put16(trks, 8 * t + 2, static_cast<uint32_t>(blocks));
            put32(trks, 8 * t + 4, bit_counts[t]);
            Bytes bits = streams[t];
            bits.resize(blocks * kBlock, 0);
            trks.insert(trks.end(), bits.begin(), bits.end());
            block += blocks;
        }
    }
    append_chunk(out, "TRKS", trks);
    if (woz_version == 2) {
        const std::string meta = "title\tvorn sample disk\n";
        append_chunk(out, "META", Bytes(meta.begin(), meta.end()));
    }
    put32(out, kA2WozCrcOffset, crc32(std::span(out).subspan(12)));
    return out;
}

size_t a2_woz2_track_bits_offset(uint32_t track)
{
    return (kWoz2FirstTrackBlock + track * woz_track_blocks()) * kBlock;
}

std::vector<uint8_t> a2_2mg(const std::vector<uint8_t>& dos_image, uint32_t format)
{
    const Bytes data = format == kA2TwoImgDos      ? dos_image
                       : format == kA2TwoImgProdos ? a2_prodos_order(dos_image)
                                                   : a2_nib(dos_image);
    const std::string comment = "vorn sample disk";
    Bytes out(64, 0);
    std::memcpy(out.data(), "2IMGVORN", 8);
    put16(out, 8, 64);  // header size
    put16(out, 10, 1);  // version
    put32(out, 12, format);
    put32(out, 20, format == kA2TwoImgProdos ? static_cast<uint32_t>(data.size() / 512) : 0);
    put32(out, 24, 64);
    put32(out, 28, static_cast<uint32_t>(data.size()));
    put32(out, 32, static_cast<uint32_t>(64 + data.size()));
    put32(out, 36, static_cast<uint32_t>(comment.size()));
    out.insert(out.end(), data.begin(), data.end());
    out.insert(out.end(), comment.begin(), comment.end());
    return out;
}

std::vector<A2NamedImage> a2_container_samples()
{
    std::vector<A2NamedImage> out;
    for (const auto& [stem, image] : {std::pair{"VORNboot", a2_program_disk(false)},
                                      std::pair{"vornmorvane", a2_morvane_disk(false)}}) {
        const std::string s = stem;
        out.push_back({s + ".2mg", a2_2mg(image, kA2TwoImgDos)});
        out.push_back({s + "-prodos.2mg", a2_2mg(image, kA2TwoImgProdos)});
        out.push_back({s + ".nib", a2_nib(image)});
        out.push_back({s + ".woz", a2_woz(image, 2)});
        out.push_back({s + "-woz1.woz", a2_woz(image, 1)});
    }
    return out;
}

}  // namespace sample
