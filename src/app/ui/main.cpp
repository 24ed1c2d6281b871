#include <cstdio>
#include <cstdlib>

#include "app/ui/search-app.h"
#include "platform/worker-pool.h"

int main(int argc, char** argv)
{
    int result = 0;
    {
        velmora::SearchApp app(argc, argv);
        result = app.InitInstance();
    }
    // The window's jobs were stopped as it closed: they end within the
    // deadline, an update answer being written is finished; one still
    // blocked on the network after it is not waited for.
    velmora::WorkerPool::Shared().WaitForJobs(velmora::kJobsEndDeadline);
    std::fflush(stdout);
    std::_Exit(result);
}
