#include <exception>
#include <system_error>
#include <thread>

#include "platform/message-queue.h"
#include "search/link-extractor.h"
#include "search/search-job.h"

namespace velmora {

namespace {

void PostFinal(const SearchJob& job, std::uint32_t id, std::uint64_t links = 0)
{
    Message message;
    message.id = id;
    message.wParam = links;
    message.lParam = job.engineItem;
    message.jobId = job.id;
    job.queue->Post(std::move(message));
}

} // namespace

bool FetchResultPage(const SearchJob& job)
{
    FetchOptions options = job.fetch;
    options.url = job.url;
    options.stop = &job.stop;
    std::string page;
    const FetchResult fetched = HttpFetch(options, [&page](std::string_view data) { AppendPageData(page, data); });
    if (fetched.status == FetchStatus::Stopped || job.stop)
        return true;
    if (fetched.status != FetchStatus::Ok) {
        PostFinal(job, kMsgEngineFailed);
        return false;
    }
    const LinkScanContext context{job.queue.get(), &job.stop, job.engineItem, job.id};
    const PageScan scan = ScanResultPage(page, context);
    if (scan.stopped)
        return true;
    PostFinal(job, kMsgEngineDone, static_cast<std::uint64_t>(scan.httpLinks + scan.ftpLinks));
    return false;
}

void SearchThreadProc(const std::shared_ptr<SearchJob>& job)
{
    bool stopped = false;
    try {
        stopped = FetchResultPage(*job);
    } catch (const std::exception&) {
        // Out of memory or the like: the engine failed, the search goes on.
        stopped = job->stop;
        if (!stopped)
            PostFinal(*job, kMsgEngineFailed);
    }
    if (stopped)
        PostFinal(*job, kMsgEngineStopped);
}

bool StartSearchWorker(const std::shared_ptr<SearchJob>& job)
{
    try {
        std::thread(SearchThreadProc, job).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

} // namespace velmora
