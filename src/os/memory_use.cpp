#include "memory_use.h"

#include <malloc.h>

namespace ferrowax {

void returnLargeBlocksWhenFreed()
{
#ifdef __GLIBC__
    // Setting the threshold also stops the C library from raising it after
    // each large block freed.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
}

} // namespace ferrowax
