// The main window's menu bar and the states of its commands.

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QTreeView>

#include "app/ui/main-window.h"

namespace velmora {

using Slot = void (MainWindow::*)();

// One command as the menus list it.
struct MenuItem {
    Command command;
    const char* name; // the action's object name; null for a separator
    const char* text;
    bool checkable = false;
    QKeySequence shortcut = {};
    Slot slot = nullptr; // commands that take an argument connect apart
};

namespace {

const MenuItem kSeparator = {Command::Count, nullptr, ""};

struct Popup {
    const char* title;
    std::initializer_list<MenuItem> items;
};

// Items that open a dialog end in an ellipsis; every item has a mnemonic.
const Popup kMenus[] = {
    {"&File",
     {{Command::Search, "searchAction", "&Search", true, {}, &MainWindow::OnNormalSearch},
      {Command::SearchAgain, "searchAgainAction", "Search &Again", false, QKeySequence(Qt::Key_F5),
       &MainWindow::OnSearchAgain},
      {Command::ChartsSearch, "chartsSearchAction", "&Charts Search", true},
      kSeparator,
      {Command::RecentSearches, "recentSearchesAction", "&Recent Searches"},
      {Command::ForgetSearch,
       "forgetSearchAction",
       "&Forget This Search\u2026",
       false,
       {},
       &MainWindow::OnForgetSearch},
      {Command::Export, "exportAction", "&Export\u2026", false, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E),
       &MainWindow::OnExport},
      kSeparator,
      {Command::Exit, "exitAction", "E&xit", false, QKeySequence(Qt::CTRL | Qt::Key_Q)}}},
    {"&Edit",
     {{Command::Settings, "settingsAction", "&Settings\u2026", false, QKeySequence(Qt::CTRL | Qt::Key_Comma)}}},
    {"&View",
     {{Command::FilterResults, "filterResultsAction", "&Filter Results", true, {}, &MainWindow::OnFilterResults},
      {Command::OnlyNewResults, "onlyNewResultsAction", "Only &New Results", true, {}, &MainWindow::OnOnlyNewResults},
      kSeparator,
      {Command::List, "listViewAction", "&List", true},
      {Command::HalfDetailed, "halfDetailedViewAction", "&Half Detailed", true},
      {Command::Detailed, "detailedViewAction", "&Detailed", true},
      kSeparator,
      {Command::ServerDetails, "serverDetailsAction", "Server D&etails", true, {}, &MainWindow::OnServerDetails}}},
    {"&Tests",
     {{Command::TestResults, "testResultsAction", "&Test Results", true, {}, &MainWindow::OnTestResults},
      {Command::RetestResults, "retestResultsAction", "&Re-Test Results", false, {}, &MainWindow::OnRetestResults},
      // Esc and Enter act from the window's panes; the menus only name them.
      {Command::StopTests, "stopTestsAction", "&Stop Tests\tEsc", false, {}, &MainWindow::OnStopTests},
      kSeparator,
      {Command::BrowseServer, "browseServerAction", "&Browse Server", false, QKeySequence(Qt::CTRL | Qt::Key_B)},
      {Command::StopBrowsing, "stopBrowsingAction", "Stop Bro&wsing\tEsc", false, {}, &MainWindow::OnStopBrowsing},
      kSeparator,
      {Command::CheckFiles, "checkFilesAction", "&Check Files", false, QKeySequence(Qt::CTRL | Qt::Key_K),
       &MainWindow::OnCheckFiles},
      {Command::StopChecks, "stopChecksAction", "Stop Chec&king\tEsc", false, {}, &MainWindow::OnStopChecks}}},
    {"&Help",
     {{Command::Documentation, "documentationAction", "&Documentation", false, QKeySequence(Qt::Key_F1),
       &MainWindow::OnDocumentation},
      kSeparator,
      {Command::CheckUpgrade, "checkUpgradeAction", "Check for &Upgrade\u2026"},
      {Command::UpdateEngines, "updateEnginesAction", "Update &Engines\u2026"},
      {Command::UpdateClients, "updateClientsAction", "Update &Clients\u2026"},
      kSeparator,
      {Command::About, "aboutAction", "&About Velmora\u2026", false, {}, &MainWindow::OnAbout}}},
};

// The results tree's context menu: commands for the selected results.
const MenuItem kResultCommands[] = {
    {Command::ConnectToServer,
     "connectToServerAction",
     "&Connect To Server",
     false,
     {},
     &MainWindow::OnConnectToServer},
    {Command::GetFile, "getFileAction", "&Get File\tEnter", false, {}, &MainWindow::OnGetFile},
    {Command::CopyToClipboard,
     "copyToClipboardAction",
     "Copy To C&lipboard\tCtrl+C",
     false,
     {},
     &MainWindow::OnCopyToClipboard},
};

} // namespace

QAction* MainWindow::AddCommand(const MenuItem& item)
{
    auto* action = new QAction(QString::fromUtf8(item.text), this);
    action->setObjectName(QString::fromLatin1(item.name));
    action->setCheckable(item.checkable);
    action->setShortcut(item.shortcut);
    if (item.slot)
        connect(action, &QAction::triggered, this, item.slot);
    m_commands[static_cast<std::size_t>(item.command)] = action;
    return action;
}

