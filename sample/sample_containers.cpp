#include "sample_containers.h"

#include <algorithm>
#include <cstring>

#include "sample_bytes.h"
#include "sample_ports.h"

namespace sample {

namespace {

using Bytes = std::vector<uint8_t>;

struct Layout {
    uint32_t cylinders, sectors, bytes, size_code;
};

Layout layout_of(FloppyKind kind)
{
    switch (kind) {
        case FloppyKind::k2HD1232K: return {77, 8, 1024, 3};
        case FloppyKind::k2DD720K: return {80, 9, 512, 2};
        case FloppyKind::k2DD640K: return {80, 8, 512, 2};
    }
    return {};
}

void append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

// Sector IDs in NFD files: C, H, R, N, MFM, DDAM, status, three result
// bytes, retries, PDA, four reserved.
void put_nfd_id(Bytes& b, size_t at, const SampleSector& s)
{
    const uint8_t id[16] = {s.cylinder, s.head, s.record, s.size_code, 1, 0, s.status, 0, 0, 0, 0,
                            static_cast<uint8_t>(s.size_code == 3 ? 0x90 : 0x10), 0, 0, 0, 0};
    std::memcpy(b.data() + at, id, sizeof id);
}

}  // namespace

SampleTracks sample_tracks(FloppyKind kind, std::span<const uint8_t> raw, bool shuffle)
{
    const Layout l = layout_of(kind);
    SampleTracks tracks(l.cylinders * 2);
    uint32_t state = 0x2545F491u;
    for (uint32_t t = 0; t < tracks.size(); ++t) {
        std::vector<uint32_t> order(l.sectors);
        for (uint32_t k = 0; k < l.sectors; ++k) order[k] = k + 1;
        // Fisher-Yates with a generator of our own, the same everywhere.
        for (uint32_t k = l.sectors; shuffle && k > 1; --k) {
            state = state * 1664525u + 1013904223u;
            std::swap(order[k - 1], order[(state >> 16) % k]);
        }
        for (const uint32_t r : order) {
            SampleSector s;
            s.cylinder = static_cast<uint8_t>(t / 2);
            s.head = static_cast<uint8_t>(t % 2);
            s.record = static_cast<uint8_t>(r);
            s.size_code = static_cast<uint8_t>(l.size_code);
            const size_t at = (size_t{t} * l.sectors + r - 1) * l.bytes;
            if (at + l.bytes <= raw.size()) s.bytes.assign(raw.begin() + at, raw.begin() + at + l.bytes);
            tracks[t].push_back(std::move(s));
        }
    }
    return tracks;
}

std::vector<uint8_t> fdi_image(FloppyKind kind, std::span<const uint8_t> raw)
{
    const Layout l = layout_of(kind);
    Bytes file(4096, 0);
    put32(file, 0x04, kind == FloppyKind::k2HD1232K ? 0x90 : 0x10);
    put32(file, 0x08, 4096);
    put32(file, 0x0C, static_cast<uint32_t>(raw.size()));
    put32(file, 0x10, l.bytes);
    put32(file, 0x14, l.sectors);
    put32(file, 0x18, 2);
    put32(file, 0x1C, l.cylinders);
    file.insert(file.end(), raw.begin(), raw.end());
    return file;
}

std::vector<uint8_t> d88_image(const SampleTracks& tracks, uint8_t media)
{
    constexpr size_t kHeader = 0x20 + 4 * 164;
    Bytes file(kHeader, 0);
    std::memcpy(file.data(), "VORN SAMPLE", 11);
    file[0x1B] = media;
    for (size_t t = 0; t < tracks.size() && t < 164; ++t) {
        if (tracks[t].empty()) continue;
        put32(file, 0x20 + 4 * t, static_cast<uint32_t>(file.size()));
        for (const SampleSector& s : tracks[t]) {
            Bytes record(16, 0);
            record[0] = s.cylinder;
            record[1] = s.head;
            record[2] = s.record;
            record[3] = s.size_code;
            put16(record, 4, static_cast<uint32_t>(tracks[t].size()));
            record[6] = media == 0x20 ? 0x01 : 0x00;  // high or double density
            record[8] = s.status;
            put16(record, 0x0E, static_cast<uint32_t>(s.bytes.size()));
            append(file, record);
            append(file, s.bytes);
        }
    }
    put32(file, 0x1C, static_cast<uint32_t>(file.size()));
    return file;
}

std::vector<uint8_t> nfd_image(const SampleTracks& tracks, int revision)
{
    Bytes file;
    Bytes data;
    if (revision == 0) {
        constexpr size_t kHeader = 0x10A10;
        file.assign(kHeader, 0);
        std::memcpy(file.data(), "T98FDDIMAGE.R0", 15);
        put32(file, 0x110, kHeader);
        for (size_t t = 0; t < 163; ++t)
            for (size_t k = 0; k < 26; ++k) {
                const size_t at = 0x120 + (t * 26 + k) * 16;
                if (t < tracks.size() && k < tracks[t].size()) {
                    put_nfd_id(file, at, tracks[t][k]);
                    append(data, tracks[t][k].bytes);
                } else {
                    std::memset(file.data() + at, 0xFF, 4);  // an unused slot
                }
            }
    } else {
        file.assign(0x3C0, 0);
        std::memcpy(file.data(), "T98FDDIMAGE.R1", 15);
        for (size_t t = 0; t < tracks.size() && t < 164; ++t) {
            if (tracks[t].empty()) continue;
            put32(file, 0x120 + 4 * t, static_cast<uint32_t>(file.size()));
            const size_t list = file.size();
            file.resize(list + 16 * (1 + tracks[t].size()), 0);
            put16(file, list, static_cast<uint32_t>(tracks[t].size()));
            for (size_t k = 0; k < tracks[t].size(); ++k) {
                put_nfd_id(file, list + 16 * (k + 1), tracks[t][k]);
                append(data, tracks[t][k].bytes);
            }
        }
        put32(file, 0x110, static_cast<uint32_t>(file.size()));
    }
    file[0x115] = 2;  // heads
    append(file, data);
    return file;
}

std::vector<uint8_t> dim_image(std::span<const uint8_t> raw)
{
    Bytes file(256, 0);
    file[0] = 0;  // 2HD
    for (size_t t = 0; t < 154; ++t) file[1 + t] = 1;
    std::memcpy(file.data() + 0xAB, "DIFC HEADER  ", 13);
    file.insert(file.end(), raw.begin(), raw.end());
    return file;
}

std::vector<uint8_t> disk_in_form(FloppyKind kind, std::span<const uint8_t> raw, DiskForm form)
{
    const uint8_t media = kind == FloppyKind::k2HD1232K ? 0x20 : 0x10;
    switch (form) {
        case DiskForm::kFdi: return fdi_image(kind, raw);
        case DiskForm::kXdf:
        case DiskForm::kHdm: return Bytes(raw.begin(), raw.end());
        case DiskForm::kD88: return d88_image(sample_tracks(kind, raw, true), media);
        case DiskForm::kNfd0: return nfd_image(sample_tracks(kind, raw, true), 0);
        case DiskForm::kNfd1: return nfd_image(sample_tracks(kind, raw, true), 1);
        case DiskForm::kDim: return kind == FloppyKind::k2HD1232K ? dim_image(raw) : Bytes();
    }
    return {};
}

namespace {

struct FormName {
    DiskForm form;
    const char* extension;
};
constexpr FormName kFormNames[] = {{DiskForm::kFdi, "fdi"},   {DiskForm::kXdf, "xdf"},      {DiskForm::kHdm, "hdm"},
                                   {DiskForm::kD88, "d88"},   {DiskForm::kNfd0, "nfd"},     {DiskForm::kNfd1, "r1.nfd"},
                                   {DiskForm::kDim, "dim"}};

}  // namespace

std::string form_extension(DiskForm form)
{
    for (const FormName& f : kFormNames)
        if (f.form == form) return f.extension;
    return {};
}

bool form_of_extension(const std::string& extension, DiskForm* form)
{
    for (const FormName& f : kFormNames)
        if (extension == f.extension) {
            *form = f.form;
            return true;
        }
    return false;
}

std::vector<uint8_t> pc98_arvelon_disk()
{
    const Bytes fdi = pc98_arvelon_fdi();
    return Bytes(fdi.begin() + 4096, fdi.end());
}

std::vector<uint8_t> pc98_morvane_disk()
{
    const Bytes fdi = pc98_morvane_fdi();
    return Bytes(fdi.begin() + 4096, fdi.end());
}

}  // namespace sample
