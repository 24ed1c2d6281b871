#include "app/search-session.h"

#include <algorithm>
#include <ctime>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "browse/browse-settings.h"
#include "platform/ascii-case.h"
#include "platform/memory-policy.h"
#include "platform/paths.h"
#include "platform/plain-text.h"
#include "platform/url-split.h"
#include "results/host-kind.h"
#include "search/engine-health.h"
#include "search/query-words.h"
#include "settings/general-page-model.h"
#include "settings/settings-keys.h"

namespace velmora {

SearchSession::SearchSession(std::string workingDirectory, const SessionLimits& limits)
    : m_workingDirectory(std::move(workingDirectory)),
      m_settingsPath(JoinPath(m_workingDirectory, keys::kSettingsFile)), m_views(m_settingsPath),
      m_engines(m_settingsPath), m_run(m_engines, m_budget, m_queue), m_testPass(m_servers, m_budget, m_queue),
      m_browse(m_budget, m_queue), m_checks(m_budget, m_queue), m_checkLimits(limits.check),
      m_recorder(m_workingDirectory, m_queue)
{
    InitializeHttp();
    KeepLargeBlocksReturnable();
    m_run.SetListener(this);
    m_run.SetFetchLimits(limits.fetch);
    m_testPass.SetListener(this);
    m_testPass.SetProbeLimits(limits.probe);
    m_browse.SetListener(this);
}

SearchSession::~SearchSession()
{
    // What a browse or a test pass added since the last save is kept; there
    // is no one left to tell of a failure.
    m_recorder.SaveAndLetGo(std::move(m_results), m_servers, GetEngineNames());
}

void SearchSession::Initialize()
{
    m_budget.SetLimit(ReadThreadLimit(m_settingsPath));
    m_views.Load();
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

std::vector<std::string> SearchSession::GetTickedEngines() const
{
    std::vector<std::string> names;
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i) {
        if (const EngineItem* item = m_engines.GetEngineItem(i); item->checked)
            names.push_back(item->name);
    }
    return names;
}

// A reopened search shows the engines it ran with, so that Search Again asks
// the same ones; a search saved before they were kept leaves the ticks alone.
void SearchSession::TickEngines(const std::vector<std::string>& names)
{
    if (names.empty())
        return;
    bool changed = false;
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i) {
        const EngineItem* item = m_engines.GetEngineItem(i);
        const bool ran = std::find(names.begin(), names.end(), item->name) != names.end();
        if (item->checked != ran) {
            m_engines.SetCheck(i, ran);
            changed = true;
        }
    }
    if (!changed)
        return;
    m_engines.SaveEngineChecks();
    Observer().EnginesReloaded();
}

void SearchSession::SetEngineCheck(std::size_t index, bool checked)
{
    const EngineItem* item = m_engines.GetEngineItem(index);
    if (item == nullptr || item->checked == checked)
        return;
    m_engines.SetCheck(index, checked);
    // Saved at once: the settings sheet rereads settings.dat, and a tick
    // kept only in memory would be undone by its next save.
    m_engines.SaveEngineChecks();
}

void SearchSession::OnSearch(std::string_view searchText)
{
    if (IsSearchRunning()) {
        StopSearch();
        return;
    }
    CancelTests();
    const std::string trimmed = TrimWhiteSpace(searchText);
    if (trimmed.empty())
        SaveSearch(); // the verdicts the old results got so far
    else
        StartSearch(trimmed); // which saves the old results as it clears them
}

void SearchSession::StartSearch(const std::string& trimmedText)
{
    // The files a browse would still bring belong to the old results.
    m_browse.Stop();
    m_stopped = false;
    m_news.clear();
    m_shownSaved.clear();
    m_showingSaved = false;
    ClearShownResults(trimmedText);
    if (const Result<void> kept =
            m_recorder.Begin(m_saveName.empty() ? trimmedText : m_saveName, trimmedText, GetTickedEngines());
        !kept)
        Observer().SearchNotSaved(kept.Why() + " This search is not saved.");
    m_run.Start(MakeQueryWords(trimmedText));
    Observer().SearchStateChanged();
}

