#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/session-observer.h"
#include "platform/http-fetch.h"
#include "platform/message-queue.h"
#include "results/result-list.h"
#include "results/result-view.h"
#include "results/server-probe.h"
#include "results/server-tree.h"
#include "search/engine-list.h"

namespace velmora {

struct SearchJob;

// The main window without its widgets: engines, servers, results, the
// shared counters and the message queue, and the steps that start, run
// and stop a search. Owned and called by one thread; workers reach it only
// through the queue, which they co-own, so destroying the session waits for
// no worker.
class SearchSession {
public:
    explicit SearchSession(std::string workingDirectory);
    ~SearchSession();
    SearchSession(const SearchSession&) = delete;
    SearchSession& operator=(const SearchSession&) = delete;

    // Reads the thread limit and switches from settings.dat and lists the
    // engines.
    void Initialize();
    void SetObserver(SessionObserver* observer) { m_pObserver = observer; }
    const std::shared_ptr<MessageQueue>& GetQueue() const { return m_pQueue; }

    // "Search" / "Stop" and Enter: starts a search with the text, or stops
    // the running one.
    void OnSearch(std::string_view searchText);
    // "Normal Search": saves the ticks and lists the engines again.
    void OnNormalSearch();
    // After the settings or the upgrade changed the engines.
    void ReloadEngines();
    void SetEngineCheck(std::size_t index, bool checked);

    // Handles one message from a worker; ProcessMessages handles all that
    // are queued and returns how many.
    void HandleMessage(Message message);
    std::size_t ProcessMessages();

    bool IsSearchRunning() const { return m_strSearchCaption != "Search"; }
    const std::string& GetSearchCaption() const { return m_strSearchCaption; }
    // "Settings" and "Re-Test Results" are grayed while a search runs.
    bool AreSearchLockedCommandsEnabled() const { return !IsSearchRunning(); }

    EngineList& GetEngines() { return m_engines; }
    const ServerTree& GetServers() const { return m_servers; }
    const ResultList& GetResults() const { return m_results; }
    const std::string& GetWorkingDirectory() const { return m_strWorkingDirectory; }
    const std::string& GetSettingsPath() const { return m_strSettingsPath; }
    const std::string& GetFilterWords() const { return m_strFilterWords; }
    int GetResultCount() const { return m_nResults; }
    int GetActiveThreads() const { return m_nActiveThreads; }
    int GetMaxThreads() const { return m_nMaxThreads; }
    void SetMaxThreads(int maxThreads) { m_nMaxThreads = maxThreads; }
    bool GetFilterResults() const { return m_bFilterResults; }
    void SetFilterResults(bool on) { m_bFilterResults = on; }
    bool GetAutoTest() const { return m_bAutoTest; }
    // The view style as read (1 List, 2 Half Detailed, 3 Detailed; any
    // other value selects none).
    int GetViewStyle() const { return m_nViewStyle; }
    bool GetServerDetailsShown() const { return m_bServerDetails; }
    // Limits every search worker's fetch (time-outs, page cap).
    void SetFetchLimits(const FetchOptions& limits) { m_fetchLimits = limits; }
    void SetProbeLimits(const ProbeLimits& limits) { m_probeLimits = limits; }
    // Switches automatic tests for this session only, without writing the
    // setting (the command line tests only when asked to).
    void SetAutoTestForSession(bool on) { m_bAutoTest = on; }

    // Server testing. "Re-Test Results": a new pass over every listed
    // server; "Test Results": the AutoTest switch, saved.
    void OnRetestResults();
    void OnTestResults();
    void CancelTests();
    // True while probes of the current pass run or wait for a thread.
    bool IsTestPassRunning() const;

    // What the results tree and the details panel show for the selected
    // server item (none, or a group root: nothing, and the panel keeps
    // what it showed).
    struct ServerDetails {
        std::string address;
        std::string port;
        std::string user;
        std::string password;
        std::string response;
    };
    struct ResultsRefresh {
        std::vector<ViewItem> items;
        bool hasDetails = false;
        ServerDetails details;
    };
    ResultsRefresh RefreshResults(std::uint64_t selectedServer) const;
    // The reply to show for a server item: its test's, once it has a verdict.
    std::string GetServerResponse(const ServerItem& item) const;

    // The View menu's choices, saved as they are made.
    void SetViewStyle(int style);
    void FlipFilterResults();
    void SetServerDetailsShown(bool shown);

private:
    void StartSearch(const std::string& trimmedText);
    void StopSearch();
    void DispatchSearchJobs();
    void StartEngine(EngineItem& item);
    void EndSearch();
    void SetSearchCaption(const char* caption);
    void SetEngineMark(std::size_t index, int mark);
    void OnEngineReport(const Message& message, int mark);
    void OnEngineStopped(const Message& message);
    void OnFoundLink(Message& message);
    void DispatchTestJobs();
    void StartProbe(std::size_t group, ServerItem& item);
    void SetServerMark(std::size_t group, std::size_t index, int mark);
    void OnTestDone(const Message& message);

    SessionObserver* m_pObserver = nullptr;
    SessionObserver m_silent; // stands in while no observer is set
    SessionObserver& Observer() { return m_pObserver ? *m_pObserver : m_silent; }

    std::shared_ptr<MessageQueue> m_pQueue = std::make_shared<MessageQueue>();
    std::string m_strWorkingDirectory;
    std::string m_strSettingsPath;
    EngineList m_engines;
    ServerTree m_servers;
    ProbeLimits m_probeLimits;
    ResultList m_results;
    FetchOptions m_fetchLimits;

    std::string m_strSearchText;
    std::string m_strSearchCaption = "Search";
    std::string m_strFilterWords;
    int m_nMaxThreads = 5;
    int m_nActiveThreads = 0;
    int m_nNextItem = 0;
    int m_nSearchMode = 0;
    int m_nResults = 0;
    bool m_bFilterResults = true;
    bool m_bAutoTest = true;
    int m_nViewStyle = 1;
    bool m_bServerDetails = true;

    // Jobs counted in m_nActiveThreads, by identity: only their reports
    // count down and dispatch, whatever became of their engine item.
    std::unordered_map<std::uint64_t, std::shared_ptr<SearchJob>> m_runningJobs;
    std::uint64_t m_nNextJobId = 1;
    std::uint64_t m_nFirstJobOfSearch = 1; // links of older jobs are stale

    // Probes of the current pass still waiting for their verdict.
    std::unordered_map<std::uint64_t, std::shared_ptr<TestJob>> m_runningTests;
};

} // namespace velmora
