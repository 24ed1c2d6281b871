#pragma once

#include <QMainWindow>

#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/search-session.h"
#include "export/ui/export-dialog.h"
#include "results/client-launch.h"

class QAction;
class QDockWidget;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QStackedWidget;
class QTimer;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {

// Why Top Charts Search is always greyed.
inline constexpr const char* kChartsUnavailable =
    "Top Charts Search is not available: none of the search engines offers top charts.";

class ResultsModel;
struct MenuItem;
class ServerDetailsDialog;
class StatusBar;
class WelcomePage;
class QueueNotifier;

// The window's commands: the menu bar's and the results tree's.
enum class Command : int {
    Search,
    SearchAgain,
    ChartsSearch,
    RecentSearches,
    ForgetSearch,
    Export,
    Exit,
    Settings,
    FilterResults,
    OnlyNewResults,
    List,
    HalfDetailed,
    Detailed,
    ServerDetails,
    TestResults,
    RetestResults,
    StopTests,
    BrowseServer,
    StopBrowsing,
    CheckFiles,
    StopChecks,
    Documentation,
    CheckUpgrade,
    UpdateEngines,
    UpdateClients,
    About,
    ConnectToServer,
    GetFile,
    CopyToClipboard,
    Count
};

// The main window: a view of the search session and a router of the
// user's commands to it. Widgets and commands carry names that say what
// they are as object names (tests and accessibility find them by these). The three trees stand side by side in a
// splitter the user drags; the server details panel is a dock. Where the window stood, its panes and its dock are kept
// in settings.dat when it closes.
class MainWindow : public QMainWindow, private SessionObserver {
    Q_OBJECT
public:
    explicit MainWindow(std::string workingDirectory, QWidget* parent = nullptr);
    ~MainWindow() override;

    SearchSession& GetSession() { return *m_session; }
    QSplitter* GetPanes() const { return m_panes; }
    ServerDetailsDialog* GetServerDetails() const { return m_serverDetails; }
    QDockWidget* GetServerDetailsDock() const { return m_detailsDock; }
    QAction* GetCommand(Command command) const;

