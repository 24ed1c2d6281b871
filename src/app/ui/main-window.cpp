#include "app/ui/main-window.h"

#include <chrono>

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDockWidget>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <vector>

#include "app/help-page.h"
#include "app/ui/about-dialog.h"
#include "app/ui/status-bar.h"
#include "app/ui/welcome-page.h"
#include "results/ui/results-model.h"
#include "results/ui/server-details-dialog.h"
#include "search/engine-health.h"
#include "settings/local-directory.h"
#include "settings/ui/settings-dialog.h"
#include "settings/window-placement.h"
#include "ui-common/queue-notifier.h"
#include "ui-common/tree-images.h"
#include "upgrade/ui/upgrade-dialog.h"

namespace velmora {

namespace {

// Messages are handled for at most this long per turn of the event loop, so
// a flood of links never freezes the window.
constexpr std::chrono::milliseconds kMessageTurn{8};
// A new window's size: it fits a 1024 x 768 screen with room to spare.
constexpr QSize kDefaultSize{1000, 650};

QTreeWidget* MakeTree(QWidget* parent, const char* id, int minimumWidth)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(id));
    tree->setHeaderHidden(true);
    tree->setIconSize(QSize(16, 16));
    tree->setMinimumWidth(minimumWidth);
    // Long names scroll sideways instead of being cut short.
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree->header()->setStretchLastSection(false);
    return tree;
}

// Shows a state's mark and keeps the state in the item, where tests read it.
void SetMark(QTreeWidgetItem* item, ItemState state)
{
    item->setIcon(0, GetTreeImage(state));
    item->setData(0, kTreeMarkRole, state);
}

} // namespace

MainWindow::MainWindow(std::string workingDirectory, QWidget* parent)
    : QMainWindow(parent), m_session(std::make_unique<SearchSession>(std::move(workingDirectory)))
{
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(GetTreeImage(kStateIdle));
    CreateControls();
    CreateDetailsDock();
    CreateMenus();
    SetTabOrder();

    m_session->SetObserver(this);
    m_notifier = new QueueNotifier(m_session->GetQueue(), this);
    m_messageTurn = new QTimer(this);
    m_messageTurn->setSingleShot(true);
    m_messageTurn->setInterval(0);
    connect(m_messageTurn, &QTimer::timeout, this, &MainWindow::ProcessMessages);
    connect(m_notifier, &QueueNotifier::MessagesWaiting, this, &MainWindow::ProcessMessages);

    m_normalSearch->setChecked(true);
    m_session->Initialize();
    m_session->SetSaving(m_session->GetViews().GetSaveSearches());
    ShowThreadLimit();
    m_resultsModel->SetOnlyNew(m_session->GetViews().GetOnlyNewResults());
    RestoreMenuChecks();
    m_detailsDock->setVisible(m_session->GetViews().GetServerDetailsShown());
    RestorePlacement();
}