// Servers, results and their counts go, before a search or a saved one
// fills them anew for `words`.
void SearchSession::ClearShownResults(const std::string& words)
{
    if (m_recorder.HasUnsaved(m_results.GetCount())) {
        // The writer saves what is left and frees the list: a million
        // results neither wait here to be copied nor to be freed.
        m_recorder.SaveAndLetGo(std::move(m_results), m_servers, GetEngineNames());
        m_results = ResultList();
    }
    m_checks.Cancel();
    m_fileChecks.clear();
    m_mirrors.Clear();
    m_servers.Reset();
    Observer().ServersCleared();
    m_filterWords = MakeFilterWords(words);
    m_results.Clear();
    m_searched = true;
    m_resultCount = 0;
    m_enginesAsked = 0;
    m_enginesUnreached = 0;
    m_newResults = 0;
    Observer().ResultCountChanged(0);
    Observer().ResultsViewCleared();
}

void SearchSession::StopSearch()
{
    // A search the user stopped tests nothing unless asked: Stop means stop.
    m_stopped = true;
    m_news.clear();
    m_run.Stop();
    SaveSearch();
    Observer().SearchStateChanged();
}

// The search ended by itself: the last engine reported.
void SearchSession::SearchEnded()
{
    SaveSearch();
    if (m_views.GetAutoTest())
        StartTests(false);
    // "Found 0 files" would blame the words when the network is at fault.
    if (m_enginesAsked > 0 && m_enginesAsked == m_enginesUnreached)
        m_news = "No engine could be reached: check the network";
    Observer().SearchStateChanged();
}

void SearchSession::OnRetestResults()
{
    StartTests(true);
}

void SearchSession::StartTests(bool userAsked)
{
    if (!m_searched)
        return;
    m_stopped = false;
    m_news.clear();
    m_testPass.Start(userAsked);
    Observer().SearchStateChanged();
}

void SearchSession::OnTestResults()
{
    m_views.SetAutoTest(!m_views.GetAutoTest());
    if (!m_views.GetAutoTest())
        CancelTests();
}

void SearchSession::StopTests()
{
    if (!m_testPass.IsRunning())
        return;
    m_stopped = true;
    m_news.clear();
    CancelTests();
    SaveSearch();
}

int SearchSession::GetServerCount() const
{
    int servers = 0;
    for (const ServerGroup& group : m_servers.GetGroups())
        servers += static_cast<int>(group.servers.size());
    return servers;
}

std::string SearchSession::GetActivityText() const
{
    const BrowseSummary& browsed = m_browse.GetProgress();
    const auto counts = [&browsed] {
        return std::to_string(browsed.directories) + (browsed.directories == 1 ? " folder, " : " folders, ") +
               std::to_string(browsed.files) + (browsed.files == 1 ? " file" : " files");
    };
    if (m_browse.IsRunning())
        return "Browsing " + m_browsedServer + ": " + counts();
    if (m_run.IsRunning())
        return "Searching: " + std::to_string(m_run.GetAnswered()) + " of " + std::to_string(m_run.GetExpected()) +
               " engines answered";
    if (m_testPass.IsRunning())
        return "Testing servers: " + std::to_string(m_testPass.GetTested()) + " of " +
               std::to_string(m_testPass.GetToTest());
    if (m_checks.IsRunning())
        return "Checking files: " + std::to_string(m_checks.GetChecked()) + " of " +
               std::to_string(m_checks.GetToCheck());
    if (!m_news.empty())
        return m_news;
    if (m_stopped)
        return "Stopped";
    if (!m_searched)
        return {};
    const int servers = GetServerCount();
    // "New" is one thing everywhere: no earlier saved search of these words held it.
    const std::string found = std::to_string(m_resultCount) + (m_resultCount == 1 ? " file on " : " files on ") +
                              std::to_string(servers) + (servers == 1 ? " server" : " servers") +
                              (m_newResults > 0 ? ", " + std::to_string(m_newResults) + " new" : std::string());
    if (!m_shownSaved.empty())
        return m_shownSaved + ": " + found;
    return "Found " + found;
}

