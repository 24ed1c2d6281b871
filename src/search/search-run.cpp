#include "search/search-run.h"

#include <utility>

#include "platform/message-queue.h"
#include <ctime>

#include "search/engine-health.h"
#include "search/engine-hold.h"
#include "search/engine-list.h"
#include "search/search-job.h"

namespace velmora {

SearchRun::SearchRun(EngineList& engines, ThreadBudget& budget, std::shared_ptr<MessageQueue> queue)
    : m_engines(engines), m_queue(std::move(queue)), m_jobs(budget)
{
}

// Running workers keep their jobs and the queue alive on their own.
SearchRun::~SearchRun() = default;

void SearchRun::Start(std::string queryWords)
{
    m_queryWords = std::move(queryWords);
    m_running = true;
    m_started = true;
    m_nextItem = 0;
    m_answered = 0;
    m_firstJobOfSearch = m_jobs.GetNextId();
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i)
        SetEngineState(i, kStateIdle);
    DispatchSearchJobs();
}

void SearchRun::Stop()
{
    m_nextItem = static_cast<int>(m_engines.GetCount());
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i) {
        EngineItem& item = *m_engines.GetEngineItem(i);
        if (item.job) {
            item.job->stop = true;
            SetEngineState(i, kStateIdle);
        }
    }
    m_jobs.DropAll();
    m_running = false;
    Listener().RunThreadsChanged();
}

void SearchRun::DispatchSearchJobs()
{
    if (!m_running)
        return;
    while (m_jobs.HasRoom() && static_cast<std::size_t>(m_nextItem) < m_engines.GetCount()) {
        const auto index = static_cast<std::size_t>(m_nextItem++);
        if (m_engines.GetEngineItem(index)->checked)
            StartEngine(index);
    }
    if (static_cast<std::size_t>(m_nextItem) >= m_engines.GetCount() && m_jobs.IsEmpty()) {
        m_running = false;
        Listener().SearchEnded();
    }
}

bool SearchRun::SkipEngineOnHold(std::size_t index)
{
    const EngineItem& item = *m_engines.GetEngineItem(index);
    const EngineHold hold = ReadHold(m_engines.GetSettingsPath(), item.name);
    if (hold.until <= std::time(nullptr))
        return false;
    EngineReport report;
    report.health = EngineHealth::OnHold;
    report.reason = "The engine asked to slow down: " + DescribeHold(hold.until) + ".";
    SetEngineState(index, kStateFailure);
    ++m_answered;
    Listener().EngineReported(item.name, kStateFailure, report);
    return true;
}

int SearchRun::GetExpected() const
{
    int waiting = 0;
    for (std::size_t i = static_cast<std::size_t>(m_nextItem); m_running && i < m_engines.GetCount(); ++i)
        waiting += m_engines.GetEngineItem(i)->checked ? 1 : 0;
    return m_answered + m_jobs.GetCount() + waiting;
}

void SearchRun::UpdateHold(const std::string& engine, const EngineReport& report)
{
    const std::string& settings = m_engines.GetSettingsPath();
    const EngineHold previous = ReadHold(settings, engine);
    const EngineHold next = NextHold(report, previous, std::time(nullptr));
    if (next != previous)
        WriteHold(settings, engine, next);
}

namespace {

// The job for one engine: its pages' addresses, its format, its key and
// header, each in the one place its section says.
std::shared_ptr<SearchJob> MakeJob(const EngineSource& source, const std::string& queryWords,
                                   const FetchOptions& limits)
{
    auto job = std::make_shared<SearchJob>();
    for (int page = 1; page <= source.pages; ++page)
        job->pageUrls.push_back(ExpandEngineQuery(source, queryWords, page));
    job->format = source.format;
    job->resultsPath = source.resultsPath;
    job->keyed = !source.key.empty();
    job->hidden = KeyForms(source);
    job->fetch = limits;
    if (!source.agent.empty())
        job->fetch.userAgent = source.agent;
    if (!source.header.empty())
        job->fetch.headers.push_back(ExpandEngineHeader(source));
    // A redirect to another site would take the key (in the header) along.
    job->fetch.sameOriginRedirectsOnly = job->fetch.sameOriginRedirectsOnly || job->keyed;
    return job;
}

} // namespace

