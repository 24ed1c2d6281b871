#include "app/search-session.h"

#include <utility>

#include "platform/paths.h"
#include "results/url-split.h"
#include "search/query-words.h"
#include "search/search-job.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

SearchSession::SearchSession(std::string workingDirectory)
    : m_strWorkingDirectory(std::move(workingDirectory)),
      m_strSettingsPath(JoinPath(m_strWorkingDirectory, keys::kSettingsFile)), m_engines(m_strSettingsPath)
{
    InitializeHttp();
}

// Running workers keep their jobs and the queue alive on their own; a
// stopped job ends at its next look at the flag.
SearchSession::~SearchSession()
{
    for (auto& [id, job] : m_runningJobs)
        job->stop = true;
}

void SearchSession::Initialize()
{
    const std::string& file = m_strSettingsPath;
    m_nMaxThreads = GetPrivateProfileIntA(keys::kSettingsSection, keys::kMaxThreads, keys::kMaxThreadsDefault, file);
    m_bFilterResults = GetPrivateProfileIntA(keys::kSettingsSection, keys::kFilter, keys::kFilterDefault, file) == 1;
    m_bAutoTest = GetPrivateProfileIntA(keys::kSettingsSection, keys::kAutoTest, keys::kAutoTestDefault, file) == 1;
    m_nViewStyle = GetPrivateProfileIntA(keys::kSettingsSection, keys::kViewStyle, keys::kViewStyleDefault, file);
    m_bServerDetails =
        GetPrivateProfileIntA(keys::kSettingsSection, keys::kServerDetails, keys::kServerDetailsDefault, file) == 1;
    m_engines.LoadEngines();
    Observer().EnginesReloaded();
}

void SearchSession::OnNormalSearch()
{
    m_engines.LoadEngines();
    Observer().EnginesReloaded();
}

void SearchSession::ReloadEngines()
{
    m_engines.ReloadEngines();
    Observer().EnginesReloaded();
}

void SearchSession::SetEngineCheck(std::size_t index, bool checked)
{
    m_engines.SetCheck(index, checked);
}

void SearchSession::OnSearch(std::string_view searchText)
{
    m_strSearchText = std::string(searchText);
    if (IsSearchRunning()) {
        StopSearch();
        return;
    }
    CancelTests();
    const std::string trimmed = TrimWhiteSpace(m_strSearchText);
    if (!trimmed.empty())
        StartSearch(trimmed);
}

void SearchSession::StartSearch(const std::string& trimmedText)
{
    m_servers.Reset();
    Observer().ServersCleared();
    m_nNextItem = 0;
    m_strFilterWords = MakeFilterWords(trimmedText);
    SetSearchCaption("Stop");
    m_results.Clear();
    m_nSearchMode = 1;
    m_nResults = 0;
    m_nFirstJobOfSearch = m_nNextJobId;
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i)
        SetEngineMark(i, kMarkIdle);
    Observer().ResultCountChanged(0);
    Observer().ResultsViewCleared();
    DispatchSearchJobs();
}

void SearchSession::StopSearch()
{
    m_nNextItem = static_cast<int>(m_engines.GetCount());
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i) {
        EngineItem& item = *m_engines.GetEngineItem(i);
        if (item.job) {
            item.job->stop = true;
            SetEngineMark(i, kMarkIdle);
        }
    }
    // Jobs whose engine a refill removed are stopped too.
    for (auto& [id, job] : m_runningJobs)
        job->stop = true;
    m_runningJobs.clear();
    m_nActiveThreads = 0;
    SetSearchCaption("Search");
    Observer().ActiveThreadsChanged(0);
    if (m_bAutoTest)
        OnRetestResults();
}

void SearchSession::DispatchSearchJobs()
{
    if (m_nActiveThreads >= m_nMaxThreads)
        return;
    for (;;) {
        if (m_nNextItem < 0 || static_cast<std::size_t>(m_nNextItem) >= m_engines.GetCount()) {
            if (m_nActiveThreads == 0)
                EndSearch();
            return;
        }
        EngineItem& item = *m_engines.GetEngineItem(static_cast<std::size_t>(m_nNextItem));
        if (item.checked)
            StartEngine(item);
        ++m_nNextItem;
        if (m_nActiveThreads >= m_nMaxThreads)
            return;
    }
}