// Tab goes from the search words to the three lists, left to right, then
// into the details panel; read-only panel fields never come before a list.
void MainWindow::SetTabOrder()
{
    std::vector<QWidget*> chain = {m_normalSearch,    m_chartsSearch, m_searchEdit, m_searchButton,
                                   m_topChartsButton, m_engineTree,   m_serverTree};
    for (QPushButton* button : m_welcome->findChildren<QPushButton*>())
        chain.push_back(button);
    chain.push_back(m_resultsFilter);
    chain.push_back(m_resultsView);
    for (QWidget* field : m_serverDetails->findChildren<QWidget*>()) {
        if (field->focusPolicy() & Qt::TabFocus)
            chain.push_back(field);
    }
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

MainWindow::~MainWindow()
{
    m_session->SetObserver(nullptr);
    // The views outlive the session by a moment and may still lay out
    // rows: they must not read its results then.
    m_resultsModel->Clear();
}

QWidget* MainWindow::CreateSearchGroup()
{
    m_searchGroup = new QGroupBox(QStringLiteral("Search:"));
    m_searchGroup->setObjectName(QStringLiteral("searchGroup"));
    m_normalSearch = new QRadioButton(QStringLiteral("Normal Search"), m_searchGroup);
    m_normalSearch->setObjectName(QStringLiteral("normalSearch"));
    connect(m_normalSearch, &QRadioButton::clicked, this, &MainWindow::OnNormalSearch);
    m_chartsSearch = new QRadioButton(QStringLiteral("Top Charts Search"), m_searchGroup);
    m_chartsSearch->setObjectName(QStringLiteral("chartsSearch"));
    m_chartsSearch->setEnabled(false);
    m_chartsSearch->setToolTip(QString::fromLatin1(kChartsUnavailable));
    m_searchEdit = new QLineEdit(m_searchGroup);
    m_searchEdit->setObjectName(QStringLiteral("searchWords"));
    m_searchEdit->setPlaceholderText(QStringLiteral("Words the files carry, such as blue moon mp3"));
    m_searchEdit->setClearButtonEnabled(true);
    connect(m_searchEdit, &QLineEdit::returnPressed, this, &MainWindow::OnSearch);
    m_searchButton = new QPushButton(QStringLiteral("Search"), m_searchGroup);
    m_searchButton->setObjectName(QStringLiteral("searchButton"));
    m_searchButton->setAutoDefault(false);
    connect(m_searchButton, &QPushButton::clicked, this, &MainWindow::OnSearch);
    m_topChartsButton = new QPushButton(QStringLiteral("Get Top Charts"), m_searchGroup);
    m_topChartsButton->setObjectName(QStringLiteral("topChartsButton"));
    m_topChartsButton->hide();

    auto* modes = new QVBoxLayout;
    modes->addWidget(m_normalSearch);
    modes->addWidget(m_chartsSearch);
    auto* row = new QHBoxLayout(m_searchGroup);
    row->addLayout(modes);
    row->addWidget(m_searchEdit, 1);
    row->addWidget(m_searchButton);
    row->addWidget(m_topChartsButton);
    return m_searchGroup;
}

void MainWindow::CreateControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    CreatePanes(client);
    CreateStatusBar();

    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(4, 2, 4, 0);
    layout->addWidget(CreateSearchGroup());
    layout->addWidget(m_panes, 1);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &MainWindow::OnEscape);
}

// The engine and server trees and the results area, side by side.
void MainWindow::CreatePanes(QWidget* client)
{
    m_engineTree = MakeTree(client, "engineTree", 80);
    m_engineTree->setRootIsDecorated(false);
    connect(m_engineTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (!m_fillingEngines)
            m_session->SetEngineCheck(static_cast<std::size_t>(m_engineTree->indexOfTopLevelItem(item)),
                                      item->checkState(0) == Qt::Checked);
    });
    m_serverTree = MakeTree(client, "serverTree", 120);
    connect(m_serverTree, &QTreeWidget::currentItemChanged, this, [this] {
        RefreshResults();
        UpdateCommandStates();
    });
    m_serverTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_serverTree, &QTreeWidget::customContextMenuRequested, this, &MainWindow::OnServerContextMenu);

    m_welcome = new WelcomePage(client);
    connect(m_welcome, &WelcomePage::UpdateEnginesClicked, this, [this] { OnUpgrade(2); });
    connect(m_welcome, &WelcomePage::AddEngineClicked, this, [this] { OnSettings(2); });
    m_resultsArea = new QStackedWidget(client);
    m_resultsArea->addWidget(m_welcome);
    m_resultsArea->addWidget(CreateResultsPane(client));

    m_panes = new QSplitter(Qt::Horizontal, client);
    m_panes->setObjectName(QStringLiteral("panes"));
    m_panes->setChildrenCollapsible(false);
    m_panes->addWidget(m_engineTree);
    m_panes->addWidget(m_serverTree);
    m_panes->addWidget(m_resultsArea);
    m_panes->setStretchFactor(2, 1);
    m_panes->installEventFilter(this);
}

