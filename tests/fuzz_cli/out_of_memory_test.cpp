// The world tools with too little memory for their picture: the allocation
// fails, the tool says so and ends with status 1, leaving no file. (Not in
// the sanitizer build: AddressSanitizer reserves more address space than any
// such limit allows.)
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

TEST(OutOfMemory, WorldToolsRefuseAPictureThatDoesNotFit)
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
    // Pictures of 16 MiB (IBM PC) to 81 MiB (X68000) against a limit that
    // leaves a few MiB above what the program itself takes.
    struct Case {
        std::string tool;
        unsigned limit_kib;
    };
    const Case cases[] = {{"vornpc_map", 14000}, {"vornpc98map", 40000}, {"vornx68kmap", 40000}, {"vorna2map", 40000}};
    const auto before = odd_files::entries(dir.path());
    for (const Case& c : cases) {
        const auto r = odd_files::run_with_memory_limit(c.tool, {}, dir.path(), c.limit_kib);
        EXPECT_EQ(r.out, "error: memory exhausted!\n") << c.tool;
        EXPECT_EQ(r.status, 1) << c.tool;
        EXPECT_EQ(odd_files::entries(dir.path()), before) << c.tool;
    }
}

}  // namespace
