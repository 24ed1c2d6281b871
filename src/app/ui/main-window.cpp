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
    : QMainWindow(parent), m_pSession(std::make_unique<SearchSession>(std::move(workingDirectory)))
{
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(GetTreeImage(kStateIdle));
    CreateControls();
    CreateDetailsDock();
    CreateMenus();
    SetTabOrder();

    m_pSession->SetObserver(this);
    m_pNotifier = new QueueNotifier(m_pSession->GetQueue(), this);
    m_pMessageTurn = new QTimer(this);
    m_pMessageTurn->setSingleShot(true);
    m_pMessageTurn->setInterval(0);
    connect(m_pMessageTurn, &QTimer::timeout, this, &MainWindow::ProcessMessages);
    connect(m_pNotifier, &QueueNotifier::MessagesWaiting, this, &MainWindow::ProcessMessages);

    m_pNormalSearch->setChecked(true);
    m_pSession->Initialize();
    m_pSession->SetSaving(m_pSession->GetViews().GetSaveSearches());
    m_pResultsModel->SetOnlyNew(m_pSession->GetViews().GetOnlyNewResults());
    RestoreMenuChecks();
    m_pDetailsDock->setVisible(m_pSession->GetViews().GetServerDetailsShown());
    RestorePlacement();
}

// Tab goes from the search words to the three lists, left to right, then
// into the details panel; read-only panel fields never come before a list.
void MainWindow::SetTabOrder()
{
    std::vector<QWidget*> chain = {m_pNormalSearch,    m_pChartsSearch, m_pSearchEdit, m_pSearchButton,
                                   m_pTopChartsButton, m_pEngineTree,   m_pServerTree};
    for (QPushButton* button : m_pWelcome->findChildren<QPushButton*>())
        chain.push_back(button);
    chain.push_back(m_pResultsFilter);
    chain.push_back(m_pResultsView);
    for (QWidget* field : m_pServerDetails->findChildren<QWidget*>()) {
        if (field->focusPolicy() & Qt::TabFocus)
            chain.push_back(field);
    }
    for (std::size_t i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
}

MainWindow::~MainWindow()
{
    m_pSession->SetObserver(nullptr);
    // The views outlive the session by a moment and may still lay out
    // rows: they must not read its results then.
    m_pResultsModel->Clear();
}

QWidget* MainWindow::CreateSearchGroup()
{
    m_pSearchGroup = new QGroupBox(QStringLiteral("Search:"));
    m_pSearchGroup->setObjectName(QStringLiteral("searchGroup"));
    m_pNormalSearch = new QRadioButton(QStringLiteral("Normal Search"), m_pSearchGroup);
    m_pNormalSearch->setObjectName(QStringLiteral("normalSearch"));
    connect(m_pNormalSearch, &QRadioButton::clicked, this, &MainWindow::OnNormalSearch);
    m_pChartsSearch = new QRadioButton(QStringLiteral("Top Charts Search"), m_pSearchGroup);
    m_pChartsSearch->setObjectName(QStringLiteral("chartsSearch"));
    m_pChartsSearch->setEnabled(false);
    m_pChartsSearch->setToolTip(QString::fromLatin1(kChartsUnavailable));
    m_pSearchEdit = new QLineEdit(m_pSearchGroup);
    m_pSearchEdit->setObjectName(QStringLiteral("searchWords"));
    m_pSearchEdit->setPlaceholderText(QStringLiteral("Words the files carry, such as blue moon mp3"));
    m_pSearchEdit->setClearButtonEnabled(true);
    connect(m_pSearchEdit, &QLineEdit::returnPressed, this, &MainWindow::OnSearch);
    m_pSearchButton = new QPushButton(QStringLiteral("Search"), m_pSearchGroup);
    m_pSearchButton->setObjectName(QStringLiteral("searchButton"));
    m_pSearchButton->setAutoDefault(false);
    connect(m_pSearchButton, &QPushButton::clicked, this, &MainWindow::OnSearch);
    m_pTopChartsButton = new QPushButton(QStringLiteral("Get Top Charts"), m_pSearchGroup);
    m_pTopChartsButton->setObjectName(QStringLiteral("topChartsButton"));
    m_pTopChartsButton->hide();

    auto* modes = new QVBoxLayout;
    modes->addWidget(m_pNormalSearch);
    modes->addWidget(m_pChartsSearch);
    auto* row = new QHBoxLayout(m_pSearchGroup);
    row->addLayout(modes);
    row->addWidget(m_pSearchEdit, 1);
    row->addWidget(m_pSearchButton);
    row->addWidget(m_pTopChartsButton);
    return m_pSearchGroup;
}

void MainWindow::CreateControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    m_pEngineTree = MakeTree(client, "engineTree", 80);
    m_pEngineTree->setRootIsDecorated(false);
    connect(m_pEngineTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (!m_bFillingEngines)
            m_pSession->SetEngineCheck(static_cast<std::size_t>(m_pEngineTree->indexOfTopLevelItem(item)),
                                       item->checkState(0) == Qt::Checked);
    });
    m_pServerTree = MakeTree(client, "serverTree", 120);
    connect(m_pServerTree, &QTreeWidget::currentItemChanged, this, [this] {
        RefreshResults();
        UpdateCommandStates();
    });
    m_pServerTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pServerTree, &QTreeWidget::customContextMenuRequested, this, &MainWindow::OnServerContextMenu);

    m_pWelcome = new WelcomePage(client);
    connect(m_pWelcome, &WelcomePage::UpdateEnginesClicked, this, [this] { OnUpgrade(2); });
    connect(m_pWelcome, &WelcomePage::AddEngineClicked, this, [this] { OnSettings(2); });
    m_pResultsArea = new QStackedWidget(client);
    m_pResultsArea->addWidget(m_pWelcome);
    m_pResultsArea->addWidget(CreateResultsPane(client));

    m_pPanes = new QSplitter(Qt::Horizontal, client);
    m_pPanes->setObjectName(QStringLiteral("panes"));
    m_pPanes->setChildrenCollapsible(false);
    m_pPanes->addWidget(m_pEngineTree);
    m_pPanes->addWidget(m_pServerTree);
    m_pPanes->addWidget(m_pResultsArea);
    m_pPanes->setStretchFactor(2, 1);
    m_pPanes->installEventFilter(this);

    // The status bar stays at the window's foot, below the docked panel.
    m_pStatusBar = new StatusBar(this);
    m_pStatusBar->SetText(0, QStringLiteral("Results found:"));
    m_pStatusBar->SetText(2, QStringLiteral("Active threads:"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_pStatusBar, 1);
    // The window's smallest width heeds the status bar's own minimum only
    // when it is set outright.
    statusBar()->setMinimumWidth(statusBar()->minimumSizeHint().width());

    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(4, 2, 4, 0);
    layout->addWidget(CreateSearchGroup());
    layout->addWidget(m_pPanes, 1);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &MainWindow::OnEscape);
}

