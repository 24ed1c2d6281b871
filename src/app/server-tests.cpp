// The session's server tests: one probe per listed server, FTP servers
// first, within the same thread limit as the search.

#include "app/search-session.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

void SearchSession::OnRetestResults()
{
    if (m_nSearchMode != 1)
        return;
    CancelTests();
    m_nActiveThreads = 0;
    m_nNextItem = 1;
    DispatchTestJobs();
}

void SearchSession::OnTestResults()
{
    m_bAutoTest = !m_bAutoTest;
    if (!m_bAutoTest)
        CancelTests();
    WritePrivateProfileStringA(keys::kSettingsSection, keys::kAutoTest, m_bAutoTest ? "1" : "0", m_strSettingsPath);
}

bool SearchSession::IsTestPassRunning() const
{
    return !m_runningTests.empty();
}

void SearchSession::DispatchTestJobs()
{
    if (m_nActiveThreads >= m_nMaxThreads)
        return;
    for (;;) {
        if (m_nNextItem > m_servers.GetItemCount())
            return;
        std::size_t group = 0;
        if (ServerItem* item = m_servers.GetServerItem(m_nNextItem, &group))
            StartProbe(group, *item);
        ++m_nNextItem;
        if (m_nActiveThreads >= m_nMaxThreads)
            return;
    }
}

void SearchSession::StartProbe(std::size_t group, ServerItem& item)
{
    std::size_t index = 0;
    m_servers.Find(item.handle, group, index);
    SetServerMark(group, index, kMarkRunning);
    ++m_nActiveThreads;
    const ResultEntry& entry = *item.record;
    auto job = std::make_shared<TestJob>();
    job->id = m_nNextJobId++;
    job->server = entry.server;
    job->user = entry.user.empty() ? kAnonymousUser : entry.user;
    job->password = entry.password.empty() ? kProbePassword : entry.password;
    job->path = entry.path;
    job->isFtp = group == kGroupFtp;
    job->port = entry.port;
    job->serverItem = item.handle;
    job->queue = m_pQueue;
    job->limits = m_probeLimits;
    item.record->testJob = job;
    m_runningTests.emplace(job->id, job);
    if (!StartTestWorker(job)) {
        // No thread to be had: the server could not be tested.
        job->reply = kNoServerFound;
        job->verdict = kVerdictBad;
        Message done;
        done.id = kMsgTestDone;
        done.lParam = job->serverItem;
        done.jobId = job->id;
        done.record = job;
        m_pQueue->Post(std::move(done));
    }
    Observer().ActiveThreadsChanged(m_nActiveThreads);
}

void SearchSession::CancelTests()
{
    auto& groups = m_servers.GetGroups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        for (std::size_t i = 0; i < groups[g].servers.size(); ++i) {
            ResultEntry* entry = groups[g].servers[i].record;
            if (!entry->testJob || entry->testJob->verdict.load(std::memory_order_acquire) != kVerdictPending)
                continue;
            SetServerMark(g, i, kMarkUntested);
            entry->testJob->stop = true;
            entry->testJob.reset();
        }
    }
    for (auto& [id, job] : m_runningTests)
        job->stop = true;
    m_runningTests.clear();
    m_nActiveThreads = 0;
    Observer().ActiveThreadsChanged(0);
}

// Only a verdict of the current pass marks, counts and dispatches; one of
// a cancelled or replaced probe is dropped without a look at its server.
void SearchSession::OnTestDone(const Message& message)
{
    const auto running = m_runningTests.find(message.jobId);
    if (running == m_runningTests.end())
        return;
    const std::shared_ptr<TestJob> job = running->second;
    m_runningTests.erase(running);
    std::size_t group = 0;
    std::size_t index = 0;
    if (m_servers.Find(job->serverItem, group, index)) {
        const int verdict = job->verdict.load(std::memory_order_acquire);
        SetServerMark(group, index, verdict == kVerdictGood ? kMarkSuccess : kMarkFailure);
        Observer().ServerTested(group, m_servers.GetGroups()[group].servers[index], *job);
    }
    if (m_nActiveThreads > 0)
        --m_nActiveThreads;
    Observer().ActiveThreadsChanged(m_nActiveThreads);
    DispatchTestJobs();
}

void SearchSession::SetServerMark(std::size_t group, std::size_t index, int mark)
{
    m_servers.GetGroups()[group].servers[index].mark = mark;
    Observer().ServerMarkChanged(group, index);
}

} // namespace velmora
