// BMP reader on arbitrary bytes held in a memory stream.
//
// Input: one byte of mode, then the file.
//   bit 0: read the header first and hand it to read_bitmap (header_read 1)
//   bit 1: no palette vector (the palette is skipped)
//   bit 2: pixels come in a buffer already sized by the next two bytes
//   bit 3: the stream cannot seek or be sized (as a pipe or FIFO)
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bitmap.h"
#include "fuzz_support.h"

namespace {

// A read-only stream over memory without a seek function, like a pipe.
struct Unseekable {
    const std::vector<uint8_t>* bytes;
    size_t at;
};

ssize_t unseekable_read(void* cookie, char* out, size_t count)
{
    auto* s = static_cast<Unseekable*>(cookie);
    const size_t n = std::min(count, s->bytes->size() - s->at);
    std::copy_n(s->bytes->data() + s->at, n, out);
    s->at += n;
    return static_cast<ssize_t>(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint8_t mode = in.u8();
    const size_t presized = (mode & 4) ? in.u16() + 1u : 0;
    std::vector<uint8_t> file(in.rest().begin(), in.rest().end());
    if (file.empty()) return 0;  // a memory stream needs at least one byte

    Unseekable cookie{&file, 0};
    FILE* fp = (mode & 8) ? fopencookie(&cookie, "rb", {unseekable_read, nullptr, nullptr, nullptr})
                          : fmemopen(file.data(), file.size(), "rb");
    if (!fp) return 0;
    BmpHeader header;
    std::vector<uint8_t> palette;
    std::vector<uint8_t> pixels(presized, 0xAA);
    int header_read = 0;
    if (mode & 1) {
        if (read_bitmap_header(fp, header) < 0) {
            std::fclose(fp);
            return 0;
        }
        header_read = 1;
    }
    const int result = read_bitmap(fp, header, (mode & 2) ? nullptr : &palette, &pixels, header_read);
    std::fclose(fp);

    if (result == 0) {
        // A picture read whole fills the pixels the header promises.
        const uint64_t need = uint64_t{(header.bit_count + 7u) / 8u} * header.width * header.height;
        if (pixels.size() < need) std::abort();
        if (!(mode & 2) && header.bit_count <= 8 && palette.size() < (4u << header.bit_count))
            std::abort();
    }
    return 0;
}
