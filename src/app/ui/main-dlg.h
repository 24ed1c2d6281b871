#pragma once

#include <QMainWindow>

#include <map>
#include <memory>
#include <string>

#include "app/search-session.h"
#include "results/client-launch.h"

class QAction;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace velmora {

class CPaneSplitter;
class CServerDetailsDlg;
class CStatusBar;
class DialogUnits;
class QueueNotifier;

// The main window: a view of the search session and a router of the
// user's commands to it. Widgets carry their control and command ids as
// object names.
class CMainDlg : public QMainWindow, private SessionObserver {
    Q_OBJECT
public:
    explicit CMainDlg(std::string workingDirectory, QWidget* parent = nullptr);
    ~CMainDlg() override;

    SearchSession& GetSession() { return *m_pSession; }
    CPaneSplitter* GetClient() const { return m_pClient; }
    CServerDetailsDlg* GetServerDetails() const { return m_pServerDetails; }
    QAction* GetCommand(int id) const;

    void OnSearch();
    void OnNormalSearch();
    void OnAbout();
    void OnSettings();
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
    // The results tree's commands, on the record of its selected item.
    void OnConnectToServer();
    void OnGetFile();
    void OnCopyToClipboard();
    void OnResultsContextMenu(const QPoint& at);
    void ShowLaunchProblem(const LaunchResult& launched);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls(const DialogUnits& du);
    void CreateMenus();
    void RestoreMenuChecks();
    void UpdateCommandStates();
    void LayoutControls(int cx, int cy);
    void ProcessMessages();
    void FillEngineTree();
    void ResetServerTree();
    const ResultEntry* GetSelectedRecord() const;
    QTreeWidgetItem* FindServerItem(std::size_t group, std::size_t index) const;

    // What the session reports.
    void EnginesReloaded() override;
    void EngineMarkChanged(std::size_t index) override;
    void EngineReported(const std::string& engine, int mark, const EngineReport& report) override;
    void ServersCleared() override;
    void ServerAdded(std::size_t group, const ServerItem& server) override;
    void ServerMarkChanged(std::size_t group, std::size_t index) override;
    void ServerTested(std::size_t group, const ServerItem& server, const TestJob& job) override;
    void ResultCountChanged(int count) override;
    void ActiveThreadsChanged(int count) override;
    void SearchStateChanged() override;
    void ResultsViewCleared() override;

    std::unique_ptr<SearchSession> m_pSession;
    QueueNotifier* m_pNotifier = nullptr;
    CPaneSplitter* m_pClient = nullptr;
    QGroupBox* m_pSearchGroup = nullptr;
    QRadioButton* m_pNormalSearch = nullptr;
    QRadioButton* m_pChartsSearch = nullptr;
    QLineEdit* m_pSearchEdit = nullptr;
    QPushButton* m_pSearchButton = nullptr;
    QPushButton* m_pTopChartsButton = nullptr;
    QTreeWidget* m_pEngineTree = nullptr;
    QTreeWidget* m_pServerTree = nullptr;
    QTreeWidget* m_pResultsTree = nullptr;
    CStatusBar* m_pStatusBar = nullptr;
    CServerDetailsDlg* m_pServerDetails = nullptr;
    bool m_bDetailsPlaced = false;
    std::map<int, QAction*> m_commands;
    bool m_bFillingEngines = false;
};

} // namespace velmora
