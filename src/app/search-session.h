#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/session-observer.h"
#include "browse/browse-run.h"
#include "check/check-run.h"
#include "platform/message-queue.h"
#include "platform/thread-budget.h"
#include "results/mirror-index.h"
#include "results/program-watch.h"
#include "results/result-list.h"
#include "results/result-view.h"
#include "results/server-tree.h"
#include "results/test-pass.h"
#include "search/engine-list.h"
#include "search/search-run.h"
#include "settings/settings-target.h"
#include "settings/view-settings.h"
#include "store/search-recorder.h"

namespace velmora {

// One turn of the message pump (SearchSession::ProcessMessages).
struct MessageTurn {
    std::chrono::milliseconds wait{0};
    std::chrono::steady_clock::time_point until = std::chrono::steady_clock::time_point::max();
};

// How long the session's workers wait on the web, and how much they read:
// the defaults suit real servers; a caller may shorten them.
struct SessionLimits {
    FetchOptions fetch; // an engine's result page
    ProbeLimits probe;  // a server test
    CheckLimits check;  // a file check (its politeness comes from the browse settings)
};

// The main window without its widgets. It owns the engines, the result
// list and the server tree, one search run, one test pass, one browse and one
// round of file checks (each an object of its own, sharing only the thread
// limit), and the view choices; it takes every worker message and tells its
// observer what changed.
// Owned and called by one thread; workers reach it only through the queue,
// which they co-own, so destroying the session waits for no worker.
class SearchSession : public SettingsTarget,
                      private SearchRunListener,
                      private TestPassListener,
                      private BrowseRunListener {
public:
    explicit SearchSession(std::string workingDirectory, const SessionLimits& limits = {});
    ~SearchSession() override;
    SearchSession(const SearchSession&) = delete;
    SearchSession& operator=(const SearchSession&) = delete;

    // Reads the thread limit and the view choices from settings.dat and
    // lists the engines.
    void Initialize();
    void SetObserver(SessionObserver* observer) { m_observer = observer; }
    const std::shared_ptr<MessageQueue>& GetQueue() const { return m_queue; }

    // "Search" / "Stop" and Enter: starts a search with the text, or stops
    // the running one.
    void OnSearch(std::string_view searchText);
    // "Normal Search": saves the ticks and lists the engines again.
    void OnNormalSearch();
    // After the settings or the upgrade changed the engines.
    void ReloadEngines() override;
    void SetEngineCheck(std::size_t index, bool checked);
    void SetMaxThreads(int maxThreads) override
    {
        m_budget.SetLimit(maxThreads);
        Observer().ActiveThreadsChanged(GetActiveThreads()); // counted against a new limit
    }
    void SetSaveSearches(bool on) override
    {
        m_views.SetSaveSearches(on);
        SetSaving(on, m_saveName);
    }

    // Server testing. "Re-Test Results": a new pass over every listed
    // server; "Test Results": the AutoTest switch, saved.
    void OnRetestResults();
    void OnTestResults();
    void CancelTests();

    // Handles one message from a worker.
    void HandleMessage(Message message);
    // The one message pump of the window and the CLI: waits at most
    // `wait` for a first message, then handles those queued until none is
    // left or `until` has passed (looked at every 64 messages, so the
    // window's turn stays a few milliseconds). How many it handled.
    std::size_t ProcessMessages(const MessageTurn& turn = {});

    bool IsSearchRunning() const { return m_run.IsRunning(); }
    bool IsTestPassRunning() const { return m_testPass.IsRunning(); }
    const char* GetSearchCaption() const { return IsSearchRunning() ? "Stop" : "Search"; }
    // "Settings" and "Re-Test Results" are grayed while a search runs.
    bool AreSearchLockedCommandsEnabled() const { return !IsSearchRunning(); }
    // Every running worker of the search and the test pass together.
    int GetActiveThreads() const { return m_budget.GetUsed(); }
    int GetMaxThreads() const { return m_budget.GetLimit(); }
    int GetResultCount() const { return m_resultCount; }
    // What is going on, for the status bar: "Searching: 3 of 5 engines
    // answered", "Testing servers: 3 of 7", "Found 13 files on 7 servers",
    // "Stopped"; empty before the first search.
    std::string GetActivityText() const;
    // Programs started from results: the status line says "lftp
    // started...", then "lftp finished" or "lftp failed: " and its last
    // error line.
    void WatchPrograms(std::vector<StartedProgram> programs);
    // "Tests > Stop Tests" and Escape: the running test pass is abandoned.
    void StopTests();

    // "Browse Server": lists the record's server from the record's
    // directory (from the server's root, falling back to that directory,
    // when `fromRoot`) and adds the files found to the results. The limits
    // are those settings.dat asks for unless given. False when the record's
    // service cannot be browsed.
    bool OnBrowse(const ResultEntry& record, bool fromRoot, std::optional<BrowseLimits> limits = std::nullopt);
    void StopBrowse();
    bool IsBrowseRunning() const { return m_browse.IsRunning(); }
    const BrowseRun& GetBrowse() const { return m_browse; }

    // "Check Files": whether each result's file is there, its size and
    // date, without downloading it; each check is told to the observer and
    // kept with the result (and with the saved search). A running round is
    // replaced.
    void CheckFiles(const std::vector<ResultId>& ids);
    // Files that are no results (velmora-cli check): told to the observer
    // only, by their place in `records`.
    void CheckRecords(const std::vector<ResultEntry>& records);
    void StopChecks();
    bool IsCheckRunning() const { return m_checks.IsRunning(); }
    // The latest check of a result's file; null when it has none.
    const FileCheck* GetFileCheck(ResultId id) const;
    // The same file (name and exact size) on other servers.
    std::vector<ResultId> GetMirrors(ResultId id) const { return m_mirrors.GetMirrors(m_results, id); }

    // Saved searches. With saving on, each search is kept in velmora.db
    // under `name` (its words when empty) as it ends, and again after its
    // test pass and each browse; results no earlier search of that name
    // held are marked new.
    void SetSaving(bool on, std::string name = {});
    bool IsSaving() const { return m_recorder.IsEnabled(); }
    // Saves what is not saved yet and returns once it is written (or its
    // failure reported).
    void FinishSaving();
    // Shows a saved search (results, servers, verdicts) without fetching;
    // a running search, test pass or browse stops. Its name, words and
    // counts.
    Result<SavedSearchInfo> OpenSavedSearch(std::int64_t id);
    // The name of the engine item's section; empty for none.
    std::string GetEngineName(std::uint64_t engineItem);
    // The database, opened on first use.
    Result<SearchStore*> GetStore() { return m_recorder.GetStore(); }
    // The name the shown search is kept under; empty when it is not kept.
    std::string GetKeptName() const { return m_recorder.GetName(); }
    // Drops every saved run of `name` (the shown results stay on screen);
    // how many.
    Result<std::int64_t> ForgetSearch(const std::string& name) { return m_recorder.Forget(name); }

    EngineList& GetEngines() { return m_engines; }
    const ServerTree& GetServers() const { return m_servers; }
    const ResultList& GetResults() const { return m_results; }
    ViewSettings& GetViews() { return m_views; }
    const ViewSettings& GetViews() const { return m_views; }
    const std::string& GetWorkingDirectory() const override { return m_workingDirectory; }
    const std::string& GetSettingsPath() const { return m_settingsPath; }
    const std::string& GetFilterWords() const { return m_filterWords; }

    // What the results tree and the details panel show for the selected
    // server item (none, or a group root: nothing, and the panel keeps
    // what it showed). The tree is a view of GetResults() for `server`.
    struct ServerDetails {
        std::string address;
        std::string port;
        std::string user;
        std::string password;
        std::string response;
    };
    struct ResultsRefresh {
        bool hasDetails = false;
        std::string server; // its key (ServerKey), as the result list groups results
        ServerDetails details;
    };
    ResultsRefresh RefreshResults(std::uint64_t selectedServer) const;
    // The reply to show for a server item: its test's, once it has a
    // verdict, and why a bad one is bad when the reply does not say it.
    std::string GetServerResponse(const ServerItem& item) const;
    // Only why a bad verdict is bad; empty when unknown.
    std::string GetServerWhy(const ServerItem& item) const;

private:
    // The names of the ticked engines, in list order.
    std::vector<std::string> GetTickedEngines() const;
    int GetServerCount() const;
    // Every engine's name by its item.
    std::unordered_map<std::uint64_t, std::string> GetEngineNames() const;
    void StartSearch(const std::string& trimmedText);
    void StopSearch();
    void ClearShownResults(const std::string& words);
    void OnFoundLink(Message& message);
    void OnTestDone(const Message& message);
    void StartChecks(std::vector<FileToCheck> files, bool ofResults);
    void OnFileChecked(const Message& message);
    void OnCheckLaneDone(const Message& message);
    // Into the result list (and a new server into the tree); false for a
    // repeat.
    bool TakeResult(const ResultEntry& entry, std::optional<bool> isNew = std::nullopt);
    bool IsLocalEngine(std::uint64_t engineItem);
    // The id each saved result was shown as (UINT32_MAX for one left out).
    std::vector<ResultId> ShowSavedResults(std::vector<SavedResult>& results);
    void ShowSavedVerdicts(const std::vector<SavedVerdict>& verdicts);
    void ShowSavedChecks(const std::vector<SavedCheck>& checks, const std::vector<ResultId>& shownAs);
    void TickEngines(const std::vector<std::string>& names);
    std::vector<std::string> FoundFolders(const ResultEntry& record) const;
    void StartTests(bool userAsked);
    // Keeps what came since the last save; a failure is told to the
    // observer.
    void SaveSearch();
    void DispatchAll();
    SessionObserver& Observer() { return m_observer ? *m_observer : m_silent; }

    // What the search run and the test pass report.
    void EngineMarkChanged(std::size_t index) override;
    void EngineReported(const std::string& engine, ItemState state, const EngineReport& report) override;
    void RunThreadsChanged() override;
    void SearchEnded() override;
    void ServerMarkChanged(std::size_t group, std::size_t index) override;
    void ServerTested(std::size_t group, const ServerItem& server, const TestJob& job) override;
    void PassThreadsChanged() override;
    void DirectoryListed(const BrowseListing& listing) override;
    void DirectorySkipped(const BrowseSkip& skip) override;
    void BrowseEnded(const BrowseSummary& summary) override;
    void BrowseThreadsChanged() override;
    // A results set to add to: a browse before any search starts one.
    void EnsureResults();

    SessionObserver* m_observer = nullptr;
    SessionObserver m_silent; // stands in while no observer is set

    std::shared_ptr<MessageQueue> m_queue = std::make_shared<MessageQueue>();
    std::string m_workingDirectory;
    std::string m_settingsPath;
    ThreadBudget m_budget;
    ViewSettings m_views;
    EngineList m_engines;
    ServerTree m_servers;
    ResultList m_results;
    SearchRun m_run;
    TestPass m_testPass;
    BrowseRun m_browse;
    CheckRun m_checks;
    CheckLimits m_checkLimits;
    bool m_checkingResults = false; // the round checks results, not loose records
    std::unordered_map<ResultId, FileCheck> m_fileChecks;
    MirrorIndex m_mirrors; // results of known size, by name and size
    int m_checksAlive = 0; // files of the last round found there
    SearchRecorder m_recorder;
    std::string m_saveName;   // the name searches are kept under; their words when empty
    std::string m_shownSaved; // "Saved search of 2026-12-07 22:02" while one is shown
    // A saved search is shown: links a stopped search still posts belong
    // to other results.
    bool m_showingSaved = false;
    std::string m_browsedServer; // the server of the current or last browse
    std::string m_firstBrowseSkip;
    std::string m_news;            // how the last browse or started program ended, until the next job
    std::size_t m_browseTaken = 0; // results the current browse added

    std::size_t m_newResults = 0; // results marked new (see ResultList::MarkNew)
    int m_enginesAsked = 0;       // engines of this search that reported, holds aside
    int m_enginesUnreached = 0;   // of them, those that gave no answer at all
    std::string m_filterWords;    // the word filter of the current search
    bool m_searched = false;      // a search has started (m_searchMode 1)
    bool m_stopped = false;       // the last search or test pass was stopped
    int m_resultCount = 0;
    ResultEntry m_foundEntry; // each found link is read into it: its texts keep their room
};

} // namespace velmora
