// The world tools with less memory than their picture takes: the picture is
// composed a band at a time as it is written, so it is written whole all the
// same. (Not in the sanitizer build: AddressSanitizer reserves more address
// space than any such limit allows.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "leak_check.h"
#include "odd_files.h"
#include "sample_a2.h"
#include "sample_ports.h"
#include "tool_run.h"

namespace fs = std::filesystem;
using vorn_test::write_file;

namespace {

TEST(OutOfMemory, WorldToolsWritePicturesLargerThanTheirMemory)
{
    if (leak_check::sanitized()) GTEST_SKIP() << "address space limits do not work under AddressSanitizer";
    if (const char* why = odd_files::posix_only_reason()) GTEST_SKIP() << why;
    vorn_test::TempDir dir;
    write_file(dir / "SHAPES.EGA", sample::pc_shapes_ega());
    write_file(dir / "WORLD.MAP", sample::pc_world_map());
    write_file(dir / "VORN_Arvelon.fdi", sample::pc98_arvelon_fdi());
    write_file(dir / "VORN_Morvane.fdi", sample::pc98_morvane_fdi());
    write_file(dir / "vorn-arvelon.xdf", sample::x68k_arvelon_xdf());
    write_file(dir / "vorn-morvane.xdf", sample::x68k_morvane_xdf());
    write_file(dir / "VORNboot.dsk", sample::a2_program_disk(false));
    write_file(dir / "vornmorvane.dsk", sample::a2_morvane_disk(false));
    // Pictures of 16 MiB (IBM PC) to 81 MiB (X68000) at one byte per pixel,
    // and BMP files of 8 to 41 MiB, against limits on the whole address space.
    struct Case {
        std::string tool;
        unsigned limit_kib;
        uintmax_t file_bytes;
    };
    const Case cases[] = {{"vornpc_map", 14000, 8388726},
                          {"vornpc98map", 30000, 33554550},
                          {"vornx68kmap", 30000, 42467446},
                          {"vorna2map", 30000, 29360246}};
    for (const Case& c : cases) {
        const auto r = odd_files::run_with_memory_limit(c.tool, {}, dir.path(), c.limit_kib);
        EXPECT_EQ(r.out, "") << c.tool;
        EXPECT_EQ(r.status, 0) << c.tool;
        EXPECT_EQ(fs::file_size(dir / "vorn.Morvane.bmp"), c.file_bytes) << c.tool;
        fs::remove(dir / "vorn.Morvane.bmp");
    }
}

}  // namespace
