#include "results/test-pass.h"

#include <ctime>
#include <utility>

#include "platform/message-queue.h"
#include "platform/url-split.h"
#include "results/result-entry.h"
#include "results/server-tree.h"

namespace velmora {

TestPass::TestPass(ServerTree& servers, ThreadBudget& budget, std::shared_ptr<MessageQueue> queue)
    : m_servers(servers), m_queue(std::move(queue)), m_probes(budget)
{
}

TestPass::~TestPass() = default;

void TestPass::Start(bool userAsked)
{
    Cancel();
    m_started = true;
    m_userAsked = userAsked;
    m_nextItem = 1;
    m_tested = 0;
    m_toTest = 0;
    for (const ServerGroup& group : m_servers.GetGroups()) {
        for (const ServerItem& server : group.servers)
            m_toTest += userAsked || !server.testOnRequest ? 1 : 0;
    }
    DispatchTestJobs();
}

bool TestPass::IsRunning() const
{
    return !m_probes.IsEmpty() || (m_started && m_nextItem <= m_servers.GetItemCount());
}

void TestPass::DispatchTestJobs()
{
    if (!m_started)
        return;
    while (m_probes.HasRoom() && m_nextItem <= m_servers.GetItemCount()) {
        std::size_t group = 0;
        ServerItem* item = m_servers.GetServerItem(m_nextItem, &group);
        if (item && (m_userAsked || !item->testOnRequest))
            StartProbe(group, *item);
        ++m_nextItem;
    }
}

void TestPass::StartProbe(std::size_t group, ServerItem& item)
{
    std::size_t index = 0;
    m_servers.Find(item.handle, group, index);
    SetServerState(group, index, kStateRunning);
    const ResultEntry& entry = item.first;
    auto job = std::make_shared<TestJob>();
    m_probes.Add(job);
    job->server = entry.server;
    job->user = entry.user.empty() ? kAnonymousUser : entry.user;
    job->password = entry.password.empty() ? kProbePassword : entry.password;
    job->path = entry.path;
    job->isFtp = group == kGroupFtp;
    job->useTls = !job->isFtp && entry.service == kServiceHttps;
    job->port = entry.port;
    job->serverItem = item.handle;
    job->queue = m_queue;
    job->limits = m_probeLimits;
    item.testJob = job;
    if (!StartTestWorker(job)) {
        // No thread to be had: the server could not be tested.
        job->why = "No thread could be started to test it: Tests > Re-Test Results tries again.";
        job->reply = kNoServerFound;
        job->verdict = kVerdictBad;
        Message done;
        done.id = kMsgTestDone;
        done.subject = job->serverItem;
        done.jobId = job->id;
        done.record = job;
        m_queue->Post(std::move(done));
    }
    Listener().PassThreadsChanged();
}

void TestPass::Cancel()
{
    auto& groups = m_servers.GetGroups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t i = 0; i < groups[g].servers.size(); ++i) {
            std::shared_ptr<TestJob>& test = groups[g].servers[i].testJob;
            if (!test || test->verdict.load(std::memory_order_acquire) != kVerdictPending)
                continue;
            SetServerState(g, i, kStateUntested);
            test->stop = true;
            test.reset();
        }
    }
    m_probes.DropAll();
    m_started = false;
    Listener().PassThreadsChanged();
}

// Only a verdict of the current pass marks, counts and dispatches; one of
// a cancelled or replaced probe is dropped without a look at its server.
void TestPass::OnTestDone(const Message& message)
{
    const std::shared_ptr<TestJob> job = m_probes.Finish(message.jobId);
    if (!job)
        return;
    ++m_tested;
    std::size_t group = 0;
    std::size_t index = 0;
    if (m_servers.Find(job->serverItem, group, index)) {
        const int verdict = job->verdict.load(std::memory_order_acquire);
        m_servers.GetGroups()[group].servers[index].testedAt = static_cast<std::int64_t>(std::time(nullptr));
        SetServerState(group, index, verdict == kVerdictGood ? kStateSuccess : kStateFailure);
        Listener().ServerTested(group, m_servers.GetGroups()[group].servers[index], *job);
    }
    Listener().PassThreadsChanged();
    DispatchTestJobs();
}

void TestPass::SetServerState(std::size_t group, std::size_t index, ItemState state)
{
    m_servers.GetGroups()[group].servers[index].state = state;
    Listener().ServerMarkChanged(group, index);
}

} // namespace velmora
