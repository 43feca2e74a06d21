// Writes synthetic game data for one port into a directory:
//   vorn_sample pc DIR     SHAPES.EGA, SHAPES.CGA, WORLD.MAP
//   vorn_sample pc98 DIR   VORN_Arvelon.fdi (ocshape.pat), VORN_Morvane.fdi
//                          (swshape.pat, MAP.BIN, TOWNE.BIN, PEOPLE.BIN)
//   vorn_sample x68k DIR   vorn-arvelon.xdf (shape.pat), vorn-morvane.xdf
//                          (MAP.BIN, TOWNE.BIN, PEOPLE.BIN)
//   vorn_sample a2 DIR     VORNboot.dsk, vornmorvane.dsk (DOS 3.3 order), .po (ProDOS order),
//                          and as .2mg, -prodos.2mg, .nib, .woz (WOZ 2), -woz1.woz
// The floppy disks of pc98 and x68k in another container form, under the
// same names with the form's extension:
//   vorn_sample pc98|x68k DIR FORM     FORM: fdi, xdf, hdm, d88, nfd, r1.nfd, dim
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "sample_a2.h"
#include "sample_a2_containers.h"
#include "sample_containers.h"
#include "sample_ports.h"

namespace {

bool save(const std::filesystem::path& path, const std::vector<uint8_t>& bytes)
{
    FILE* fp = std::fopen(path.string().c_str(), "wb");
    if (!fp) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), fp) == bytes.size();
    return std::fclose(fp) == 0 && ok;
}

int usage()
{
    std::puts("usage: vorn_sample PORT DIR   (PORT: pc, pc98, x68k, a2)");
    std::puts("       vorn_sample pc98|x68k DIR FORM   (FORM: fdi, xdf, hdm, d88, nfd, r1.nfd, dim)");
    return 2;
}

// Both disks of a floppy port in a container form.
bool save_in_form(const std::filesystem::path& dir, const std::string& port, sample::DiskForm form)
{
    const bool pc98 = port == "pc98";
    const std::string ext = "." + sample::form_extension(form);
    const auto kind = sample::FloppyKind::k2HD1232K;
    return save(dir / ((pc98 ? "VORN_Arvelon" : "vorn-arvelon") + ext),
                sample::disk_in_form(kind, pc98 ? sample::pc98_arvelon_disk() : sample::x68k_arvelon_xdf(), form)) &&
           save(dir / ((pc98 ? "VORN_Morvane" : "vorn-morvane") + ext),
                sample::disk_in_form(kind, pc98 ? sample::pc98_morvane_disk() : sample::x68k_morvane_xdf(), form));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) return usage();
    const std::string port = argv[1];
    const std::filesystem::path dir = argv[2];
    sample::DiskForm form = sample::DiskForm::kFdi;
    if (argc == 4 && ((port != "pc98" && port != "x68k") || !sample::form_of_extension(argv[3], &form))) return usage();
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    bool ok = true;
    if (argc == 4) {
        ok = save_in_form(dir, port, form);
    } else if (port == "pc") {
        ok = save(dir / "SHAPES.EGA", sample::pc_shapes_ega()) && save(dir / "SHAPES.CGA", sample::pc_shapes_cga()) &&
             save(dir / "WORLD.MAP", sample::pc_world_map());
    } else if (port == "pc98") {
        ok = save(dir / "VORN_Arvelon.fdi", sample::pc98_arvelon_fdi()) &&
             save(dir / "VORN_Morvane.fdi", sample::pc98_morvane_fdi());
    } else if (port == "x68k") {
        ok = save(dir / "vorn-arvelon.xdf", sample::x68k_arvelon_xdf()) &&
             save(dir / "vorn-morvane.xdf", sample::x68k_morvane_xdf());
    } else if (port == "a2") {
        ok = save(dir / "VORNboot.dsk", sample::a2_program_disk(false)) &&
             save(dir / "vornmorvane.dsk", sample::a2_morvane_disk(false)) &&
             save(dir / "VORNboot.po", sample::a2_program_disk(true)) &&
             save(dir / "vornmorvane.po", sample::a2_morvane_disk(true));
        for (const auto& image : sample::a2_container_samples()) ok = ok && save(dir / image.name, image.bytes);
    } else {
        return usage();
    }
    if (!ok) {
        std::printf("cannot write the sample data into '%s'\n", dir.string().c_str());
        return 1;
    }
    return 0;
}
