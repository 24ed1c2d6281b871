// The main window's menu bar and the states of its commands.

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

#include "app/ui/main-window.h"

namespace velmora {

namespace {

enum CommandId : int {
    kIdSearch = 32771,
    kIdChartsSearch = 32772,
    kIdExit = 32773,
    kIdSettings = 32774,
    kIdHalfDetailed = 32778,
    kIdDetailed = 32779,
    kIdTestResults = 32780,
    kIdRetestResults = 32781,
    kIdDocumentation = 32782,
    kIdCheckUpgrade = 32783,
    kIdUpdateEngines = 32784,
    kIdUpdateClients = 32785,
    kIdAbout = 32786,
    kIdFilterResults = 32791,
    kIdServerDetails = 32792,
    kIdStopTests = 32793,
    kIdSearchAgain = 32794,
    kIdBrowseServer = 32795,
    kIdStopBrowsing = 32796,
    kIdExport = 32797,
    kIdRecentSearches = 32798,
    kIdOnlyNewResults = 32799,
    kIdForgetSearch = 32800,
    kIdList = 59410,
    kIdConnectToServer = 32787,
    kIdGetFile = 32788,
    kIdCopyToClipboard = 32789,
};

struct MenuItem {
    int id; // 0 for a separator
    const char* text;
    bool checkable;
    QKeySequence shortcut = {};
};

struct Popup {
    const char* title;
    std::initializer_list<MenuItem> items;
};

// Items that open a dialog end in an ellipsis; every item has a mnemonic.
const Popup kMenus[] = {
    {"&File",
     {{kIdSearch, "&Search", true},
      {kIdSearchAgain, "Search &Again", false, QKeySequence(Qt::Key_F5)},
      {kIdChartsSearch, "&Charts Search", true},
      {0, "", false},
      {kIdRecentSearches, "&Recent Searches", false},
      {kIdForgetSearch, "&Forget This Search\u2026", false},
      {kIdExport, "&Export\u2026", false, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E)},
      {0, "", false},
      {kIdExit, "E&xit", false, QKeySequence(Qt::CTRL | Qt::Key_Q)}}},
    {"&Edit", {{kIdSettings, "&Settings\u2026", false, QKeySequence(Qt::CTRL | Qt::Key_Comma)}}},
    {"&View",
     {{kIdFilterResults, "&Filter Results", true},
      {kIdOnlyNewResults, "Only &New Results", true},
      {0, "", false},
      {kIdList, "&List", true},
      {kIdHalfDetailed, "&Half Detailed", true},
      {kIdDetailed, "&Detailed", true},
      {0, "", false},
      {kIdServerDetails, "Server D&etails", true}}},
    {"&Tests",
     {{kIdTestResults, "&Test Results", true},
      {kIdRetestResults, "&Re-Test Results", false},
      // Esc and Enter act from the window's panes; the menus only name them.
      {kIdStopTests, "&Stop Tests\tEsc", false},
      {0, "", false},
      {kIdBrowseServer, "&Browse Server", false, QKeySequence(Qt::CTRL | Qt::Key_B)},
      {kIdStopBrowsing, "Stop Bro&wsing\tEsc", false}}},
    {"&Help",
     {{kIdDocumentation, "&Documentation", false, QKeySequence(Qt::Key_F1)},
      {0, "", false},
      {kIdCheckUpgrade, "Check for &Upgrade\u2026", false},
      {kIdUpdateEngines, "Update &Engines\u2026", false},
      {kIdUpdateClients, "Update &Clients\u2026", false},
      {0, "", false},
      {kIdAbout, "&About Velmora\u2026", false}}},
};

} // namespace