    void OnSearch();
    void OnNormalSearch();
    // Once, on a first start: where settings, searches and downloads live.
    void TellWhereThingsLive();
    // F5: the same words again, when no search runs.
    void OnSearchAgain();
    // Escape: stops a running search, else a running test pass, else a
    // browse.
    void OnEscape();
    void OnAbout();
    // Edit > Settings, opened at a page (0 General, 1 FTP Clients, 2 Search
    // Engines).
    void OnSettings(int page = 0);
    // Help > "Check for Upgrade" (1), "Update Engines" (2), "Update Clients" (3).
    void OnUpgrade(int mode);
    void OnDocumentation();
    // Rebuilds the results tree and the details panel for the selected server.
    void RefreshResults();
    void OnViewStyle(int style);
    void OnFilterResults();
    void OnServerDetails();
    void OnTestResults();
    void OnRetestResults();
    void OnStopTests();
    // The results tree's commands, on the record of its selected item.
    void OnConnectToServer();
    void OnGetFile();
    void OnCopyToClipboard();
    void OnResultsContextMenu(const QPoint& at);
    void OnServerContextMenu(const QPoint& at);
    // "Browse Server": from the selected result's directory, or from the
    // selected server's root when the server tree has the focus.
    void OnBrowseServer(bool fromRoot);
    void OnStopBrowsing();
    // Tests > "Check Files": the selected results, or every result of the
    // selected server when none is selected.
    void OnCheckFiles();
    void OnStopChecks();
    void TakeLaunch(LaunchResult launched);
    // File > "Recent Searches": the newest saved searches, filled each
    // time the menu opens; choosing one shows it without fetching.
    void FillRecentSearches();
    void OnOpenSavedSearch(std::int64_t id);
    void OnForgetSearch();
    // View > "Only New Results".
    void OnOnlyNewResults();
    // File > "Export…": asks what and how, then where.
    void OnExport();
    // Writes the chosen results to `path`; false after telling the user why
    // nothing was written.
    bool ExportResults(const ExportChoice& choice, const QString& path);
    QMenu* GetRecentSearchesMenu() const { return m_recentMenu; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void CreatePanes(QWidget* client);
    void CreateStatusBar();
    QWidget* CreateSearchGroup();
    void CreateDetailsDock();
    QWidget* CreateResultsPane(QWidget* parent);
    void CreateResultsFilter();
    void CreateResultsView();
    void CreateMenus();
    QAction* AddCommand(const MenuItem& item);
    void SetUpSearchModes();
    void ConnectCommandsWithArguments();
    void SetTabOrder();
    void RestoreMenuChecks();
    void UpdateCommandStates();
    void UpdateActivity();
    void ShowThreadLimit();
    void RestorePlacement();
    void SavePlacement() const;
    void ProcessMessages();
    void FillEngineTree();
    void ResetServerTree();
    void ShowServerMark(QTreeWidgetItem* item, const ServerItem& server);
    void ExpandToFirstFile();
    void FitResultColumns();
    // A small window gives its room to the results first.
    void GiveResultsRoom();
    void KeepDetailsSmall();
    void FitDetailsToPanel();
    std::optional<ResultEntry> GetSelectedRecord() const;
    std::vector<ResultEntry> GetSelectedRecords() const;
    std::vector<ResultId> GetSelectedRecordIds() const;
    // The records of the selected server, oldest first; none when no
    // server is selected.
    std::vector<ResultId> GetSelectedServerRecordIds() const;
    const ServerItem* GetSelectedServer() const;
    // The shown server's results again, the selected one kept selected.
    void RefreshKeepingSelection();
    // A timer that does that once, a moment after it is started.
    QTimer* MakeRefreshTimer();
    QTreeWidgetItem* FindServerItem(std::size_t group, std::size_t index) const;

    // What the session reports.
    void EnginesReloaded() override;
    void EngineMarkChanged(std::size_t index) override;
    void EngineReported(const std::string& engine, ItemState state, const EngineReport& report) override;
    void ServersCleared() override;
    void ServerAdded(std::size_t group, const ServerItem& server) override;
    void ServerMarkChanged(std::size_t group, std::size_t index) override;
    void ServerTested(std::size_t group, const ServerItem& server, const TestJob& job) override;
    void ResultCountChanged(int count) override;
    void ActiveThreadsChanged(int count) override;
    void SearchStateChanged() override;
    void ResultsViewCleared() override;
    void BrowseListed(const BrowseListing& listing) override;
    void BrowseEnded(const BrowseSummary& summary) override;
    void FileChecked(std::uint32_t result, const std::string& url, const FileCheck& check) override;
    void SearchNotSaved(const std::string& why) override;

    std::unique_ptr<SearchSession> m_session;
    QueueNotifier* m_notifier = nullptr;
    QTimer* m_messageTurn = nullptr; // the next turn of a long flood of messages
    QGroupBox* m_searchGroup = nullptr;
    QRadioButton* m_normalSearch = nullptr;
    QRadioButton* m_chartsSearch = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QPushButton* m_searchButton = nullptr;
    QPushButton* m_topChartsButton = nullptr;
    QSplitter* m_panes = nullptr;
    QTreeWidget* m_engineTree = nullptr;
    QTreeWidget* m_serverTree = nullptr;
    QStackedWidget* m_resultsArea = nullptr;
    WelcomePage* m_welcome = nullptr;
    QWidget* m_resultsPane = nullptr;
    QLineEdit* m_resultsFilter = nullptr;
    QTimer* m_filterDelay = nullptr;
    QTimer* m_browseRefresh = nullptr; // files a browse adds show at this pace
    QTimer* m_checkRefresh = nullptr;  // and so do the marks of checked files
    QTreeView* m_resultsView = nullptr;
    ResultsModel* m_resultsModel = nullptr;
    StatusBar* m_statusBar = nullptr;
    QDockWidget* m_detailsDock = nullptr;
    ServerDetailsDialog* m_serverDetails = nullptr;
    bool m_firstShow = true;
    std::array<QAction*, static_cast<std::size_t>(Command::Count)> m_commands{};
    bool m_fillingEngines = false;
    QMenu* m_recentMenu = nullptr;
    bool m_toldNotSaved = false; // one warning a search is enough
};

} // namespace velmora