void MainWindow::CreateDetailsDock()
{
    m_pDetailsDock = new QDockWidget(QStringLiteral("Server Details"), this);
    m_pDetailsDock->setObjectName(QStringLiteral("serverDetailsDock"));
    // In a scroll area, so that a small window can make the panel shorter
    // than its fields and keep the room for the results.
    auto* scroller = new QScrollArea(m_pDetailsDock);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    m_pServerDetails = new ServerDetailsDialog(scroller);
    scroller->setWidget(m_pServerDetails);
    m_pDetailsDock->setWidget(scroller);
    connect(m_pServerDetails, &ServerDetailsDialog::Toggled, this, &MainWindow::FitDetailsToPanel);
    addDockWidget(Qt::BottomDockWidgetArea, m_pDetailsDock);
    // Its close box is the menu item's "hide": both are remembered.
    m_pDetailsDock->installEventFilter(this);
}

// Enter on a result fetches it (a directory opens or closes); a close of the
// details dock goes through the View menu's switch.
bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_pResultsView && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // Ctrl+C copies addresses, not the names the view would copy.
        if (key->matches(QKeySequence::Copy)) {
            OnCopyToClipboard();
            return true;
        }
        // All is every file, not the part of a long list shown so far.
        if (key->matches(QKeySequence::SelectAll))
            m_pResultsModel->ShowAllRows();
        const QModelIndex current = m_pResultsView->currentIndex();
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && current.isValid()) {
            if (m_pResultsModel->GetRecord(current))
                OnGetFile();
            else
                m_pResultsView->setExpanded(current, !m_pResultsView->isExpanded(current));
            return true;
        }
    }
    if (watched == m_pResultsView->viewport() && event->type() == QEvent::Resize)
        FitResultColumns();
    // After the splitter has shared out the new width itself.
    if (watched == m_pPanes && event->type() == QEvent::Resize)
        QMetaObject::invokeMethod(this, &MainWindow::GiveResultsRoom, Qt::QueuedConnection);
    if (watched == m_pDetailsDock && event->type() == QEvent::Close && m_pSession->GetViews().GetServerDetailsShown()) {
        OnServerDetails();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::RestorePlacement()
{
    const WindowPlacement placement = WindowPlacement::Load(m_pSession->GetSettingsPath());
    resize(kDefaultSize);
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    if (!placement.geometry.empty())
        restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(placement.geometry)));
    if (!placement.state.empty())
        restoreState(QByteArray::fromBase64(QByteArray::fromStdString(placement.state)));
    if (!placement.paneWidths.empty())
        m_pPanes->setSizes(QList<int>(placement.paneWidths.begin(), placement.paneWidths.end()));
    else
        m_pPanes->setSizes({150, 230, kDefaultSize.width() - 380});
}