void MainWindow::CreateMenus()
{
    for (const Popup& popup : kMenus) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(popup.title));
        menu->setToolTipsVisible(true);
        for (const MenuItem& item : popup.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setObjectName(QString::number(item.id));
            action->setCheckable(item.checkable);
            action->setShortcut(item.shortcut);
            m_commands[item.id] = action;
        }
    }
    // File > Search and Charts Search are the two search modes, one of
    // them chosen, as the radio buttons above the words say.
    auto* modes = new QActionGroup(this);
    modes->addAction(m_commands[kIdSearch]);
    modes->addAction(m_commands[kIdChartsSearch]);
    m_commands[kIdSearch]->setChecked(true);
    m_commands[kIdSearch]->setStatusTip(QStringLiteral("Search the ticked engines for the words typed"));
    connect(m_commands[kIdSearch], &QAction::triggered, this, &MainWindow::OnNormalSearch);
    m_commands[kIdChartsSearch]->setEnabled(false);
    m_commands[kIdChartsSearch]->setToolTip(QString::fromLatin1(kChartsUnavailable));
    m_commands[kIdChartsSearch]->setStatusTip(QString::fromLatin1(kChartsUnavailable));
    m_recentMenu = new QMenu(this);
    m_recentMenu->setObjectName(QStringLiteral("recentSearches"));
    m_commands[kIdRecentSearches]->setMenu(m_recentMenu);
    connect(m_recentMenu, &QMenu::aboutToShow, this, &MainWindow::FillRecentSearches);
    connect(m_commands[kIdExport], &QAction::triggered, this, &MainWindow::OnExport);
    m_commands[kIdForgetSearch]->setStatusTip(
        QStringLiteral("Drop every saved run of the search shown from Recent Searches and Export"));
    connect(m_commands[kIdForgetSearch], &QAction::triggered, this, &MainWindow::OnForgetSearch);
    connect(m_commands[kIdOnlyNewResults], &QAction::triggered, this, &MainWindow::OnOnlyNewResults);
    connect(m_commands[kIdExit], &QAction::triggered, this, &QWidget::close);
    connect(m_commands[kIdDocumentation], &QAction::triggered, this, &MainWindow::OnDocumentation);
    connect(m_commands[kIdAbout], &QAction::triggered, this, &MainWindow::OnAbout);
    connect(m_commands[kIdSettings], &QAction::triggered, this, [this] { OnSettings(0); });
    connect(m_commands[kIdSearchAgain], &QAction::triggered, this, &MainWindow::OnSearchAgain);
    connect(m_commands[kIdStopTests], &QAction::triggered, this, &MainWindow::OnStopTests);
    // From the menu or its shortcut, the pane with the focus says where to start.
    connect(m_commands[kIdBrowseServer], &QAction::triggered, this,
            [this] { OnBrowseServer(!m_resultsView->hasFocus()); });
    connect(m_commands[kIdStopBrowsing], &QAction::triggered, this, &MainWindow::OnStopBrowsing);
    connect(m_commands[kIdCheckUpgrade], &QAction::triggered, this, [this] { OnUpgrade(1); });
    connect(m_commands[kIdUpdateEngines], &QAction::triggered, this, [this] { OnUpgrade(2); });
    connect(m_commands[kIdUpdateClients], &QAction::triggered, this, [this] { OnUpgrade(3); });
    connect(m_commands[kIdList], &QAction::triggered, this, [this] { OnViewStyle(1); });
    connect(m_commands[kIdHalfDetailed], &QAction::triggered, this, [this] { OnViewStyle(2); });
    connect(m_commands[kIdDetailed], &QAction::triggered, this, [this] { OnViewStyle(3); });
    connect(m_commands[kIdFilterResults], &QAction::triggered, this, &MainWindow::OnFilterResults);
    connect(m_commands[kIdServerDetails], &QAction::triggered, this, &MainWindow::OnServerDetails);
    connect(m_commands[kIdTestResults], &QAction::triggered, this, &MainWindow::OnTestResults);
    connect(m_commands[kIdRetestResults], &QAction::triggered, this, &MainWindow::OnRetestResults);
    CreateResultCommands();
    UpdateCommandStates();
}

// The results tree's context menu: commands for the selected results.
void MainWindow::CreateResultCommands()
{
    const std::pair<int, const char*> resultCommands[] = {{kIdConnectToServer, "&Connect To Server"},
                                                          {kIdGetFile, "&Get File\tEnter"},
                                                          {kIdCopyToClipboard, "Copy To C&lipboard\tCtrl+C"}};
    for (const auto& [id, text] : resultCommands) {
        auto* action = new QAction(QString::fromLatin1(text), this);
        action->setObjectName(QString::number(id));
        m_commands[id] = action;
    }
    connect(m_commands[kIdConnectToServer], &QAction::triggered, this, &MainWindow::OnConnectToServer);
    connect(m_commands[kIdGetFile], &QAction::triggered, this, &MainWindow::OnGetFile);
    connect(m_commands[kIdCopyToClipboard], &QAction::triggered, this, &MainWindow::OnCopyToClipboard);
}

QAction* MainWindow::GetCommand(int id) const
{
    const auto found = m_commands.find(id);
    return found == m_commands.end() ? nullptr : found->second;
}

void MainWindow::RestoreMenuChecks()
{
    const ViewSettings& views = m_session->GetViews();
    m_commands[kIdFilterResults]->setChecked(views.GetFilterResults());
    m_commands[kIdOnlyNewResults]->setChecked(views.GetOnlyNewResults());
    m_commands[kIdList]->setChecked(views.GetViewStyle() == kViewList);
    m_commands[kIdHalfDetailed]->setChecked(views.GetViewStyle() == kViewHalfDetailed);
    m_commands[kIdDetailed]->setChecked(views.GetViewStyle() == kViewDetailed);
    m_commands[kIdTestResults]->setChecked(views.GetAutoTest());
    m_commands[kIdServerDetails]->setChecked(views.GetServerDetailsShown());
}

void MainWindow::UpdateCommandStates()
{
    if (m_commands.empty())
        return; // the trees report before the menus are made
    const bool idle = m_session->AreSearchLockedCommandsEnabled();
    for (int id : {kIdSettings, kIdRetestResults, kIdSearchAgain})
        m_commands[id]->setEnabled(idle);
    // Stopping tests is a command of its own, never the Search button.
    m_commands[kIdStopTests]->setEnabled(m_session->IsTestPassRunning());
    m_commands[kIdBrowseServer]->setEnabled(!m_session->IsSearchRunning() && GetSelectedServer() != nullptr);
    m_commands[kIdStopBrowsing]->setEnabled(m_session->IsBrowseRunning());
    m_commands[kIdExport]->setEnabled(m_session->GetResultCount() > 0);
    m_commands[kIdForgetSearch]->setEnabled(!m_session->IsSearchRunning() && !m_session->GetKeptName().empty());
}

} // namespace velmora
