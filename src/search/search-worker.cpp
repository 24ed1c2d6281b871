#include <chrono>
#include <exception>
#include <system_error>
#include <thread>

#include "platform/message-queue.h"
#include "search/engine-health.h"
#include "search/link-extractor.h"
#include "search/search-job.h"

namespace velmora {

namespace {

constexpr std::size_t kMostWaitingLinks = 16384;

void PostFinal(const SearchJob& job, std::uint32_t id, std::shared_ptr<EngineReport> report = {})
{
    Message message;
    message.id = id;
    message.wParam = report ? static_cast<std::uint64_t>(report->links) : 0;
    message.lParam = job.engineItem;
    message.jobId = job.id;
    message.record = std::move(report);
    job.queue->Post(std::move(message));
}

long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

} // namespace

bool FetchResultPage(const SearchJob& job)
{
    const auto start = std::chrono::steady_clock::now();
    FetchOptions options = job.fetch;
    options.url = job.url;
    options.stop = &job.stop;
    std::string page;
    // A page that tells its size gets its room at once: a page of many MB
    // grown step by step holds two copies at the moment of each step.
    options.onProgress = [&page, most = options.maxBytes](std::uint64_t, std::uint64_t total) {
        if (total > page.capacity() && total <= most)
            page.reserve(static_cast<std::size_t>(total));
    };
    const FetchResult fetched = HttpFetch(options, [&page](std::string_view data) { AppendPageData(page, data); });
    if (fetched.status == FetchStatus::Stopped || job.stop)
        return true;
    if (fetched.status != FetchStatus::Ok) {
        auto report = std::make_shared<EngineReport>(DiagnoseFailure(fetched));
        report->ms = MillisecondsSince(start);
        PostFinal(job, kMsgEngineFailed, std::move(report));
        return false;
    }
    // A page of a million links is scanned faster than the window takes
    // them in: the worker waits rather than the queue holding them all.
    const LinkScanContext context{job.queue.get(), &job.stop, job.engineItem, job.id, nullptr, kMostWaitingLinks, true};
    const PageScan scan = ScanResultPage(page, context);
    if (scan.stopped)
        return true;
    auto report =
        std::make_shared<EngineReport>(DiagnosePage(fetched, page, scan.httpLinks + scan.ftpLinks, scan.anchors));
    report->ms = MillisecondsSince(start);
    PostFinal(job, kMsgEngineDone, std::move(report));
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
        if (!stopped) {
            auto report = std::make_shared<EngineReport>();
            report->reason = "The page could not be read (out of memory).";
            PostFinal(*job, kMsgEngineFailed, std::move(report));
        }
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
