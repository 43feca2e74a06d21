// vorna2map's command line on fuzzed argument vectors (words cut at NUL
// bytes); nothing is loaded.
#include <cstdint>
#include <cstdlib>

#include "a2map.h"
#include "cli.h"
#include "fuzz_support.h"
#include "worldmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ArgumentVector args({data, size}, kA2ToolName);
    A2MapSettings settings;
    const int status = a2map_parse_arguments(settings, args.argc(), args.argv());
    if (status != 0 && status != 1 && status != kCliVersionShown) std::abort();
    if (status == 0) {
        if (!settings.program_disk || !settings.morvane_disk || !settings.output) std::abort();
        if (settings.sector_order != 1 && settings.sector_order != 2) std::abort();
        vorn_fuzz::check_view(settings.view, kWorldTiles);
        if (settings.blur < 0 || settings.blur > kA2MaxBlur) std::abort();
        if (settings.use_sheet && !settings.shape_sheet) std::abort();
    }
    return 0;
}
