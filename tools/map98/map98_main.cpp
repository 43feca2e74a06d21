// vornpc98map and vornx68kmap: draw the world map of the PC-98 or X68000
// disk images into one BMP file. Built once per port; VORN_MAP98_X68K picks
// the X68000 defaults and shape loader.
#include "cli.h"
#include "memory_reuse.h"
#include "map98.h"

int main(int argc, char** argv)
{
    memory_keep_for_reuse();
#if defined(VORN_MAP98_X68K)
    const Map98Port& port = kX68kMapPort;
#else
    const Map98Port& port = kPc98MapPort;
#endif
    Map98Settings settings;
    map98_settings_init(settings, port);
    if (const int status = map98_parse_arguments(settings, argc, argv); status != 0)
        return cli_exit_status(status);
    return map98_run(settings);
}
