// The PC-98 and X68000 world tools' command line on fuzzed argument vectors;
// nothing is loaded. The first byte picks the port (even: PC-98), the rest
// is cut into words at NUL bytes.
#include <cstdint>
#include <cstdlib>

#include "cli.h"
#include "fuzz_support.h"
#include "map98.h"
#include "worldmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    if (size == 0) return 0;
    const Map98Port& port = (data[0] & 1) ? kX68kMapPort : kPc98MapPort;
    vorn_fuzz::ArgumentVector args({data + 1, size - 1}, port.tool_name);
    Map98Settings settings;
    map98_settings_init(settings, port);
    const int status = map98_parse_arguments(settings, args.argc(), args.argv());
    if (status != 0 && status != 1 && status != kCliVersionShown) std::abort();
    if (status == 0) {
        if (!settings.arvelon_disk || !settings.morvane_disk || !settings.output) std::abort();
        vorn_fuzz::check_view(settings.view, kWorldTiles);
        if (settings.shape_rows < static_cast<int32_t>(kMap98MinShapeRows) ||
            settings.shape_rows > port.max_shape_rows)
            std::abort();
        // -m alone turns the sheets on without a shape sheet: the run
        // refuses that later ("shape bitmap is not specified").
    }
    return 0;
}
