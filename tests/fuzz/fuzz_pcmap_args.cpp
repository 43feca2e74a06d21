// vornpc_map's command line on fuzzed argument vectors (words split at NUL
// bytes); nothing is loaded.
#include <cstdint>
#include <cstdlib>

#include "cli.h"
#include "fuzz_support.h"
#include "pcmap.h"
#include "worldmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    vorn_fuzz::ArgumentVector args({data, size}, "vornpc_map");
    PcMapSettings settings;
    const int status = pcmap_parse_arguments(settings, args.argc(), args.argv());
    if (status != 0 && status != 1 && status != kCliVersionShown) std::abort();
    if (status == 0) {
        if (settings.use_sheet && !settings.shape_sheet) std::abort();
        if (!settings.output) std::abort();
        vorn_fuzz::check_view(settings.view, kWorldTiles);
    }
    return 0;
}
