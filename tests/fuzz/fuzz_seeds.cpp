// Writes the seed corpora of the fuzz targets, made from the synthetic
// sample data and the suite's own BMP writer:
//   vorn_fuzz_seeds DIR      one directory per target under DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bitmap.h"
#include "fuzz_a2_images.h"
#include "fuzz_images.h"
#include "sample_world.h"
#include "sample_a2.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

bool save(const fs::path& path, const Bytes& bytes)
{
    FILE* fp = std::fopen(path.string().c_str(), "wb");
    if (!fp) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    return std::fclose(fp) == 0 && ok;
}

// A BMP file of a picture drawn from the sample tiles, written by the suite's
// writer through a temporary stream.
Bytes bmp_file(uint32_t width, uint32_t height, uint32_t bits, uint32_t tile)
{
    const uint32_t bytes_per_pixel = (bits + 7) / 8;
    Bytes pixels(size_t{width} * height * bytes_per_pixel);
    Bytes palette;
    if (bits <= 8)
        for (uint32_t i = 0; i < (1u << bits); ++i)
            palette.insert(palette.end(), {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 91),
                                           static_cast<uint8_t>(i * 13), 0});
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t n = (y / tile) * 16 + x / tile;
            const uint8_t c = sample::tile_pixel(n % 256, x % tile, y % tile, tile, tile);
            for (uint32_t b = 0; b < bytes_per_pixel; ++b)
                pixels[(size_t{y} * width + x) * bytes_per_pixel + b] =
                    bits == 1 ? c & 1 : bits == 4 ? c : static_cast<uint8_t>(c * 16 + b);
        }
    BmpHeader header;
    if (create_bitmap_header(header, width, height, static_cast<uint16_t>(bits)) < 0) return {};
    FILE* fp = std::tmpfile();
    if (!fp) return {};
    Bytes out;
    if (write_bitmap(fp, header, palette, pixels) == 0) {
        out.resize(static_cast<size_t>(std::ftell(fp)));
        std::rewind(fp);
        if (std::fread(out.data(), 1, out.size(), fp) != out.size()) out.clear();
    }
    std::fclose(fp);
    return out;
}

Bytes concat(Bytes prefix, const Bytes& rest)
{
    prefix.insert(prefix.end(), rest.begin(), rest.end());
    return prefix;
}

Bytes words(const std::vector<std::string>& list)
{
    Bytes out;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i) out.push_back(0);
        out.insert(out.end(), list[i].begin(), list[i].end());
    }
    return out;
}

struct Writer {
    fs::path root;
    bool ok = true;
    void put(const std::string& target, const std::string& name, const Bytes& bytes)
    {
        std::error_code ec;
        fs::create_directories(root / target, ec);
        if (bytes.empty() || !save(root / target / name, bytes)) {
            std::printf("cannot write seed '%s/%s'\n", target.c_str(), name.c_str());
            ok = false;
        }
    }
};

void bmp_seeds(Writer& w)
{
    int k = 0;
    for (uint32_t bits : {1u, 4u, 8u, 16u, 24u, 32u}) {
        const Bytes small = bmp_file(5, 3, bits, 2);
        for (uint8_t mode : {0, 1, 2, 3, 8, 9, 10}) w.put("fuzz_bmp_read", "bmp" + std::to_string(k++), concat({mode}, small));
        w.put("fuzz_bmp_read", "bmp" + std::to_string(k++), concat({4, 15, 0}, small));
        // Shape sheets of 16 x 16 tiles of 2 x 2 pixels, and a sheet of
        // 16 x 2 tiles of 3 x 4 pixels.
        w.put("fuzz_bmp_sheet", "sheet16x16_" + std::to_string(bits), concat({15, 15, 1, 1}, bmp_file(32, 32, bits, 2)));
        w.put("fuzz_bmp_sheet", "sheet16x2_" + std::to_string(bits), concat({15, 1, 2, 3}, bmp_file(48, 8, bits, 3)));
    }
}

void image_seeds(Writer& w)
{
    int k = 0;
    for (uint8_t kind = 0; kind < 3; ++kind) {
        const auto floppy = static_cast<sample::FloppyKind>(kind);
        const std::vector<uint8_t>& base = vorn_fuzz::base_image(floppy);
        const Bytes meta(base.begin(), base.begin() + vorn_fuzz::metadata_bytes(floppy));
        for (uint8_t flags : {0, 4, 8, 12}) w.put("fuzz_fat12", "image" + std::to_string(k++), concat({uint8_t(kind | flags)}, meta));
    }
    // Containers of every form, geometry and leading bytes: whole, cut short
    // (to 1,000,000 bytes) and with a byte of their header changed.
    k = 0;
    for (int form = 0; form < 6; ++form)
        for (int kind = 0; kind < 3; ++kind)
            for (const int lead : {0, 0x80}) {
                if (form == 4 && kind != 0) continue;
                uint8_t mode = 0;
                while (mode % 6 != form || mode / 6 % 3 != kind || (mode & 0x80) != lead) ++mode;
                w.put("fuzz_containers", "container" + std::to_string(k++), {mode, 0, 0, 0});
                w.put("fuzz_containers", "container" + std::to_string(k++), {mode, 0x40, 0x42, 0x0F});
                w.put("fuzz_containers", "container" + std::to_string(k++), {mode, 0, 0, 0, 0x1C, 0, 0, 1, 0xFF});
            }
    k = 0;
    for (uint8_t mode : {0x0C, 0x0D, 0x0E, 0x00, 0x15, 0x02, 0x2C, 0x2D, 0x2E}) {
        // Long files for the modes with bit 5, a few bytes laid over shape 1.
        const Bytes fields = {mode, 0xFF, 0xFF, 0x03, 0x80, 0x02, 0x00};
        w.put("fuzz_port_shapes", "shapes" + std::to_string(k++), concat(fields, {0xF0, 0x0F, 0xAA, 0x55}));
    }
}

