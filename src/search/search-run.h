#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/budgeted-jobs.h"
#include "platform/http-fetch.h"
#include "platform/messages.h"
#include "results/item-state.h"

namespace velmora {

class EngineList;
struct EngineItem;
struct EngineReport;
class MessageQueue;
struct SearchJob;

// What a search run reports; the session turns it into what a person sees.
class SearchRunListener {
public:
    virtual ~SearchRunListener() = default;
    virtual void EngineMarkChanged(std::size_t /*index*/) {}
    // An engine's final report was taken: its mark and how its fetch went.
    virtual void EngineReported(const std::string& /*engine*/, ItemState /*state*/, const EngineReport& /*report*/) {}
    virtual void RunThreadsChanged() {}
    // The last engine reported (not after Stop).
    virtual void SearchEnded() {}
};

// One search: dispatches the ticked engines in list order within the
// shared thread limit, counts its own running fetches and takes their
// final reports. Owner's thread only; workers reach it through the queue.
class SearchRun {
public:
    SearchRun(EngineList& engines, ThreadBudget& budget, std::shared_ptr<MessageQueue> queue);
    ~SearchRun();
    SearchRun(const SearchRun&) = delete;
    SearchRun& operator=(const SearchRun&) = delete;

    void SetListener(SearchRunListener* listener) { m_listener = listener; }
    void SetFetchLimits(const FetchOptions& limits) { m_fetchLimits = limits; }

    // Marks every engine idle and dispatches; `queryWords` fill each
    // engine's "%s".
    void Start(std::string queryWords);
    // Stops every running fetch (also those of engines a refill removed)
    // and gives back its threads at once.
    void Stop();
    bool IsRunning() const { return m_running; }
    int GetActiveThreads() const { return m_jobs.GetCount(); }
    // Engines that reported (or were skipped on hold) in this run, and the
    // engines it will have asked in all when it is over.
    int GetAnswered() const { return m_answered; }
    int GetExpected() const;
    const std::string& GetQueryWords() const { return m_queryWords; }

    // Starts ticked engines while the budget has room.
    void DispatchSearchJobs();
    // Takes a worker's final message (done, failed, stopped); false for
    // a message that is not the run's.
    bool Take(const Message& message);
    // A link belongs to this search when its job was started by it.
    bool IsCurrentJob(std::uint64_t jobId) const { return m_started && jobId >= m_firstJobOfSearch; }

private:
    void OnEngineDone(const Message& message);
    void OnEngineFailed(const Message& message);
    void OnEngineStopped(const Message& message);
    void StartEngine(std::size_t index);
    // True (and the engine reported "on hold") when an earlier answer asked
    // to wait and the wait is not over.
    bool SkipEngineOnHold(std::size_t index);
    void UpdateHold(const std::string& engine, const EngineReport& report);
    void OnEngineReport(const Message& message);
    void SetEngineState(std::size_t index, ItemState state);
    SearchRunListener& Listener() { return m_listener ? *m_listener : m_silent; }

    EngineList& m_engines;
    std::shared_ptr<MessageQueue> m_queue;
    FetchOptions m_fetchLimits;
    SearchRunListener* m_listener = nullptr;
    SearchRunListener m_silent;

    std::string m_queryWords;
    bool m_running = false;
    bool m_started = false;
    int m_nextItem = 0; // the next engine to look at
    int m_answered = 0;
    // The run's fetches, by identity: only their reports count down and
    // dispatch, whatever became of their engine item.
    BudgetedJobs<SearchJob> m_jobs;
    std::uint64_t m_firstJobOfSearch = 1; // links of older jobs are stale
};

} // namespace velmora