void SearchSession::CancelTests()
{
    m_testPass.Cancel();
    DispatchAll();
    Observer().SearchStateChanged();
}

// Threads one of them gave back may let another go on.
void SearchSession::DispatchAll()
{
    m_run.DispatchSearchJobs();
    m_testPass.DispatchTestJobs();
    m_browse.Dispatch();
    m_checks.Dispatch();
}

void SearchSession::EnsureResults()
{
    if (m_searched)
        return;
    m_servers.Reset();
    Observer().ServersCleared();
    m_searched = true;
}

bool SearchSession::OnBrowse(const ResultEntry& record, bool fromRoot, std::optional<BrowseLimits> limits)
{
    auto target = MakeBrowseTarget(record);
    if (!target)
        return false;
    if (fromRoot) {
        // Should the root refuse a listing or be a home page, the folders
        // the search found files in are listed instead.
        if (target->startDirectory != "/")
            target->fallbackDirectories.push_back(std::exchange(target->startDirectory, std::string(1, '/')));
        for (std::string& folder : FoundFolders(record))
            target->fallbackDirectories.push_back(std::move(folder));
    }
    EnsureResults();
    m_stopped = false;
    m_news.clear();
    m_firstBrowseSkip.clear();
    m_browseTaken = 0;
    m_browsedServer = target->server;
    m_browse.Start(std::move(*target), limits ? std::move(*limits) : ReadBrowseLimits(m_settingsPath));
    Observer().SearchStateChanged();
    return true;
}

// The folders of the files the search found on the record's server by the
// same service, each once, in the order they came; a few dozen at most.
std::vector<std::string> SearchSession::FoundFolders(const ResultEntry& record) const
{
    constexpr std::size_t kMostFolders = 32;
    std::vector<std::string> folders;
    std::unordered_set<std::string> seen{"/"};
    for (const ResultId id : m_results.GetServerRecords(ServerKey(record))) {
        if (folders.size() >= kMostFolders)
            break;
        const bool ftp = m_results.GetService(id) == kServiceFtp;
        const std::string_view directory = m_results.GetDirectory(id);
        if (ftp != (record.service == kServiceFtp) || !directory.starts_with('/'))
            continue;
        if (seen.insert(LowerAscii(directory)).second)
            folders.emplace_back(directory);
    }
    return folders;
}

void SearchSession::StopBrowse()
{
    if (!m_browse.IsRunning())
        return;
    m_stopped = true;
    m_news.clear();
    m_browse.Stop();
    DispatchAll();
    Observer().SearchStateChanged();
}

void SearchSession::DirectoryListed(const BrowseListing& listing)
{
    Observer().BrowseListed(listing);
    const BrowseTarget* target = m_browse.GetTarget();
    if (target == nullptr)
        return;
    ResultEntry entry;
    entry.service = target->service;
    entry.port = target->port;
    entry.server = target->server;
    entry.user = target->user;
    entry.password = target->password;
    entry.description = "Listed from the server's directory";
    entry.listed = true;
    for (const ListedEntry& file : listing.files) {
        entry.path = listing.directory + file.name;
        entry.size = file.size;
        entry.sizeApproximate = file.sizeApproximate;
        entry.modified = file.modified;
        if (m_views.GetFilterResults() && !AcceptsFilter(entry.path, m_filterWords))
            continue;
        if (TakeResult(entry))
            ++m_browseTaken;
    }
    Observer().SearchStateChanged();
}

void SearchSession::DirectorySkipped(const BrowseSkip& skip)
{
    if (m_firstBrowseSkip.empty())
        m_firstBrowseSkip = skip.reason;
    Observer().BrowseSkipped(skip);
}

