#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "platform/budgeted-jobs.h"
#include "platform/messages.h"
#include "results/item-state.h"
#include "results/server-probe.h"

namespace velmora {

class MessageQueue;
class ServerTree;
struct ServerItem;

// What a test pass reports; the session turns it into what a person sees.
class TestPassListener {
public:
    virtual ~TestPassListener() = default;
    virtual void ServerMarkChanged(std::size_t /*group*/, std::size_t /*index*/) {}
    // A probe of the current pass ended with a verdict.
    virtual void ServerTested(std::size_t /*group*/, const ServerItem& /*server*/, const TestJob& /*job*/) {}
    virtual void PassThreadsChanged() {}
};

// One pass of server tests: a probe per listed server, FTP servers first,
// within the shared thread limit. It counts only its own probes, so
// cancelling it never touches a search's count. Owner's thread only.
class TestPass {
public:
    TestPass(ServerTree& servers, ThreadBudget& budget, std::shared_ptr<MessageQueue> queue);
    ~TestPass();
    TestPass(const TestPass&) = delete;
    TestPass& operator=(const TestPass&) = delete;

    void SetListener(TestPassListener* listener) { m_listener = listener; }
    void SetProbeLimits(const ProbeLimits& limits) { m_probeLimits = limits; }

    // A new pass over every listed server (a running one is cancelled).
    // One the user did not ask for leaves out the servers marked
    // testOnRequest.
    void Start(bool userAsked = true);
    // Abandons every pending probe: its server is untested again.
    void Cancel();
    // True while probes of this pass run or wait for a thread.
    bool IsRunning() const;
    int GetActiveThreads() const { return m_probes.GetCount(); }
    int GetTested() const { return m_tested; }
    int GetToTest() const { return m_toTest; }

    void DispatchTestJobs();
    void OnTestDone(const Message& message);

private:
    void StartProbe(std::size_t group, ServerItem& item);
    void SetServerState(std::size_t group, std::size_t index, ItemState state);
    TestPassListener& Listener() { return m_listener ? *m_listener : m_silent; }

    ServerTree& m_servers;
    std::shared_ptr<MessageQueue> m_queue;
    ProbeLimits m_probeLimits;
    TestPassListener* m_listener = nullptr;
    TestPassListener m_silent;

    bool m_started = false;
    bool m_userAsked = true;
    int m_nextItem = 1; // the next server tree position to look at
    int m_tested = 0;
    int m_toTest = 0;
    // Probes of the current pass still waiting for their verdict.
    BudgetedJobs<TestJob> m_probes;
};

} // namespace velmora