void SearchRun::StartEngine(std::size_t index)
{
    if (SkipEngineOnHold(index))
        return;
    EngineItem& item = *m_engines.GetEngineItem(index);
    const EngineSource source = m_engines.GetSource(item);
    SetEngineState(index, kStateRunning);
    auto job = MakeJob(source, m_queryWords, m_fetchLimits);
    m_jobs.Add(job);
    job->engineItem = item.handle;
    job->engineName = item.name;
    job->queue = m_queue;
    item.job = job;
    const Result<void> setUp = CheckSource(source);
    if (!setUp || !StartSearchWorker(job)) {
        // Not asked: reported as the worker would report a failed fetch.
        Message failed;
        failed.id = kMsgEngineFailed;
        failed.subject = job->engineItem;
        failed.jobId = job->id;
        if (!setUp)
            failed.record = std::make_shared<EngineReport>(NotSetUp(HideKey(setUp.Why(), job->hidden)));
        m_queue->Post(std::move(failed));
    }
    Listener().RunThreadsChanged();
}

void SearchRun::SetEngineState(std::size_t index, ItemState state)
{
    EngineItem* item = m_engines.GetEngineItem(index);
    if (item == nullptr)
        return;
    item->state = state;
    Listener().EngineMarkChanged(index);
}

namespace {

ItemState StateFor(const EngineReport& report)
{
    switch (report.health) {
    case EngineHealth::Links:
        return kStateSuccess;
    case EngineHealth::NoFileLinks:
        return kStateNothingFound;
    default:
        return kStateFailure;
    }
}

// The worker's report; a failure without one was a worker that never ran.
EngineReport ReportOf(const Message& message)
{
    if (const auto* report = static_cast<const EngineReport*>(message.record.get()))
        return *report;
    EngineReport none;
    none.reason = "No worker thread could be started.";
    return none;
}

} // namespace

bool SearchRun::Take(const Message& message)
{
    switch (message.id) {
    case kMsgEngineDone:
        OnEngineDone(message);
        return true;
    case kMsgEngineFailed:
        OnEngineFailed(message);
        return true;
    case kMsgEngineStopped:
        OnEngineStopped(message);
        return true;
    default:
        return false;
    }
}

void SearchRun::OnEngineDone(const Message& message)
{
    OnEngineReport(message);
}

void SearchRun::OnEngineFailed(const Message& message)
{
    OnEngineReport(message);
}

// Done and failed alike. A report of a job the run no longer counts (it
// came after Stop) only marks its engine and unlinks the job; one of a job
// that is no longer linked (a new search, a refill) leaves the item alone.
void SearchRun::OnEngineReport(const Message& message)
{
    EngineReport report = ReportOf(message);
    const ItemState state = StateFor(report);
    const std::shared_ptr<SearchJob> counted = m_jobs.Finish(message.jobId);
    const std::size_t index = m_engines.FindIndex(message.subject);
    EngineItem* item = m_engines.GetEngineItem(index);
    const bool linked = item != nullptr && item->job && item->job->id == message.jobId;
    if (linked) {
        item->job.reset();
        SetEngineState(index, state);
    }
    if (!counted) {
        if (linked)
            Listener().EngineReported(item->name, state, report);
        return;
    }
    ++m_answered;
    UpdateHold(counted->engineName, report);
    Listener().EngineReported(counted->engineName, state, report);
    Listener().RunThreadsChanged();
    DispatchSearchJobs();
}

void SearchRun::OnEngineStopped(const Message& message)
{
    EngineItem* item = m_engines.FindItem(message.subject);
    if (item != nullptr && item->job && item->job->id == message.jobId)
        item->job.reset();
}

} // namespace velmora