void SearchSession::BrowseEnded(const BrowseSummary& summary)
{
    // What came of it stays in the status line until the next job.
    if (summary.startListed) {
        m_news = "Browsed ";
        m_news.append(m_browsedServer)
            .append(": ")
            .append(std::to_string(summary.directories))
            .append(summary.directories == 1 ? " folder, " : " folders, ")
            .append(std::to_string(summary.files))
            .append(summary.files == 1 ? " file" : " files");
        if (summary.skipped > 0)
            m_news.append(", ").append(std::to_string(summary.skipped)).append(" skipped");
        // The filter and the duplicate check may take fewer than were listed.
        m_news.append(" (")
            .append(std::to_string(m_browseTaken))
            .append(m_browseTaken == 1 ? " result added)" : " results added)");
    } else {
        m_news = "Could not browse ";
        m_news.append(m_browsedServer).append(": ").append(m_firstBrowseSkip);
    }
    DispatchAll();
    SaveSearch();
    Observer().BrowseEnded(summary);
    Observer().SearchStateChanged();
}

void SearchSession::BrowseThreadsChanged()
{
    Observer().ActiveThreadsChanged(GetActiveThreads());
}

void SearchSession::HandleMessage(Message message)
{
    if (m_run.Take(message) || m_browse.Take(message))
        return;
    switch (message.id) {
    case kMsgFoundHttpLink:
    case kMsgFoundFtpLink:
        OnFoundLink(message);
        break;
    case kMsgSaveWritten:
        if (m_recorder.IsNextSaveDue(m_results.GetCount()))
            SaveSearch();
        break;
    case kMsgSaveFailed:
        Observer().SearchNotSaved(*std::static_pointer_cast<std::string>(message.record) +
                                  " This search is not saved.");
        break;
    case kMsgProgramEnded:
        m_news = DescribeEnd(*std::static_pointer_cast<ProgramReport>(message.record));
        Observer().SearchStateChanged();
        break;
    case kMsgTestDone:
        OnTestDone(message);
        break;
    case kMsgFileChecked:
        OnFileChecked(message);
        break;
    case kMsgCheckLaneDone:
        OnCheckLaneDone(message);
        break;
    default:
        break;
    }
}

void SearchSession::OnTestDone(const Message& message)
{
    const bool wasRunning = m_testPass.IsRunning();
    m_testPass.OnTestDone(message);
    DispatchAll();
    if (wasRunning && !m_testPass.IsRunning()) {
        SaveSearch();
        Observer().SearchStateChanged();
    }
}

void SearchSession::WatchPrograms(std::vector<StartedProgram> programs)
{
    if (programs.empty())
        return;
    m_news = DescribeStarted(programs);
    velmora::WatchPrograms(std::move(programs), m_queue);
    Observer().SearchStateChanged();
}

std::size_t SearchSession::ProcessMessages(const MessageTurn& turn)
{
    std::optional<Message> message = turn.wait.count() > 0 ? m_queue->WaitTake(turn.wait) : m_queue->TryTake();
    std::size_t handled = 0;
    while (message) {
        HandleMessage(std::move(*message));
        if (++handled % 64 == 0 && std::chrono::steady_clock::now() >= turn.until)
            break;
        message = m_queue->TryTake();
    }
    return handled;
}

void SearchSession::OnFoundLink(Message& message)
{
    if (!message.link)
        return;
    // A link of an earlier search's job would show results of words the
    // user no longer searches for.
    if (m_showingSaved || !m_run.IsCurrentJob(message.jobId))
        return;
    const bool read = FillResultEntry(message.link->text, message.subject, m_foundEntry);
    message.link.reset();
    // A page may name the cloud's metadata service or a link-local device:
    // nothing there is a file for the user.
    if (!read || ClassifyHost(m_foundEntry.server) == HostKind::LinkLocal)
        return;
    if (m_views.GetFilterResults() && !AcceptsFilter(m_foundEntry.path, m_filterWords))
        return;
    TakeResult(m_foundEntry);
}

