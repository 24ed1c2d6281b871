#include <chrono>
#include <exception>
#include <unordered_set>

#include "platform/message-queue.h"
#include "platform/worker-pool.h"
#include "search/engine-health.h"
#include "search/json-answer.h"
#include "search/link-extractor.h"
#include "search/search-job.h"

namespace velmora {

namespace {

constexpr std::size_t kMostWaitingLinks = 16384;
// More result URLs than a page of links could hold are not read from one
// answer.
constexpr std::size_t kMostAnswerLinks = 1 << 20;

void PostFinal(const SearchJob& job, std::uint32_t id, std::shared_ptr<EngineReport> report = {})
{
    Message message;
    message.id = id;
    message.value = report ? static_cast<std::uint64_t>(report->links) : 0;
    message.subject = job.engineItem;
    message.jobId = job.id;
    message.record = std::move(report);
    job.queue->Post(std::move(message));
}

long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}

// How one page of an engine went.
struct PageOutcome {
    bool stopped = false;
    bool fetched = false; // the answer arrived whole
    EngineReport report;
    int fresh = 0; // links (of a JSON answer: result URLs) no earlier page brought
};

// The URLs of a JSON answer through the same intake as a page's links.
void ReadJsonPage(const SearchJob& job, const std::string& answer, const FetchResult& fetched,
                  const LinkScanContext& context, PageOutcome& outcome)
{
    const ResultsPath path = ParseResultsPath(job.resultsPath).value_or(ResultsPath{});
    const JsonAnswer read = ReadJsonAnswer(answer, path, kMostAnswerLinks);
    // Each URL is judged once, whatever page brought it first.
    LinkScanContext once = context;
    once.seen = nullptr;
    int links = 0;
    int anchors = 0;
    for (const AnswerLink& link : read.links) {
        if (job.stop) {
            outcome.stopped = true;
            return;
        }
        ++anchors;
        if (context.seen && !context.seen->insert(link.url).second)
            continue;
        ++outcome.fresh;
        links += TakeAnswerLink(link.url, link.title, once);
    }
    outcome.report = DiagnoseAnswer(fetched, answer, read.error, links, anchors, job.keyed);
}

PageOutcome FetchPage(const SearchJob& job, const std::string& url, std::unordered_set<std::string>* seen)
{
    PageOutcome outcome;
    FetchOptions options = job.fetch;
    options.url = url;
    options.stop = &job.stop;
    std::string page;
    // A page that tells its size gets its room at once: a page of many MB
    // grown step by step holds two copies at the moment of each step.
    options.onProgress = [&page, most = options.maxBytes](std::uint64_t, std::uint64_t total) {
        if (total > page.capacity() && total <= most)
            page.reserve(static_cast<std::size_t>(total));
    };
    const FetchResult fetched = HttpFetch(options, [&page](std::string_view data) { AppendPageData(page, data); });
    if (fetched.status == FetchStatus::Stopped || job.stop) {
        outcome.stopped = true;
        return outcome;
    }
    if (fetched.status != FetchStatus::Ok) {
        outcome.report = DiagnoseFailure(fetched);
        return outcome;
    }
    outcome.fetched = true;
    // A page of a million links is scanned faster than the window takes
    // them in: the worker waits rather than the queue holding them all.
    LinkScanContext context{job.queue.get(), &job.stop, job.engineItem, job.id, nullptr, kMostWaitingLinks, true};
    context.seen = seen;
    context.hidden = job.hidden.empty() ? nullptr : &job.hidden;
    if (job.format == AnswerFormat::Json) {
        context.giveBackScanned = false; // the answer is read again for its diagnosis
        ReadJsonPage(job, page, fetched, context, outcome);
        return outcome;
    }
    const PageScan scan = ScanResultPage(page, context);
    outcome.stopped = scan.stopped;
    outcome.fresh = scan.httpLinks + scan.ftpLinks;
    outcome.report = DiagnosePage(fetched, page, scan.httpLinks + scan.ftpLinks, scan.anchors, job.keyed);
    return outcome;
}

bool IsRead(const EngineReport& report)
{
    return report.health == EngineHealth::Links || report.health == EngineHealth::NoFileLinks;
}

} // namespace

bool FetchResultPages(const SearchJob& job)
{
    const auto start = std::chrono::steady_clock::now();
    // Only an engine of several pages needs to know what it posted before.
    std::unordered_set<std::string> seen;
    std::unordered_set<std::string>* seenOnPages = job.pageUrls.size() > 1 ? &seen : nullptr;
    EngineReport total;
    bool fetched = false;
    for (std::size_t i = 0; i < job.pageUrls.size(); ++i) {
        PageOutcome page = FetchPage(job, job.pageUrls[i], seenOnPages);
        if (page.stopped)
            return true;
        fetched = fetched || page.fetched;
        total.pages += page.fetched ? 1 : 0;
        if (i == 0) {
            const int pages = total.pages;
            total = std::move(page.report);
            total.pages = pages;
        } else {
            AddLaterPage(total, page.report, static_cast<int>(i + 1), job.format == AnswerFormat::Json);
        }
        // An engine that ignores the page asked for gives the same links again.
        if (!IsRead(page.report) || page.fresh == 0)
            break;
    }
    total.pagesAsked = static_cast<int>(job.pageUrls.size());
    total.ms = MillisecondsSince(start);
    total.reason = HideKey(std::move(total.reason), job.hidden);
    PostFinal(job, fetched ? kMsgEngineDone : kMsgEngineFailed, std::make_shared<EngineReport>(std::move(total)));
    return false;
}

void SearchThreadProc(const std::shared_ptr<SearchJob>& job)
{
    bool stopped = false;
    try {
        stopped = FetchResultPages(*job);
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
    return WorkerPool::Shared().Run([job] { SearchThreadProc(job); });
}

} // namespace velmora
