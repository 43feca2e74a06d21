// vorna2map: draws the world map of the Apple II disks into one BMP file.
#include "a2map.h"

int main(int argc, char** argv)
{
    A2Settings settings;
    if (const int status = a2_parse_arguments(settings, argc, argv); status != 0) return status;
    return a2_run(settings);
}