void MainWindow::SavePlacement() const
{
    WindowPlacement placement;
    placement.geometry = saveGeometry().toBase64().toStdString();
    placement.state = saveState().toBase64().toStdString();
    for (int width : m_pPanes->sizes())
        placement.paneWidths.push_back(width);
    placement.Save(m_pSession->GetSettingsPath());
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_bFirstShow)
        return;
    m_bFirstShow = false;
    // A new user starts typing at once.
    m_pSearchEdit->setFocus();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    m_pSession->GetEngines().SaveEngineChecks();
    SavePlacement();
    event->accept();
}

void MainWindow::OnSearch()
{
    m_pSession->OnSearch(m_pSearchEdit->text().toStdString());
}

void MainWindow::OnSearchAgain()
{
    if (!m_pSession->IsSearchRunning())
        OnSearch();
}

void MainWindow::OnEscape()
{
    if (m_pSession->IsSearchRunning())
        OnSearch(); // the button reads "Stop"
    else if (m_pSession->IsTestPassRunning())
        OnStopTests();
    else if (m_pSession->IsBrowseRunning())
        OnStopBrowsing();
}

void MainWindow::OnNormalSearch()
{
    m_pSearchEdit->show();
    m_pSearchButton->show();
    m_pTopChartsButton->hide();
    m_pSession->OnNormalSearch();
}

void MainWindow::OnAbout()
{
    AboutDialog(this, QString::fromStdString(DescribeWhereThingsLive(m_pSession->GetWorkingDirectory()))).exec();
}

void MainWindow::TellWhereThingsLive()
{
    QMessageBox box(QMessageBox::Information, windowTitle(), QStringLiteral("Welcome to Velmora"), QMessageBox::Ok,
                    this);
    box.setObjectName(QStringLiteral("whereThingsLive"));
    box.setInformativeText(QString::fromStdString(DescribeWhereThingsLive(m_pSession->GetWorkingDirectory())) +
                           QStringLiteral("\n\nHelp > About tells this again; Edit > Settings > FTP Clients "
                                          "changes the download folder."));
    box.exec();
}

void MainWindow::OnSettings(int page)
{
    if (m_pSession->IsSearchRunning())
        return;
    SettingsDialog sheet(*m_pSession, this, page);
    sheet.exec();
}

void MainWindow::OnUpgrade(int mode)
{
    UpgradeDialog(mode, *m_pSession, this).exec();
}

