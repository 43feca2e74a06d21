#include "port_tools.h"

#include "sample_ports.h"
#include "tool_run.h"

namespace port_tools {

const PortTool kWorldTools[2] = {
    {"vornpc98map", "VORN_Arvelon.fdi", "VORN_Morvane.fdi", true, 23},
    {"vornx68kmap", "vorn-arvelon.xdf", "vorn-morvane.xdf", false, 22},
};

const PortTool kTownTools[2] = {
    {"vornpc98towne", "VORN_Arvelon.fdi", "VORN_Morvane.fdi", true, 23},
    {"vornx68ktowne", "vorn-arvelon.xdf", "vorn-morvane.xdf", false, 22},
};

void write_images(const PortTool& tool, const std::filesystem::path& dir)
{
    if (tool.pc98) {
        vorn_test::write_file(dir / tool.arvelon, sample::pc98_arvelon_fdi());
        vorn_test::write_file(dir / tool.morvane, sample::pc98_morvane_fdi());
    } else {
        vorn_test::write_file(dir / tool.arvelon, sample::x68k_arvelon_xdf());
        vorn_test::write_file(dir / tool.morvane, sample::x68k_morvane_xdf());
    }
}

}  // namespace port_tools
