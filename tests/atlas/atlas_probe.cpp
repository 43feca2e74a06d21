// Runs what a tool's --atlas run does around its layer, for the tests that
// need a process of their own (the question reads standard input):
//   atlas_probe DIR OVERWRITE
//       atlas_open, then atlas_page_write; exit status 0 when both went
//       through, else 1
#include <cstdlib>

#include "atlas.h"

int main(int argc, char** argv)
{
    if (argc != 3) return 2;
    if (atlas_open(argv[1], std::atoi(argv[2])) < 0) return 1;
    return atlas_page_write(argv[1]) < 0 ? 1 : 0;
}