void argument_seeds(Writer& w, const std::string& target, const std::vector<std::vector<std::string>>& lines)
{
    int k = 0;
    for (const auto& line : lines) w.put(target, "args" + std::to_string(k++), words(line));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::puts("usage: vorn_fuzz_seeds DIR");
        return 2;
    }
    Writer w{argv[1]};
    bmp_seeds(w);
    image_seeds(w);
    argument_seeds(w, "fuzz_pcmap_args",
                   {{"--cga", "-g", "-p", "3", "-b", "DATA"},
                    {"-s", "sheet.bmp", "-o", "out.bmp", "--overwrite", "--ega"},
                    {"--phase", "0x8", "--gates", "--baloon", "--shape", "x", "--output", "y"},
                    {"-?"},
                    {"--help"},
                    {"-p", "9"},
                    {"-g", "--version"},
                    {"--export-shapes", "s.bmp", "--export-mask", "m.bmp"},
                    {"a", "b"}});
    // The first byte of the two-port targets picks the port (odd: X68000).
    const std::vector<std::vector<std::string>> map98 = {
        {"-d1", "a.fdi", "-d2", "b.fdi", "-r", "18", "-g", "-p", "2", "-b"},
        {"--disk1", "a", "--disk2", "b", "--shape-rows", "0x10", "-s", "s.bmp", "-m", "m.bmp", "-o", "o.bmp"},
        {"-M", "-n", "--overwrite", "--arvelon-disk", "x", "--morvane-disk", "y", "--no-mask", "--no-shores"},
        {"-r", "23"}, {"-r", "24"}, {"--help"}, {"-p", "-1"}, {"word"}, {"word", "--version"},
        {"--export-shapes", "s.bmp", "--export-mask", "m.bmp", "-M"}, {"-s", "s.bmp", "--export-mask"}};
    for (const uint8_t port : {0, 1}) {
        int k = port * 100;
        for (const auto& line : map98) {
            w.put("fuzz_map98_args", "args" + std::to_string(k), concat({port}, words(line)));
            w.put("fuzz_towne_args", "args" + std::to_string(k++), concat({port}, words(line)));
        }
        w.put("fuzz_towne_args", "npcs" + std::to_string(port), concat({port}, words({"-n", "--no-npcs", "-M"})));
    }
    argument_seeds(w, "fuzz_a2map_args",
                   {{"-d1", "p.dsk", "-d2", "m.dsk", "--po", "-B", "-B", "-g", "-b"},
                    {"--program-disk", "p", "--morvane-disk", "m", "--do", "--blur", "-s", "s.bmp", "-o", "o.bmp"},
                    {"-p", "8", "--phase", "1", "--overwrite", "-B", "-B", "-B"},
                    {"-?"},
                    {"--version", "-?"},
                    {"--export-shapes", "-s", "--export-mask", "m.bmp"},
                    {"stray", "words"}});
    // Town files: whole, without either file, cut short and with a few bytes
    // laid over the people of the first town (offset 17,408).
    int k = 0;
    for (const uint8_t mode : {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x14}) {
        w.put("fuzz_towne_data", "towns" + std::to_string(k++), {mode, 0, 0, 0, 0, 0x00, 0x44, 3, 40, 40, 0xFF});
    }
    w.put("fuzz_towne_data", "towns" + std::to_string(k++), {0x30, 0x00, 0x10, 0x00, 0x08, 0x00, 0x44, 9});
    // The program disk from track 17 on (volume table, catalog, lists) and
    // the first 40 sectors from the start, in each image size.
    const Bytes disk = sample::a2_program_disk(false);
    for (uint8_t mode = 0; mode < 16; ++mode) {
        const size_t from = (mode & 8) ? 0 : 17 * 4096;
        w.put("fuzz_dos33", "disk" + std::to_string(mode),
              concat({mode}, Bytes(disk.begin() + from, disk.begin() + from + 2 * 4096 + 256)));
    }
    // Each Apple II container of either disk with its own bytes laid back
    // over its header, its chunk and track tables and the catalog track,
    // through the file readers or not, whole or cut there; over its header
    // and tables alone; and the first bytes of each as a file of their own.
    k = 0;
    for (uint8_t kind = 1; kind <= vorn_fuzz::kA2ContainerKinds; ++kind) {
        for (const bool map_disk : {false, true}) {
            const Bytes& file = vorn_fuzz::a2_container_base(kind, map_disk);
            for (const size_t at : {size_t{0}, size_t{80}, size_t{256}, vorn_fuzz::a2_container_catalog_offset(kind)}) {
                for (const uint8_t flags : {0x00, 0x80, 0x20, 0x68}) {
                    const uint8_t mode = static_cast<uint8_t>(kind | flags | (map_disk ? 0x10 : 0));
                    const Bytes head = {mode, static_cast<uint8_t>(at / 4), static_cast<uint8_t>(at / 4 >> 8)};
                    w.put("fuzz_a2_containers", "container" + std::to_string(k++),
                          concat(head, Bytes(file.begin() + at, file.begin() + at + 1024)));
                }
            }
            // The headers and tables alone, so that mutations stay there.
            w.put("fuzz_a2_containers", "container" + std::to_string(k++),
                  concat({static_cast<uint8_t>(kind | (map_disk ? 0x90 : 0)), 0, 0},
                         Bytes(file.begin(), file.begin() + 320)));
            if (!map_disk)
                w.put("fuzz_a2_containers", "container" + std::to_string(k++),
                      concat({0x20, 0, 0}, Bytes(file.begin(), file.begin() + 7000)));
        }
    }
    return w.ok ? 0 : 1;
}
