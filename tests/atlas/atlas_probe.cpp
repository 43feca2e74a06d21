// atlas_probe DIR OVERWRITE: what a tool's --atlas run does around its layer,
// atlas_open and then atlas_page_write; status 0 when both went through.
#include <cstdlib>

#include "atlas.h"

int main(int argc, char** argv)
{
    return argc == 3 && atlas_open(argv[1], std::atoi(argv[2])) == 0 && atlas_page_write(argv[1]) == 0 ? 0 : 1;
}
