#include "browse/browse-run.h"

#include <algorithm>
#include <utility>

#include "browse/index-page.h"
#include "platform/http-fetch.h"

namespace velmora {

BrowseRun::BrowseRun(ThreadBudget& budget, std::shared_ptr<MessageQueue> queue)
    : m_budget(budget), m_queue(std::move(queue))
{
}

BrowseRun::~BrowseRun()
{
    if (m_crawl)
        m_crawl->stop = true;
}

void BrowseRun::Start(BrowseTarget target, BrowseLimits limits)
{
    Stop();
    InitializeHttp();
    InitializeHtmlParser();
    limits.connections = std::clamp(limits.connections, 1, kMaxBrowseConnections);
    m_progress = {};
    m_crawl = std::make_shared<BrowseCrawl>(m_nextId++, std::move(target), std::move(limits), m_queue);
    m_workersStarted = false;
    Dispatch();
}

void BrowseRun::Dispatch()
{
    if (!m_crawl || m_workersStarted || !m_budget.HasRoom())
        return;
    const int workers = std::min(m_crawl->GetLimits().connections, m_budget.GetLimit() - m_budget.GetUsed());
    m_workersStarted = true;
    if (!StartBrowseWorkers(m_crawl, workers)) {
        // No thread to be had: the browse ends before it began.
        BrowseSummary nothing;
        m_crawl.reset();
        Listener().BrowseEnded(nothing);
        return;
    }
    m_threads = workers;
    for (int i = 0; i < workers; ++i)
        m_budget.Take();
    Listener().BrowseThreadsChanged();
}

void BrowseRun::Release()
{
    m_budget.Give(m_threads);
    m_threads = 0;
    m_crawl.reset();
    Listener().BrowseThreadsChanged();
}

void BrowseRun::Stop()
{
    if (!m_crawl)
        return;
    m_crawl->stop = true;
    m_progress.stopped = true;
    Release();
}

bool BrowseRun::Take(const Message& message)
{
    switch (message.id) {
    case kMsgBrowseListed:
        OnListed(message);
        return true;
    case kMsgBrowseSkipped:
        OnSkipped(message);
        return true;
    case kMsgBrowseDone:
        OnDone(message);
        return true;
    default:
        return false;
    }
}

void BrowseRun::OnListed(const Message& message)
{
    if (!IsCurrent(message) || !message.record)
        return;
    const auto& listing = *std::static_pointer_cast<BrowseListing>(message.record);
    ++m_progress.directories;
    m_progress.files += listing.files.size();
    Listener().DirectoryListed(listing);
}

void BrowseRun::OnSkipped(const Message& message)
{
    if (!IsCurrent(message) || !message.record)
        return;
    ++m_progress.skipped;
    Listener().DirectorySkipped(*std::static_pointer_cast<BrowseSkip>(message.record));
}

void BrowseRun::OnDone(const Message& message)
{
    if (!IsCurrent(message) || !message.record)
        return;
    m_progress = *std::static_pointer_cast<BrowseSummary>(message.record);
    Release();
    Listener().BrowseEnded(m_progress);
}

} // namespace velmora
