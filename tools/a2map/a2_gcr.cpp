#include "a2_gcr.h"

#include <algorithm>
#include <cstring>

namespace {

// The 64 disk bytes that carry the six-bit values 0-63 of a data field.
constexpr std::array<uint8_t, 64> kSixAndTwoNibbles = {
    0x96, 0x97, 0x9A, 0x9B, 0x9D, 0x9E, 0x9F, 0xA6, 0xA7, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF, 0xB2, 0xB3,
    0xB4, 0xB5, 0xB6, 0xB7, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF, 0xCB, 0xCD, 0xCE, 0xCF, 0xD3,
    0xD6, 0xD7, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xE5, 0xE6, 0xE7, 0xE9, 0xEA, 0xEB, 0xEC,
    0xED, 0xEE, 0xEF, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,
};

constexpr uint8_t kNoValue = 0xFF;

// The six-bit value of each disk byte, kNoValue for bytes outside the code.
constexpr std::array<uint8_t, 256> kSixAndTwoValues = [] {
    std::array<uint8_t, 256> values{};
    values.fill(kNoValue);
    for (uint8_t v = 0; v < 64; ++v) values[kSixAndTwoNibbles[v]] = v;
    return values;
}();

constexpr uint8_t kPrologue1 = 0xD5;
constexpr uint8_t kPrologue2 = 0xAA;
constexpr uint8_t kAddressPrologue3 = 0x96;
constexpr uint8_t kDataPrologue3 = 0xAD;
constexpr size_t kPrologueNibbles = 3;
constexpr size_t kAddressNibbles = 8;     // volume, track, sector, checksum: two nibbles each
constexpr size_t kAuxiliaryValues = 86;   // two low bits of three bytes each
constexpr size_t kDataValues = kAuxiliaryValues + kA2GcrSectorBytes;  // 342
constexpr size_t kDataNibbles = kDataValues + 1;                      // and the checksum
// The data field of a sector begins within this many nibbles of the end of
// its address field (DOS 3.3 leaves a gap of about six).
constexpr size_t kDataSearchNibbles = 64;

bool prologue_at(std::span<const uint8_t> n, size_t i, uint8_t third)
{
    return i + kPrologueNibbles <= n.size() && n[i] == kPrologue1 && n[i + 1] == kPrologue2 && n[i + 2] == third;
}

// A value of the address field: two nibbles holding its odd and its even bits.
uint8_t four_and_four(uint8_t odd, uint8_t even)
{
    return static_cast<uint8_t>(((odd << 1) | 1) & even);
}

// Decodes the 343 nibbles of a data field from n[at]: each value is the
// running exclusive-or of the decoded nibbles, the checksum nibble equals
// the last value. The first 86 values hold the two low bits of bytes i,
// i + 86 and i + 172 (swapped, at bits 0, 2 and 4), the next 256 the six
// high bits of each byte.
bool decode_data(std::span<const uint8_t> n, size_t at, std::array<uint8_t, kA2GcrSectorBytes>& out)
{
    if (n.size() - at < kDataNibbles) return false;
    const uint8_t* in = n.data() + at;
    std::array<uint8_t, kDataValues> values;
    uint8_t last = 0;
    uint8_t seen = 0;  // bit 7 set once a byte outside the code was met
    for (size_t k = 0; k < kDataValues; ++k) {
        const uint8_t v = kSixAndTwoValues[in[k]];
        seen = static_cast<uint8_t>(seen | v);
        last = static_cast<uint8_t>(last ^ v);
        values[k] = last;
    }
    if ((seen & 0x80) || kSixAndTwoValues[in[kDataValues]] != last) return false;
    const uint8_t* high = values.data() + kAuxiliaryValues;
    for (size_t part = 0; part < 3; ++part) {
        const size_t first = part * kAuxiliaryValues;
        const size_t count = std::min(kAuxiliaryValues, kA2GcrSectorBytes - first);
        for (size_t k = 0; k < count; ++k) {
            const uint32_t low = (values[k] >> (2 * part)) & 3;
            out[first + k] = static_cast<uint8_t>((high[first + k] << 2) | ((low & 1) << 1) | (low >> 1));
        }
    }
    return true;
}

// Adds one finding about physical sector p: a sound copy beats every
// failure, and sound copies that disagree make a conflict.
void note(A2TrackScan& scan, uint32_t p, uint8_t state, const std::array<uint8_t, kA2GcrSectorBytes>& data)
{
    uint8_t& s = scan.state[p];
    if (state != kA2SectorGood) {
        if (s < state) s = state;  // a sound copy or a conflict is never lowered
    } else if (s == kA2SectorGood) {
        if (scan.data[p] != data) s = kA2SectorDuplicated;
    } else if (s != kA2SectorDuplicated) {
        s = kA2SectorGood;
        scan.data[p] = data;
    }
}

// One step of the disk controller's latch: the register shifts the bit in
// (a zero bit with nothing latched yet is skipped) and hands its byte over
// once the top bit is set. The register stays below 0x80 between steps.
uint32_t latch_bit(uint32_t reg, uint32_t bit, uint8_t* out, size_t& n)
{
    if (reg == 0 && bit == 0) return 0;
    reg = (reg << 1) | bit;
    if (reg & 0x80) {
        out[n++] = static_cast<uint8_t>(reg);
        return 0;
    }
    return reg;
}

// The latch over a whole byte of bits, for each register value: the new
// register in bits 0-6 and the byte handed over (0: none) in bits 8-15.
// Eight bits complete at most one byte, since every byte takes eight.
const std::vector<uint16_t>& latch_table()
{
    static const std::vector<uint16_t> table = [] {
        std::vector<uint16_t> t(128 * 256);
        for (uint32_t reg = 0; reg < 128; ++reg) {
            for (uint32_t byte = 0; byte < 256; ++byte) {
                uint8_t out[8] = {};
                size_t n = 0;
                uint32_t r = reg;
                for (int k = 7; k >= 0; --k) r = latch_bit(r, (byte >> k) & 1, out, n);
                t[reg << 8 | byte] = static_cast<uint16_t>(r | out[0] << 8);
            }
        }
        return t;
    }();
    return table;
}

}  // namespace

