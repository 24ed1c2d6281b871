#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "check/file-checker.h"
#include "platform/budgeted-jobs.h"
#include "platform/messages.h"

namespace velmora {

class MessageQueue;

// A check's outcome on its way from a worker to the owner.
struct CheckedFile {
    std::uint64_t key = 0;
    std::string url;
    FileCheck check;
};

// One host's files still to check, shared by its connections.
struct HostFiles {
    std::mutex mutex;
    std::deque<FileToCheck> files;
};

// One connection to a host: a worker that checks the host's files one
// after another until none is left or it is told to stop.
struct CheckLane {
    std::uint64_t id = 0;
    std::uint64_t round = 0; // the round it checks for
    std::atomic<bool> stop{false};
    std::shared_ptr<HostFiles> host;
    std::shared_ptr<MessageQueue> queue;
    CheckLimits limits;
};

// One round of file checks: at most `connectionsPerHost` connections to a
// host (and never more than 2), all within the shared thread limit, each
// as gentle as a browse. Owner's thread only.
class CheckRun {
public:
    CheckRun(ThreadBudget& budget, std::shared_ptr<MessageQueue> queue);
    ~CheckRun();
    CheckRun(const CheckRun&) = delete;
    CheckRun& operator=(const CheckRun&) = delete;

    void SetLimits(const CheckLimits& limits) { m_limits = limits; }
    // Checks the files (a running round is cancelled first).
    void Start(std::vector<FileToCheck> files);
    // Abandons what is not checked yet.
    void Cancel();
    bool IsRunning() const { return !m_lanes.IsEmpty() || !m_pending.empty(); }
    int GetActiveThreads() const { return m_lanes.GetCount(); }
    int GetChecked() const { return m_checked; }
    int GetToCheck() const { return m_toCheck; }

    // Starts the connections the thread limit has room for.
    void Dispatch();
    // A check of this round, or null for a late one of a cancelled round.
    std::shared_ptr<CheckedFile> TakeChecked(const Message& message);
    // A connection ended: its thread is given back and another may start.
    void OnLaneDone(const Message& message);

private:
    std::shared_ptr<MessageQueue> m_queue;
    CheckLimits m_limits;
    // Connections still to open, hosts in the order their first file came.
    std::deque<std::shared_ptr<HostFiles>> m_pending;
    BudgetedJobs<CheckLane> m_lanes;
    std::uint64_t m_round = 0; // checks of an earlier round are dropped
    int m_checked = 0;
    int m_toCheck = 0;
};

// The worker's body: checks the host's files and posts kMsgFileChecked for
// each, then kMsgCheckLaneDone.
void RunCheckLane(const std::shared_ptr<CheckLane>& lane);

} // namespace velmora
