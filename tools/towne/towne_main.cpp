// vornpc98towne / vornx68ktowne: draws the 17 town and castle maps of the
// game, with their people, into BMP files. One source, built once per port;
// VORN_TOWNE_X68K selects the X68000 build.
#include <cstdio>
#include <new>

#include "cli.h"
#include "memory_reuse.h"
#include "towne_driver.h"

#ifdef VORN_TOWNE_X68K
static constexpr const TowneVariant& kVariant = kX68kTowne;
#else
static constexpr const TowneVariant& kVariant = kPc98Towne;
#endif

int main(int argc, char** argv)
{
    memory_keep_for_reuse();
    TowneSettings settings;
    towne_default_settings(settings, kVariant);
    if (const int status = parse_arguments(settings, argc, argv); status != 0) return cli_exit_status(status);
    try {
        return towne_run(settings);
    } catch (const std::bad_alloc&) {
        std::puts("error: memory exhausted!");
        return kTowneExitFailure;
    }
}
