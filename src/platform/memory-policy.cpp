#include "platform/memory-policy.h"

#include <malloc.h>

#include <mutex>

namespace velmora {

void KeepLargeBlocksReturnable()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // A fixed threshold: glibc otherwise raises it to the largest block
        // freed so far, and every page after the first stays resident.
        mallopt(M_MMAP_THRESHOLD, 256 * 1024);
        // Freed memory at a heap's top goes back above this much.
        mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
    });
}

} // namespace velmora