bool SearchSession::TakeResult(const ResultEntry& entry, std::optional<bool> isNew)
{
    ResultId held = 0;
    const auto added = m_results.Add(entry, &held);
    if (!added) {
        // A listing tells the size and date of a file the search found.
        if (entry.listed &&
            m_results.FillSizeAndDate(held, entry.sizeApproximate ? std::nullopt : entry.size, entry.modified)) {
            m_recorder.NoteFilled(held);
            m_mirrors.Note(m_results, held);
        }
        return false;
    }
    if (entry.size)
        m_mirrors.Note(m_results, added->id);
    const bool isNewResult = isNew.value_or(m_recorder.IsNew(entry));
    if (isNewResult)
        m_results.MarkNew(added->id);
    ++m_resultCount;
    Observer().ResultCountChanged(m_resultCount);
    Observer().ResultAccepted(entry, m_resultCount);
    const std::size_t group = entry.service == kServiceFtp ? kGroupFtp : kGroupHttp;
    if (added->newServer) {
        ServerItem& server = m_servers.AddServer(group, entry, ServerLabel(entry));
        server.testOnRequest = IsInternalHost(ClassifyHost(entry.server)) && !IsLocalEngine(entry.engineItem);
        server.newResults = isNewResult ? 1 : 0;
        Observer().ServerAdded(group, server);
    } else if (std::size_t index = 0; isNewResult && m_servers.FindByText(group, ServerLabel(entry), index)) {
        // The first new file of a server changes how the server is shown.
        if (++m_servers.GetGroups()[group].servers[index].newResults == 1)
            Observer().ServerMarkChanged(group, index);
    }
    m_newResults += isNewResult ? 1 : 0;
    if (m_recorder.IsBatchDue(m_results.GetCount()))
        SaveSearch();
    return true;
}

void SearchSession::SetSaving(bool on, std::string name)
{
    m_recorder.SetEnabled(on);
    m_recorder.SetRunsKept(m_views.GetSearchRunsKept());
    m_saveName = std::move(name);
}

void SearchSession::SaveSearch()
{
    m_recorder.Save(m_results, m_servers, [this](std::uint64_t engineItem) { return GetEngineName(engineItem); });
}

void SearchSession::FinishSaving()
{
    const auto namer = [this](std::uint64_t engineItem) { return GetEngineName(engineItem); };
    do
        m_recorder.Save(m_results, m_servers, namer, true);
    while (m_recorder.HasUnsaved(m_results.GetCount()));
    m_recorder.Flush();
    ProcessMessages(); // a failed save's report
}

// An engine on the user's own network or machine may well list servers
// there; their tests are wanted.
bool SearchSession::IsLocalEngine(std::uint64_t engineItem)
{
    const EngineItem* engine = engineItem ? m_engines.FindItem(engineItem) : nullptr;
    if (!engine)
        return false;
    const auto query = SplitUrl(m_engines.BuildQueryUrl(*engine, ""));
    return query && IsInternalHost(ClassifyHost(query->server));
}

std::unordered_map<std::uint64_t, std::string> SearchSession::GetEngineNames() const
{
    std::unordered_map<std::uint64_t, std::string> names;
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i)
        names.emplace(m_engines.GetEngineItem(i)->handle, m_engines.GetEngineItem(i)->name);
    return names;
}

std::string SearchSession::GetEngineName(std::uint64_t engineItem)
{
    const EngineItem* engine = engineItem ? m_engines.FindItem(engineItem) : nullptr;
    return engine ? engine->name : std::string();
}

// The results of a saved search, each with its engine as the list knows it
// now (engines are saved by name; the list may have changed since).
std::vector<ResultId> SearchSession::ShowSavedResults(std::vector<SavedResult>& results)
{
    std::unordered_map<std::string, std::uint64_t> engines;
    for (std::size_t i = 0; i < m_engines.GetCount(); ++i)
        engines.emplace(m_engines.GetEngineItem(i)->name, m_engines.GetEngineItem(i)->handle);
    std::vector<ResultId> shownAs;
    shownAs.reserve(results.size());
    for (SavedResult& result : results) {
        const auto engine = engines.find(result.engine);
        result.record.engineItem = engine == engines.end() ? 0 : engine->second;
        const bool taken = TakeResult(result.record, result.isNew);
        shownAs.push_back(taken ? static_cast<ResultId>(m_results.GetCount() - 1) : UINT32_MAX);
    }
    return shownAs;
}

