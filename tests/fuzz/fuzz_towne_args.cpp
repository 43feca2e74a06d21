// The town tools' command line on fuzzed argument vectors; nothing is
// loaded. The first byte picks the build (even: PC-98), the rest is cut into
// words at NUL bytes.
#include <cstdint>
#include <cstdlib>

#include "cli.h"
#include "fuzz_support.h"
#include "towne.h"
#include "towne_driver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vorn_fuzz::quiet_stdout();
    if (size == 0) return 0;
    const TowneVariant& variant = (data[0] & 1) ? kX68kTowne : kPc98Towne;
    vorn_fuzz::ArgumentVector args({data + 1, size - 1}, variant.tool_name);
    TowneSettings settings;
    towne_default_settings(settings, variant);
    const int status = parse_arguments(settings, args.argc(), args.argv());
    if (status != 0 && status != 1 && status != kCliVersionShown) std::abort();
    if (status == 0) {
        if (!settings.arvelon_disk || !settings.morvane_disk) std::abort();
        if (settings.shape_rows < 16 || settings.shape_rows > variant.max_shape_rows) std::abort();
        vorn_fuzz::check_view(settings.view, kTownTilesAcross);
    }
    return 0;
}
