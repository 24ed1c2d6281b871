#include "platform/thread-priority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace velmora {

void YieldToOtherThreads()
{
    // On Linux a priority belongs to a thread, named by its id. Failing is
    // harmless: the work is only done sooner.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), 10);
}

} // namespace velmora