// Each saved verdict on the server it was taken of, as a finished test. A
// search saved before servers were told apart by port kept its verdicts by
// host: such a verdict goes to the host's first server in its group, the
// one that was tested then.
void SearchSession::ShowSavedVerdicts(const std::vector<SavedVerdict>& verdicts)
{
    for (const SavedVerdict& verdict : verdicts) {
        if (verdict.group >= m_servers.GetGroups().size())
            continue;
        auto& servers = m_servers.GetGroups()[verdict.group].servers;
        const auto taken = std::find_if(servers.begin(), servers.end(), [&](const ServerItem& item) {
            return verdict.labelled ? item.text == verdict.server : EqualsNoCase(item.first.server, verdict.server);
        });
        if (taken == servers.end())
            continue;
        ServerItem& item = *taken;
        auto job = std::make_shared<TestJob>();
        job->server = item.first.server;
        job->serverItem = item.handle;
        job->reply = verdict.reply;
        job->verdict.store(verdict.good ? kVerdictGood : kVerdictBad, std::memory_order_release);
        item.testJob = std::move(job);
        item.testedAt = verdict.taken;
        item.state = verdict.good ? kStateSuccess : kStateFailure;
        Observer().ServerMarkChanged(verdict.group, static_cast<std::size_t>(taken - servers.begin()));
    }
}

Result<SavedSearchInfo> SearchSession::OpenSavedSearch(std::int64_t id)
{
    const Result<SearchStore*> store = m_recorder.GetStore();
    if (!store)
        return store.Error();
    std::optional<SavedSearch> saved = (*store)->Load(id);
    if (!saved)
        return Failure{"That saved search could not be read from the searches database."};
    // Nothing running may add to or test what is shown now.
    m_run.Stop();
    m_browse.Stop();
    m_testPass.Cancel();
    m_checks.Cancel();
    DispatchAll();
    ClearShownResults(saved->info.words); // the shown search is saved first
    m_recorder.Drop();
    m_showingSaved = true;
    m_stopped = false;
    m_news.clear();

    const std::vector<ResultId> shownAs = ShowSavedResults(saved->results);
    ShowSavedVerdicts(saved->verdicts);
    ShowSavedChecks(saved->checks, shownAs);
    TickEngines(saved->info.engines);
    m_recorder.Continue(saved->info);
    const auto when = static_cast<std::time_t>(saved->info.when);
    std::tm parts{};
    localtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &parts);
    m_shownSaved = std::string("Saved search of ") + text;
    Observer().SearchStateChanged();
    return saved->info;
}

void SearchSession::EngineMarkChanged(std::size_t index)
{
    Observer().EngineMarkChanged(index);
}

void SearchSession::EngineReported(const std::string& engine, ItemState state, const EngineReport& report)
{
    if (report.health != EngineHealth::OnHold) {
        ++m_enginesAsked;
        const bool noAnswer = report.health == EngineHealth::Unreachable ||
                              (report.health == EngineHealth::Timeout && report.status == 0);
        m_enginesUnreached += noAnswer ? 1 : 0;
    }
    Observer().EngineReported(engine, state, report);
}

void SearchSession::RunThreadsChanged()
{
    Observer().ActiveThreadsChanged(GetActiveThreads());
}

void SearchSession::ServerMarkChanged(std::size_t group, std::size_t index)
{
    Observer().ServerMarkChanged(group, index);
}

void SearchSession::ServerTested(std::size_t group, const ServerItem& server, const TestJob& job)
{
    Observer().ServerTested(group, server, job);
}

void SearchSession::PassThreadsChanged()
{
    Observer().ActiveThreadsChanged(GetActiveThreads());
}

} // namespace velmora
