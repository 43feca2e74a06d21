// vornpc_map: draws the world map of the IBM PC game files into a BMP file.
#include "cli.h"
#include "memory_reuse.h"
#include "pcmap.h"

int main(int argc, char** argv)
{
    memory_keep_for_reuse();
    PcMapSettings settings;
    if (const int status = pcmap_parse_arguments(settings, argc, argv); status != 0) return cli_exit_status(status);
    return pcmap_run(settings);
}