void MainWindow::OnDocumentation()
{
    const std::string page = FindHelpPage(m_pSession->GetWorkingDirectory());
    if (page.empty()) {
        QMessageBox::warning(
            this, windowTitle(),
            QStringLiteral("The help page %1 is missing: it is neither in %2 nor where Velmora is "
                           "installed.")
                .arg(QString::fromLatin1(kHelpPageName), QString::fromStdString(m_pSession->GetWorkingDirectory())));
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
    if (m_pMessageTurn->isActive())
        return; // a wake-up while a turn is due: that turn takes it
    auto& queue = *m_pSession->GetQueue();
    const auto until = std::chrono::steady_clock::now() + kMessageTurn;
    for (int handled = 1;; ++handled) {
        auto message = queue.TryTake();
        if (!message)
            return;
        m_pSession->HandleMessage(std::move(*message));
        if (handled % 64 == 0 && std::chrono::steady_clock::now() >= until)
            break;
    }
    // One timer for the rest: a new turn for every wake-up would pile up
    // turns that starve the window's timers and repaints.
    m_pMessageTurn->start();
}

void MainWindow::FillEngineTree()
{
    m_bFillingEngines = true;
    m_pEngineTree->clear();
    EngineList& engines = m_pSession->GetEngines();
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        const EngineItem& engine = *engines.GetEngineItem(i);
        auto* item = new QTreeWidgetItem(m_pEngineTree, {QString::fromStdString(engine.name)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, engine.checked ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(0, item->text(0) + QStringLiteral(": not searched yet"));
        SetMark(item, engine.state);
    }
    m_bFillingEngines = false;
    // Without engines the results area tells a new user how to get some.
    m_pResultsArea->setCurrentWidget(engines.GetCount() == 0 ? static_cast<QWidget*>(m_pWelcome) : m_pResultsPane);
}

void MainWindow::ResetServerTree()
{
    m_pServerTree->clear();
    for (const ServerGroup& group : m_pSession->GetServers().GetGroups()) {
        auto* root = new QTreeWidgetItem(m_pServerTree, {QString::fromStdString(group.text)});
        SetMark(root, kStateIdle);
    }
}

void MainWindow::UpdateActivity()
{
    m_pStatusBar->SetText(4, QString::fromStdString(m_pSession->GetActivityText()));
}

void MainWindow::EnginesReloaded()
{
    FillEngineTree();
}

void MainWindow::EngineMarkChanged(std::size_t index)
{
    QTreeWidgetItem* item = m_pEngineTree->topLevelItem(static_cast<int>(index));
    const EngineItem* engine = m_pSession->GetEngines().GetEngineItem(index);
    if (item != nullptr && engine != nullptr)
        SetMark(item, engine->state);
}

// The mark says how it went; the tooltip says why.
void MainWindow::EngineReported(const std::string& engine, ItemState, const EngineReport& report)
{
    EngineList& engines = m_pSession->GetEngines();
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        QTreeWidgetItem* item = m_pEngineTree->topLevelItem(static_cast<int>(i));
        if (item != nullptr && engines.GetEngineItem(i)->name == engine)
            item->setToolTip(0, QString::fromStdString(engine + ": " + report.reason));
    }
    UpdateActivity();
}

void MainWindow::ServersCleared()
{
    ResetServerTree();
    // The panel spoke of a server of the last search, which is gone.
    m_pServerDetails->SetServerInfo({}, {}, {}, {});
    m_pServerDetails->SetResponseText({});
}

void MainWindow::ServerAdded(std::size_t group, const ServerItem& server)
{
    QTreeWidgetItem* root = m_pServerTree->topLevelItem(static_cast<int>(group));
    if (root == nullptr)
        return;
    auto* item = new QTreeWidgetItem(root, {QString::fromStdString(server.text)});
    item->setData(0, kServerHandleRole, QVariant::fromValue<qulonglong>(server.handle));
    ShowServerMark(item, server);
    root->setExpanded(true);
}

void MainWindow::ResultCountChanged(int count)
{
    m_pStatusBar->SetText(1, QString::number(count));
    if (count <= 1)
        UpdateCommandStates(); // "Export…" needs a result
    UpdateActivity();
}

void MainWindow::ActiveThreadsChanged(int count)
{
    m_pStatusBar->SetText(3, QString::number(count));
    UpdateActivity();
}

void MainWindow::SearchStateChanged()
{
    m_pSearchButton->setText(QString::fromLatin1(m_pSession->GetSearchCaption()));
    m_pSearchButton->setEnabled(true);
    UpdateCommandStates();
    UpdateActivity();
}

void MainWindow::ResultsViewCleared()
{
    m_pResultsModel->Clear();
}

} // namespace velmora