// The status bar stays at the window's foot, below the docked panel.
void MainWindow::CreateStatusBar()
{
    m_statusBar = new StatusBar(this);
    m_statusBar->SetText(0, QStringLiteral("Results found:"));
    m_statusBar->SetText(2, QStringLiteral("Active threads:"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_statusBar, 1);
    // The window's smallest width heeds the status bar's own minimum only
    // when it is set outright.
    statusBar()->setMinimumWidth(statusBar()->minimumSizeHint().width());
}

void MainWindow::CreateDetailsDock()
{
    m_detailsDock = new QDockWidget(QStringLiteral("Server Details"), this);
    m_detailsDock->setObjectName(QStringLiteral("serverDetailsDock"));
    // In a scroll area, so that a small window can make the panel shorter
    // than its fields and keep the room for the results.
    auto* scroller = new QScrollArea(m_detailsDock);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    m_serverDetails = new ServerDetailsDialog(scroller);
    scroller->setWidget(m_serverDetails);
    m_detailsDock->setWidget(scroller);
    connect(m_serverDetails, &ServerDetailsDialog::Toggled, this, &MainWindow::FitDetailsToPanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_detailsDock);
    // Its close box is the menu item's "hide": both are remembered.
    m_detailsDock->installEventFilter(this);
}

// Enter on a result fetches it (a directory opens or closes); a close of the
// details dock goes through the View menu's switch.
bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_resultsView && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Ctrl+C copies addresses, not the names the view would copy.
        if (key->matches(QKeySequence::Copy)) {
            OnCopyToClipboard();
            return true;
        }
        // All is every file, not the part of a long list shown so far.
        if (key->matches(QKeySequence::SelectAll))
            m_resultsModel->ShowAllRows();
        const QModelIndex current = m_resultsView->currentIndex();
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && current.isValid()) {
            if (m_resultsModel->GetRecord(current))
                OnGetFile();
            else
                m_resultsView->setExpanded(current, !m_resultsView->isExpanded(current));
            return true;
        }
    }
    if (watched == m_resultsView->viewport() && event->type() == QEvent::Resize)
        FitResultColumns();
    // After the splitter has shared out the new width itself.
    if (watched == m_panes && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, &MainWindow::GiveResultsRoom, Qt::QueuedConnection);
    if (watched == m_detailsDock && event->type() == QEvent::Close && m_session->GetViews().GetServerDetailsShown()) {
        OnServerDetails();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::RestorePlacement()
{
    const WindowPlacement placement = WindowPlacement::Load(m_session->GetSettingsPath());
    resize(kDefaultSize);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    if (!placement.geometry.empty())
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(placement.geometry)));
    if (!placement.state.empty())
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(placement.state)));
    if (!placement.paneWidths.empty())
        m_panes->setSizes(QList<int>(placement.paneWidths.begin(), placement.paneWidths.end()));
    else
        m_panes->setSizes({150, 230, kDefaultSize.width() - 380});
}

void MainWindow::SavePlacement() const
{
    WindowPlacement placement;
    placement.geometry = saveGeometry().toBase64().toStdString();
    placement.state = saveState().toBase64().toStdString();
    for (int width : m_panes->sizes())
        placement.paneWidths.push_back(width);
    placement.Save(m_session->GetSettingsPath());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_firstShow)
        return;
    m_firstShow = false;
    // A new user starts typing at once.
    m_searchEdit->setFocus();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_session->GetEngines().SaveEngineChecks();
    SavePlacement();
    event->accept();
}

void MainWindow::OnSearch()
{
    m_session->OnSearch(m_searchEdit->text().toStdString());
}

void MainWindow::OnSearchAgain()
{
    if (!m_session->IsSearchRunning())
        OnSearch();
}

void MainWindow::OnEscape()
{
    if (m_session->IsSearchRunning())
        OnSearch(); // the button reads "Stop"
    else if (m_session->IsTestPassRunning())
        OnStopTests();
    else if (m_session->IsBrowseRunning())
        OnStopBrowsing();
    else if (m_session->IsCheckRunning())
        OnStopChecks();
}

void MainWindow::OnNormalSearch()
{
    m_searchEdit->show();
    m_searchButton->show();
    m_topChartsButton->hide();
    m_session->OnNormalSearch();
}

void MainWindow::OnAbout()
{
    AboutDialog(this, QString::fromStdString(DescribeWhereThingsLive(m_session->GetWorkingDirectory()))).exec();
}

void MainWindow::TellWhereThingsLive()
{
    QMessageBox box(QMessageBox::Information, windowTitle(), QStringLiteral("Welcome to Velmora"), QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("whereThingsLive"));
    box.setInformativeText(QString::fromStdString(DescribeWhereThingsLive(m_session->GetWorkingDirectory())) +
                           QStringLiteral("\n\nHelp > About tells this again; Edit > Settings > FTP Clients "
                                          "changes the download folder."));
    box.exec();
}

void MainWindow::OnSettings(int page)
{
    if (m_session->IsSearchRunning())
        return;
    SettingsDialog sheet(*m_session, this, page);
    sheet.exec();
}

// The workers' count says what it counts against.
void MainWindow::ShowThreadLimit()
{
    m_statusBar->SetToolTip(3, QStringLiteral("Threads searching, testing and browsing now; at most %1 at once "
                                              "(Edit > Settings)")
                                   .arg(m_session->GetMaxThreads()));
}

void MainWindow::OnUpgrade(int mode)
{
    UpgradeDialog(mode, *m_session, this).exec();
}

