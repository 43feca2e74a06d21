// vorna2map: draws the world map of the Apple II disks into one BMP file.
#include "a2map.h"
#include "cli.h"
#include "memory_reuse.h"

int main(int argc, char** argv)
{
    memory_keep_for_reuse();
    A2MapSettings settings;
    if (const int status = a2map_parse_arguments(settings, argc, argv); status != 0) return cli_exit_status(status);
    return a2map_run(settings);
}