void SearchSession::StartEngine(EngineItem& item)
{
    SetEngineMark(m_engines.FindIndex(item.handle), kMarkRunning);
    ++m_nActiveThreads;
    auto job = std::make_shared<SearchJob>();
    job->id = m_nNextJobId++;
    job->url = m_engines.BuildQueryUrl(item, m_strFilterWords);
    job->engineItem = item.handle;
    job->engineName = item.name;
    job->queue = m_pQueue;
    job->fetch = m_fetchLimits;
    item.job = job;
    m_runningJobs.emplace(job->id, job);
    if (!StartSearchWorker(job)) {
        // No thread to be had: report it as a failed fetch.
        Message failed;
        failed.id = kMsgEngineFailed;
        failed.lParam = job->engineItem;
        failed.jobId = job->id;
        m_pQueue->Post(std::move(failed));
    }
    Observer().ActiveThreadsChanged(m_nActiveThreads);
}

void SearchSession::EndSearch()
{
    SetSearchCaption("Search");
    if (m_bAutoTest)
        OnRetestResults();
}

void SearchSession::SetSearchCaption(const char* caption)
{
    m_strSearchCaption = caption;
    Observer().SearchStateChanged();
}

void SearchSession::SetEngineMark(std::size_t index, int mark)
{
    EngineItem* item = m_engines.GetEngineItem(index);
    if (item == nullptr)
        return;
    item->mark = mark;
    Observer().EngineMarkChanged(index);
}

void SearchSession::HandleMessage(Message message)
{
    switch (message.id) {
    case kMsgFoundHttpLink:
    case kMsgFoundFtpLink:
        OnFoundLink(message);
        break;
    case kMsgEngineDone:
        OnEngineReport(message, kMarkSuccess);
        break;
    case kMsgEngineFailed:
        OnEngineReport(message, kMarkFailure);
        break;
    case kMsgEngineStopped:
        OnEngineStopped(message);
        break;
    case kMsgTestDone:
        OnTestDone(message);
        break;
    default:
        break;
    }
}

std::size_t SearchSession::ProcessMessages()
{
    std::size_t handled = 0;
    while (auto message = m_pQueue->TryTake()) {
        HandleMessage(std::move(*message));
        ++handled;
    }
    return handled;
}

// Done and failed alike. A report of a job the search no longer counts (it
// came after Stop) only marks its engine and unlinks the job; one of a job
// that is no longer linked (a new search, a refill) leaves the item alone.
void SearchSession::OnEngineReport(const Message& message, int mark)
{
    const auto counted = m_runningJobs.find(message.jobId);
    const std::size_t index = m_engines.FindIndex(message.lParam);
    EngineItem* item = m_engines.GetEngineItem(index);
    const bool linked = item != nullptr && item->job && item->job->id == message.jobId;
    if (linked) {
        item->job.reset();
        SetEngineMark(index, mark);
    }
    if (counted == m_runningJobs.end()) {
        if (linked)
            Observer().EngineReported(item->name, mark, message.wParam);
        return;
    }
    const std::string engineName = counted->second->engineName;
    m_runningJobs.erase(counted);
    Observer().EngineReported(engineName, mark, mark == kMarkSuccess ? message.wParam : 0);
    if (m_nActiveThreads > 0)
        --m_nActiveThreads;
    Observer().ActiveThreadsChanged(m_nActiveThreads);
    DispatchSearchJobs();
}

void SearchSession::OnEngineStopped(const Message& message)
{
    EngineItem* item = m_engines.FindItem(message.lParam);
    if (item != nullptr && item->job && item->job->id == message.jobId)
        item->job.reset();
}

void SearchSession::OnFoundLink(Message& message)
{
    if (!message.link)
        return;
    // A link of an earlier search's job would show results of words the
    // user no longer searches for.
    if (message.jobId < m_nFirstJobOfSearch)
        return;
    auto entry = MakeResultEntry(message.link->text, message.lParam);
    message.link.reset();
    if (!entry)
        return;
    if (m_bFilterResults && !AcceptsFilter(entry->path, m_strFilterWords))
        return;
    if (m_nSearchMode != 1)
        return;
    const auto added = m_results.Add(std::move(entry));
    if (!added)
        return;
    ++m_nResults;
    Observer().ResultCountChanged(m_nResults);
    Observer().ResultAccepted(*added->entry, m_nResults);
    if (added->newServer) {
        const std::size_t group = added->entry->service == kServiceFtp ? kGroupFtp : kGroupHttp;
        const ServerItem& server = m_servers.AddServer(group, added->entry, added->entry->server);
        Observer().ServerAdded(group, server);
    }
}

} // namespace velmora
