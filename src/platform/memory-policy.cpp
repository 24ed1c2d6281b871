#include "platform/memory-policy.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

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

void GiveBackPages(const char* begin, std::size_t length)
{
    static const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto start = (reinterpret_cast<std::uintptr_t>(begin) + page - 1) / page * page;
    const auto end = (reinterpret_cast<std::uintptr_t>(begin) + length) / page * page;
    if (end > start)
        ::madvise(reinterpret_cast<void*>(start), end - start, MADV_DONTNEED);
}

} // namespace velmora