void a2_gcr_scan(A2TrackScan& scan, std::span<const uint8_t> n, uint32_t track)
{
    for (size_t i = 0; i + kPrologueNibbles + kAddressNibbles <= n.size(); ++i) {
        // Prologues are the only places of a track where 0xD5 stands.
        const void* d5 = std::memchr(n.data() + i, kPrologue1, n.size() - i);
        if (!d5) break;
        i = static_cast<size_t>(static_cast<const uint8_t*>(d5) - n.data());
        if (i + kPrologueNibbles + kAddressNibbles > n.size()) break;
        if (!prologue_at(n, i, kAddressPrologue3)) continue;
        const size_t a = i + kPrologueNibbles;
        const uint8_t volume = four_and_four(n[a], n[a + 1]);
        const uint8_t field_track = four_and_four(n[a + 2], n[a + 3]);
        const uint8_t sector = four_and_four(n[a + 4], n[a + 5]);
        const uint8_t checksum = four_and_four(n[a + 6], n[a + 7]);
        if ((volume ^ field_track ^ sector) != checksum || field_track != track || sector >= kA2GcrSectors)
            continue;
        std::array<uint8_t, kA2GcrSectorBytes> data{};
        const size_t from = a + kAddressNibbles;
        const size_t to = std::min(n.size(), from + kDataSearchNibbles);
        size_t at = 0;
        for (size_t j = from; j < to && at == 0; ++j) {
            if (prologue_at(n, j, kAddressPrologue3)) break;
            if (prologue_at(n, j, kDataPrologue3)) at = j + kPrologueNibbles;
        }
        if (at == 0) {
            note(scan, sector, kA2SectorNoData, data);
        } else if (decode_data(n, at, data)) {
            note(scan, sector, kA2SectorGood, data);
            i = at + kDataNibbles - 1;  // no prologue lies inside a sound data field
        } else {
            note(scan, sector, kA2SectorBadData, data);
        }
    }
}

namespace {

// Runs the latch over count whole bytes of bits; the register goes in and
// comes out, the bytes handed over go to out[n...].
uint32_t latch_bytes(const uint16_t* table, const uint8_t* bits, uint32_t count, uint32_t reg, uint8_t* out,
                     size_t& n)
{
    size_t m = n;
    for (uint32_t i = 0; i < count; ++i) {
        const uint16_t step = table[reg << 8 | bits[i]];
        reg = step & 0x7F;
        out[m] = static_cast<uint8_t>(step >> 8);
        m += step >> 15;  // a byte handed over has its top bit set
    }
    n = m;
    return reg;
}

}  // namespace

void a2_gcr_latch(std::vector<uint8_t>& nibbles, std::span<const uint8_t> bits, uint32_t bit_count,
                  uint32_t wrap_bits)
{
    bit_count = static_cast<uint32_t>(std::min<uint64_t>(bit_count, uint64_t{bits.size()} * 8));
    if (bit_count == 0) return;
    wrap_bits = std::min(wrap_bits, bit_count);
    // At most one byte completes in every eight bits.
    const size_t start = nibbles.size();
    nibbles.resize(start + (uint64_t{bit_count} + wrap_bits) / 8 + 1);
    uint8_t* out = nibbles.data() + start;
    size_t n = 0;
    const uint16_t* table = latch_table().data();
    uint32_t reg = latch_bytes(table, bits.data(), bit_count / 8, 0, out, n);
    for (uint32_t k = 0; k < bit_count % 8; ++k) reg = latch_bit(reg, (bits[bit_count / 8] >> (7 - k)) & 1, out, n);
    // Round again from the start, which is a byte boundary of the track.
    latch_bytes(table, bits.data(), wrap_bits / 8, reg, out, n);
    nibbles.resize(start + n);
}
