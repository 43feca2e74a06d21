// The PC-98 and X68000 shape loaders on fuzzed pattern files inside
// well-formed images (made by the sample FAT12 writer).
//
// Input: one byte of mode, a 24-bit length and a 24-bit offset, then bytes
// laid over the sample pattern file from that offset.
//   bits 0-1: 0 fuzzes ocshape.pat, 1 swshape.pat (PC-98, the other file
//             from the sample data), 2 or 3 shape.pat (X68000)
//   bit 2: speckle shapes 68-71; bit 3: derive the mask
//   bit 4: the pattern file is stored under a lower-case name
//   bit 5: the file gets the given length (mod twice its size: shorter
//          files are read into zeroed buffers, longer ones are refused)
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fat12_writer.h"
#include "fuzz_support.h"
#include "sample_ports.h"
#include "shapes.h"

namespace {

using Bytes = std::vector<uint8_t>;

bool write_image(const std::string& path, const std::string& name, const Bytes& contents, uint32_t leading)
{
    const Bytes image = sample::fat12_image(sample::FloppyKind::k2HD1232K, {{name, contents}}, leading);
    return !image.empty() && vorn_fuzz::write_whole_file(path, image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ByteReader in{{data, size}};
    const uint8_t mode = in.u8();
    const uint32_t length = in.u8() | (in.u8() << 8) | (in.u8() << 16);
    const uint32_t offset = in.u8() | (in.u8() << 8) | (in.u8() << 16);
    const int which = mode & 3;
    static const Bytes samples[3] = {sample::pc98_ocshape_pat(), sample::pc98_swshape_pat(), sample::x68k_shape_pat()};
    Bytes contents = samples[which < 2 ? which : 2];
    if (mode & 32) contents.resize(length % (2 * contents.size()), 0x5A);
    const auto overlay = in.rest();
    for (size_t i = 0; i < overlay.size() && !contents.empty(); ++i)
        contents[(offset + i) % contents.size()] = overlay[i];

    const int speckle = (mode >> 2) & 1;
    const bool want_mask = (mode >> 3) & 1;
    std::string name = which == 0 ? "OCSHAPE.PAT" : which == 1 ? "SWSHAPE.PAT" : "SHAPE.PAT";
    if (mode & 16)
        for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);

    const uint32_t leading = which < 2 ? 4096 : 0;
    static const std::string fuzzed = vorn_fuzz::scratch_path("fuzzed.img");
    static const std::string other = vorn_fuzz::scratch_path("other.img");
    static int other_which = -1;
    if (!write_image(fuzzed, name, contents, leading)) return 0;  // a name the writer refuses

    ShapeSet shapes;
    ShapeMask mask;
    int result;
    if (which < 2) {
        if (other_which != which) {
            const bool ok = which == 0 ? write_image(other, "SWSHAPE.PAT", sample::pc98_swshape_pat(), leading)
                                       : write_image(other, "OCSHAPE.PAT", sample::pc98_ocshape_pat(), leading);
            if (!ok) std::abort();
            other_which = which;
        }
        const char* disk1 = which == 0 ? fuzzed.c_str() : other.c_str();
        const char* disk2 = which == 0 ? other.c_str() : fuzzed.c_str();
        result = load_pc98_shapes(disk1, disk2, leading, shapes, want_mask ? &mask : nullptr, speckle);
    } else {
        result = load_x68k_shapes(fuzzed.c_str(), leading, shapes, want_mask ? &mask : nullptr, speckle);
    }
    if (result == 0) {
        const size_t tile = which < 2 ? 32 : 36, count = which < 2 ? 368 : 352;
        const size_t sheet = (count + 15) / 16 * tile * 16 * tile;
        if (shapes.pixels.size() < sheet || shapes.palette.size() != 64) std::abort();
        if (want_mask && mask.pixels.size() < sheet) std::abort();
        for (const uint8_t p : shapes.pixels)
            if (p > 15) std::abort();
    }
    return 0;
}
