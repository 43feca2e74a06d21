#include "a2_container.h"

#include <algorithm>
#include <cstdarg>
#include <new>

#include "stdio_file.h"

namespace {

void report(const char* what, const char* name, const char* format, va_list args)
{
    std::printf("%s image '%s': ", what, name);
    std::vprintf(format, args);
    std::putchar('\n');
}

}  // namespace

void a2_container_damaged(const char* name, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    report("damaged", name, format, args);
    va_end(args);
}

void a2_container_unsupported(const char* name, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    report("unsupported", name, format, args);
    va_end(args);
}

int a2_container_probe(std::span<const uint8_t> head)
{
    if (const int version = a2_woz_recognised(head); version != 0) return version == 1 ? kA2Woz1 : kA2Woz2;
    if (a2_2mg_recognised(head)) return kA2TwoImg;
    if (a2_nib_recognised(head)) return kA2Nib;
    return kA2Plain;
}

int a2_container_read_rest(std::vector<uint8_t>& file, FILE* fp, const char* name)
{
    try {
        // A stream that can be sized is read in one piece, else in chunks.
        const int64_t left = file_bytes_left(fp);
        size_t chunk = size_t{1} << 16;
        if (left >= 0)
            chunk = static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(left) + 1, kA2ContainerMaxBytes + 1));
        for (;;) {
            if (chunk > kA2ContainerMaxBytes - std::min(file.size(), kA2ContainerMaxBytes)) {
                chunk = kA2ContainerMaxBytes - std::min(file.size(), kA2ContainerMaxBytes) + 1;
            }
            const size_t at = file.size();
            file.resize(at + chunk);
            const size_t got = std::fread(file.data() + at, 1, chunk, fp);
            file.resize(at + got);
            if (file.size() > kA2ContainerMaxBytes) {
                a2_container_unsupported(name, "more than %llu bytes",
                                         static_cast<unsigned long long>(kA2ContainerMaxBytes));
                return -2;
            }
            if (got < chunk) return std::ferror(fp) ? -1 : 0;
        }
    } catch (const std::bad_alloc&) {
        std::puts("memory exhaust!");
        return -2;
    }
}

int a2_container_decode(A2SectorRun& run, const char* name, std::span<const uint8_t> file, int kind,
                        uint32_t tracks)
{
    run = A2SectorRun{};
    int result = -1;
    try {
        switch (kind) {
            case kA2TwoImg:
                result = a2_2mg_decode(run, name, file, tracks);
                break;
            case kA2Nib:
                result = a2_nib_decode(run, name, file, tracks);
                break;
            case kA2Woz1:
            case kA2Woz2:
                result = a2_woz_decode(run, name, file, tracks);
                break;
            default:
                break;
        }
    } catch (const std::bad_alloc&) {
        std::puts("memory exhaust!");
        result = -1;
    }
    if (result < 0) run = A2SectorRun{};
    return result;
}

void a2_container_store_track(A2SectorRun& run, const char* name, uint32_t track, const A2TrackScan* scan)
{
    for (uint32_t s = 0; s < kA2GcrSectors; ++s) {
        const uint32_t p = kA2PhysicalSector[s];
        const size_t index = static_cast<size_t>(track) * kA2GcrSectors + s;
        const uint8_t state = scan ? scan->state[p] : kA2SectorMissing;
        if (state == kA2SectorGood) {
            std::copy(scan->data[p].begin(), scan->data[p].end(),
                      run.image.begin() + static_cast<std::ptrdiff_t>(index * kA2GcrSectorBytes));
            continue;
        }
        const char* what = state == kA2SectorNoData     ? "has no data field"
                           : state == kA2SectorBadData  ? "checksum error"
                           : state == kA2SectorDuplicated ? "duplicated"
                                                          : "missing";
        if (run.faults.empty()) run.faults.resize(run.image.size() / kA2GcrSectorBytes);
        run.faults[index] = std::string("damaged image '") + name + "': track " + std::to_string(track) + " sector " +
                            std::to_string(s) + " " + what;
    }
}
