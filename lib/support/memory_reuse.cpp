#include "memory_reuse.h"

#include <cstdlib>  // defines __GLIBC__ on the GNU C library

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void memory_keep_for_reuse()
{
#if defined(__GLIBC__)
    // Blocks up to 32 MiB (the largest threshold the library takes) come
    // from the heap, and up to 128 MiB free at its top stay there.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
}
