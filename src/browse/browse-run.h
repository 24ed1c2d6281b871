#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "browse/browse-crawl.h"
#include "platform/messages.h"
#include "platform/thread-budget.h"

namespace velmora {

class MessageQueue;

// What a browse reports; the session adds the files to the results.
class BrowseRunListener {
public:
    virtual ~BrowseRunListener() = default;
    virtual void DirectoryListed(const BrowseListing& /*listing*/) {}
    virtual void DirectorySkipped(const BrowseSkip& /*skip*/) {}
    virtual void BrowseEnded(const BrowseSummary& /*summary*/) {}
    virtual void BrowseThreadsChanged() {}
};

// One browse at a time: its crawl's workers (one per connection the limits
// allow) within the shared thread limit, started as soon as a thread is
// free. Owner's thread only; a stopped browse gives its threads back at
// once and its late reports are dropped.
class BrowseRun {
public:
    BrowseRun(ThreadBudget& budget, std::shared_ptr<MessageQueue> queue);
    ~BrowseRun();
    BrowseRun(const BrowseRun&) = delete;
    BrowseRun& operator=(const BrowseRun&) = delete;

    void SetListener(BrowseRunListener* listener) { m_listener = listener; }

    // A running browse is stopped first.
    void Start(BrowseTarget target, BrowseLimits limits);
    void Stop();
    // Waiting for a thread, or listing.
    bool IsRunning() const { return m_crawl != nullptr; }
    const BrowseTarget* GetTarget() const { return m_crawl ? &m_crawl->GetTarget() : nullptr; }
    // Progress of the current (or last) browse.
    const BrowseSummary& GetProgress() const { return m_progress; }
    int GetActiveThreads() const { return m_threads; }

    // Starts a waiting browse when the budget has room.
    void Dispatch();
    // Takes a crawl's message (a listing, a folder skipped, the end);
    // false for a message that is not the browse's.
    bool Take(const Message& message);

private:
    void OnListed(const Message& message);
    void OnSkipped(const Message& message);
    void OnDone(const Message& message);
    bool IsCurrent(const Message& message) const { return m_crawl && message.jobId == m_crawl->id; }
    void Release();
    BrowseRunListener& Listener() { return m_listener ? *m_listener : m_silent; }

    ThreadBudget& m_budget;
    std::shared_ptr<MessageQueue> m_queue;
    BrowseRunListener* m_listener = nullptr;
    BrowseRunListener m_silent;
    std::shared_ptr<BrowseCrawl> m_crawl;
    bool m_workersStarted = false;
    int m_threads = 0;
    std::uint64_t m_nextId = 1;
    BrowseSummary m_progress;
};

} // namespace velmora
