// Loses one heap block on purpose and exits with status 0: a leak checker
// that watches the tools must turn this run into a failure.
#include <cstdio>
#include <cstdlib>

namespace {
void* volatile g_block;
}

int main()
{
    g_block = std::malloc(64);
    g_block = nullptr;
    std::puts("leaked");
    return 0;
}