void MainWindow::CreateMenus()
{
    for (const Popup& popup : kMenus) {
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(popup.title));
        menu->setToolTipsVisible(true);
        for (const MenuItem& item : popup.items) {
            if (item.name == nullptr)
                menu->addSeparator();
            else
                menu->addAction(AddCommand(item));
        }
    }
    for (const MenuItem& item : kResultCommands)
        AddCommand(item);
    SetUpSearchModes();
    ConnectCommandsWithArguments();
    UpdateCommandStates();
}

void MainWindow::SetUpSearchModes()
{
    // File > Search and Charts Search are the two search modes, one of
    // them chosen, as the radio buttons above the words say.
    auto* modes = new QActionGroup(this);
    modes->addAction(GetCommand(Command::Search));
    modes->addAction(GetCommand(Command::ChartsSearch));
    GetCommand(Command::Search)->setChecked(true);
    GetCommand(Command::Search)->setStatusTip(QStringLiteral("Search the ticked engines for the words typed"));
    QAction* charts = GetCommand(Command::ChartsSearch);
    charts->setEnabled(false);
    charts->setToolTip(QString::fromLatin1(kChartsUnavailable));
    charts->setStatusTip(QString::fromLatin1(kChartsUnavailable));
    GetCommand(Command::ForgetSearch)
        ->setStatusTip(QStringLiteral("Drop every saved run of the search shown from Recent Searches and Export"));
    GetCommand(Command::CheckFiles)
        ->setStatusTip(QStringLiteral("Whether the selected files (or all of the selected server's) are there, their "
                                      "size and date, without downloading them"));
}

void MainWindow::ConnectCommandsWithArguments()
{
    m_recentMenu = new QMenu(this);
    m_recentMenu->setObjectName(QStringLiteral("recentSearches"));
    GetCommand(Command::RecentSearches)->setMenu(m_recentMenu);
    connect(m_recentMenu, &QMenu::aboutToShow, this, &MainWindow::FillRecentSearches);
    connect(GetCommand(Command::Exit), &QAction::triggered, this, &QWidget::close);
    connect(GetCommand(Command::Settings), &QAction::triggered, this, [this] { OnSettings(0); });
    // From the menu or its shortcut, the pane with the focus says where to start.
    connect(GetCommand(Command::BrowseServer), &QAction::triggered, this,
            [this] { OnBrowseServer(!m_resultsView->hasFocus()); });
    connect(GetCommand(Command::CheckUpgrade), &QAction::triggered, this, [this] { OnUpgrade(1); });
    connect(GetCommand(Command::UpdateEngines), &QAction::triggered, this, [this] { OnUpgrade(2); });
    connect(GetCommand(Command::UpdateClients), &QAction::triggered, this, [this] { OnUpgrade(3); });
    connect(GetCommand(Command::List), &QAction::triggered, this, [this] { OnViewStyle(1); });
    connect(GetCommand(Command::HalfDetailed), &QAction::triggered, this, [this] { OnViewStyle(2); });
    connect(GetCommand(Command::Detailed), &QAction::triggered, this, [this] { OnViewStyle(3); });
}

QAction* MainWindow::GetCommand(Command command) const
{
    const auto at = static_cast<std::size_t>(command);
    return at < m_commands.size() ? m_commands[at] : nullptr;
}

void MainWindow::RestoreMenuChecks()
{
    const ViewSettings& views = m_session->GetViews();
    GetCommand(Command::FilterResults)->setChecked(views.GetFilterResults());
    GetCommand(Command::OnlyNewResults)->setChecked(views.GetOnlyNewResults());
    GetCommand(Command::List)->setChecked(views.GetViewStyle() == kViewList);
    GetCommand(Command::HalfDetailed)->setChecked(views.GetViewStyle() == kViewHalfDetailed);
    GetCommand(Command::Detailed)->setChecked(views.GetViewStyle() == kViewDetailed);
    GetCommand(Command::TestResults)->setChecked(views.GetAutoTest());
    GetCommand(Command::ServerDetails)->setChecked(views.GetServerDetailsShown());
}

void MainWindow::UpdateCommandStates()
{
    if (m_commands.front() == nullptr)
        return; // the trees report before the menus are made
    const bool idle = m_session->AreSearchLockedCommandsEnabled();
    for (Command command : {Command::Settings, Command::RetestResults, Command::SearchAgain})
        GetCommand(command)->setEnabled(idle);
    // Stopping tests is a command of its own, never the Search button.
    GetCommand(Command::StopTests)->setEnabled(m_session->IsTestPassRunning());
    GetCommand(Command::BrowseServer)->setEnabled(!m_session->IsSearchRunning() && GetSelectedServer() != nullptr);
    GetCommand(Command::StopBrowsing)->setEnabled(m_session->IsBrowseRunning());
    GetCommand(Command::CheckFiles)->setEnabled(!m_session->IsSearchRunning() && GetSelectedServer() != nullptr);
    GetCommand(Command::StopChecks)->setEnabled(m_session->IsCheckRunning());
    GetCommand(Command::Export)->setEnabled(m_session->GetResultCount() > 0);
    GetCommand(Command::ForgetSearch)->setEnabled(!m_session->IsSearchRunning() && !m_session->GetKeptName().empty());
}

} // namespace velmora
