#include "core/FreedMemory.h"

#include <QThreadPool>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void ReturnLargeBlocksAtOnce()
{
#ifdef __GLIBC__
    // Fixed values also end the raising of both thresholds.
    ::mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    ::mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
#endif
}

void ReturnFreedMemory()
{
#ifdef __GLIBC__
    ::malloc_trim(0);
#endif
}

void ReturnFreedMemoryInBackground()
{
    QThreadPool::globalInstance()->start([] { ReturnFreedMemory(); });
}