void MainWindow::OnDocumentation()
{
    const std::string page = FindHelpPage(m_session->GetWorkingDirectory());
    if (page.empty()) {
        QMessageBox::warning(
            this, windowTitle(),
            QStringLiteral("The help page %1 is missing: it is neither in %2 nor where Velmora is "
                           "installed.")
                .arg(QString::fromLatin1(kHelpPageName), QString::fromStdString(m_session->GetWorkingDirectory())));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page))))
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("No program could open the help page %1: choose a web browser for "
                                            "HTML files in your desktop's settings.")
                                 .arg(QString::fromStdString(page)));
}

void MainWindow::ProcessMessages()
{
    if (m_messageTurn->isActive())
        return; // a wake-up while a turn is due: that turn takes it
    m_session->ProcessMessages({.until = std::chrono::steady_clock::now() + kMessageTurn});
    // One timer for the rest: a new turn for every wake-up would pile up
    // turns that starve the window's timers and repaints.
    if (m_session->GetQueue()->Size() > 0)
        m_messageTurn->start();
}

void MainWindow::FillEngineTree()
{
    m_fillingEngines = true;
    m_engineTree->clear();
    EngineList& engines = m_session->GetEngines();
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        const EngineItem& engine = *engines.GetEngineItem(i);
        auto* item = new QTreeWidgetItem(m_engineTree, {QString::fromStdString(engine.name)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, engine.checked ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(0, item->text(0) + QStringLiteral(": not searched yet"));
        SetMark(item, engine.state);
    }
    m_fillingEngines = false;
    // Without engines the results area tells a new user how to get some.
    m_resultsArea->setCurrentWidget(engines.GetCount() == 0 ? static_cast<QWidget*>(m_welcome) : m_resultsPane);
}

void MainWindow::ResetServerTree()
{
    m_serverTree->clear();
    for (const ServerGroup& group : m_session->GetServers().GetGroups()) {
        auto* root = new QTreeWidgetItem(m_serverTree, {QString::fromStdString(group.text)});
        SetMark(root, kStateIdle);
    }
}

void MainWindow::UpdateActivity()
{
    m_statusBar->SetText(4, QString::fromStdString(m_session->GetActivityText()));
}

void MainWindow::EnginesReloaded()
{
    FillEngineTree();
}

void MainWindow::EngineMarkChanged(std::size_t index)
{
    QTreeWidgetItem* item = m_engineTree->topLevelItem(static_cast<int>(index));
    const EngineItem* engine = m_session->GetEngines().GetEngineItem(index);
    if (item != nullptr && engine != nullptr)
        SetMark(item, engine->state);
}

// The mark says how it went; the tooltip says why.
void MainWindow::EngineReported(const std::string& engine, ItemState, const EngineReport& report)
{
    EngineList& engines = m_session->GetEngines();
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        QTreeWidgetItem* item = m_engineTree->topLevelItem(static_cast<int>(i));
        if (item != nullptr && engines.GetEngineItem(i)->name == engine)
            item->setToolTip(0, QString::fromStdString(engine + ": " + report.reason));
    }
    UpdateActivity();
}

void MainWindow::ServersCleared()
{
    ResetServerTree();
    // The panel spoke of a server of the last search, which is gone.
    m_serverDetails->SetServerInfo({}, {}, {}, {});
    m_serverDetails->SetResponseText({});
}

void MainWindow::ServerAdded(std::size_t group, const ServerItem& server)
{
    QTreeWidgetItem* root = m_serverTree->topLevelItem(static_cast<int>(group));
    if (root == nullptr)
        return;
    auto* item = new QTreeWidgetItem(root, {QString::fromStdString(server.text)});
    item->setData(0, kServerHandleRole, QVariant::fromValue<qulonglong>(server.handle));
    ShowServerMark(item, server);
    root->setExpanded(true);
}

void MainWindow::ResultCountChanged(int count)
{
    m_statusBar->SetText(1, QString::number(count));
    if (count <= 1)
        UpdateCommandStates(); // "Export…" needs a result
    UpdateActivity();
}

void MainWindow::ActiveThreadsChanged(int count)
{
    m_statusBar->SetText(3, QString::number(count));
    ShowThreadLimit();
    UpdateActivity();
}

void MainWindow::SearchStateChanged()
{
    m_searchButton->setText(QString::fromLatin1(m_session->GetSearchCaption()));
    m_searchButton->setEnabled(true);
    UpdateCommandStates();
    UpdateActivity();
}

void MainWindow::ResultsViewCleared()
{
    m_resultsModel->Clear();
}

} // namespace velmora
