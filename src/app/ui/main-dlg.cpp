#include "app/ui/main-dlg.h"

#include <QAction>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include "app/ui/about-dlg.h"
#include "app/ui/dialog-units.h"
#include "app/ui/pane-splitter.h"
#include "app/ui/queue-notifier.h"
#include "app/ui/status-bar.h"
#include "app/ui/tree-images.h"
#include "platform/paths.h"
#include "results/ui/server-details-dlg.h"
#include "search/engine-health.h"
#include "settings/ui/settings-dlg.h"
#include "upgrade/ui/upgrade-dlg.h"

namespace velmora {

namespace {

// Messages handled per turn of the event loop, so a flood of links never
// freezes the window.
constexpr int kMessagesPerTurn = 2000;

// Places a control at its dialog-unit rectangle, grown to what its text
// needs and kept centred on the same line.
void Place(QWidget* widget, const QRect& rect)
{
    const QSize hint = widget->sizeHint();
    const int width = std::max(rect.width(), hint.width());
    const int height = std::max(rect.height(), hint.height());
    widget->setGeometry(rect.x(), rect.y() - (height - rect.height()) / 2, width, height);
}

QTreeWidget* MakeTree(QWidget* parent, const char* id)
{
    auto* tree = new QTreeWidget(parent);
    tree->setObjectName(QString::fromLatin1(id));
    tree->setHeaderHidden(true);
    tree->setIconSize(QSize(16, 16));
    // Long names scroll sideways instead of being cut short.
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tree->header()->setStretchLastSection(false);
    return tree;
}

// Shows a mark and keeps it in the item, where tests read it.
void SetMark(QTreeWidgetItem* item, int mark)
{
    item->setIcon(0, GetTreeImage(mark));
    item->setData(0, kTreeMarkRole, mark);
}

} // namespace

CMainDlg::CMainDlg(std::string workingDirectory, QWidget* parent)
    : QMainWindow(parent), m_pSession(std::make_unique<SearchSession>(std::move(workingDirectory)))
{
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(GetTreeImage(kMarkIdle));
    const DialogUnits du(font());
    m_pClient = new CPaneSplitter(this);
    setCentralWidget(m_pClient);
    CreateControls(du);
    CreateMenus();

    m_pSession->SetObserver(this);
    m_pNotifier = new QueueNotifier(m_pSession->GetQueue(), this);
    connect(m_pNotifier, &QueueNotifier::MessagesWaiting, this, &CMainDlg::ProcessMessages);

    // The client area of the window template, then the panes at 40 percent.
    m_pClient->resize(du.MapSize(408, 244));
    const int top = m_pSearchGroup->geometry().bottom() + 1;
    const int bottom = m_pStatusBar->height();
    m_pClient->InitPanes(m_pServerTree, {150, 250, 95, top, 0, bottom}, m_pResultsTree, {200, 250, 0, top, 0, bottom},
                         40);
    m_pClient->SetAfterSize([this](int cx, int cy) { LayoutControls(cx, cy); });
    LayoutControls(m_pClient->width(), m_pClient->height());
    resize(m_pClient->width(), m_pClient->height() + menuBar()->sizeHint().height());
    if (const QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());

    m_pNormalSearch->setChecked(true);
    m_pSession->Initialize();
    RestoreMenuChecks();
    m_pServerDetails = new CServerDetailsDlg(this);
}

CMainDlg::~CMainDlg()
{
    m_pSession->SetObserver(nullptr);
}

void CMainDlg::CreateControls(const DialogUnits& du)
{
    m_pSearchGroup = new QGroupBox(QStringLiteral("Search:"), m_pClient);
    m_pSearchGroup->setObjectName(QStringLiteral("1012"));
    m_pSearchGroup->setGeometry(du.Map(2, 0, 300, 31));

    m_pNormalSearch = new QRadioButton(QStringLiteral("Normal Search"), m_pClient);
    m_pNormalSearch->setObjectName(QStringLiteral("1003"));
    Place(m_pNormalSearch, du.Map(8, 10, 61, 8));
    connect(m_pNormalSearch, &QRadioButton::clicked, this, &CMainDlg::OnNormalSearch);

    m_pChartsSearch = new QRadioButton(QStringLiteral("Top Charts Search"), m_pClient);
    m_pChartsSearch->setObjectName(QStringLiteral("1004"));
    m_pChartsSearch->setEnabled(false);
    Place(m_pChartsSearch, du.Map(8, 19, 74, 8));

    m_pSearchEdit = new QLineEdit(m_pClient);
    m_pSearchEdit->setObjectName(QStringLiteral("1005"));
    m_pSearchEdit->setGeometry(du.Map(90, 11, 141, 12));

    m_pSearchButton = new QPushButton(QStringLiteral("Search"), m_pClient);
    m_pSearchButton->setObjectName(QStringLiteral("1002"));
    m_pSearchButton->setGeometry(du.Map(236, 10, 58, 15));
    connect(m_pSearchButton, &QPushButton::clicked, this, &CMainDlg::OnSearch);

    m_pTopChartsButton = new QPushButton(QStringLiteral("Get Top Charts"), m_pClient);
    m_pTopChartsButton->setObjectName(QStringLiteral("1018"));
    m_pTopChartsButton->setGeometry(du.Map(123, 10, 111, 15));
    m_pTopChartsButton->hide();

    m_pEngineTree = MakeTree(m_pClient, "1006");
    m_pEngineTree->setRootIsDecorated(false);
    m_pEngineTree->setGeometry(du.Map(2, 49, 51, 165));
    connect(m_pEngineTree, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (!m_bFillingEngines)
            m_pSession->SetEngineCheck(static_cast<std::size_t>(m_pEngineTree->indexOfTopLevelItem(item)),
                                       item->checkState(0) == Qt::Checked);
    });

    m_pServerTree = MakeTree(m_pClient, "1008");
    m_pServerTree->setGeometry(du.Map(64, 50, 105, 165));
    m_pResultsTree = MakeTree(m_pClient, "1009");
    m_pResultsTree->setGeometry(du.Map(173, 52, 228, 166));
    m_pResultsTree->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pResultsTree->header()->setStretchLastSection(true);
    connect(m_pServerTree, &QTreeWidget::currentItemChanged, this, &CMainDlg::RefreshResults);
    m_pResultsTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pResultsTree, &QTreeWidget::customContextMenuRequested, this, &CMainDlg::OnResultsContextMenu);
    connect(m_pResultsTree, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        // A directory item only opens or closes.
        if (item->childCount() == 0)
            OnGetFile();
    });
    m_pResultsTree->setDragDropMode(QAbstractItemView::NoDragDrop);

    m_pStatusBar = new CStatusBar(m_pClient);
    m_pStatusBar->SetText(0, QStringLiteral("Results found:"));
    m_pStatusBar->SetText(2, QStringLiteral("Active threads:"));
}

void CMainDlg::LayoutControls(int cx, int cy)
{
    m_pStatusBar->setGeometry(0, cy - m_pStatusBar->height(), cx, m_pStatusBar->height());
    const int top = m_pSearchGroup->geometry().bottom() + 1;
    const QRect server = m_pServerTree->geometry();
    m_pEngineTree->setGeometry(5, top, 89, server.bottom() + 1 - top);
}

void CMainDlg::keyPressEvent(QKeyEvent* event)
{
    // Enter anywhere in the window is "Search" (or "Stop"); Escape does nothing.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OnSearch();
        return;
    }
    if (event->key() == Qt::Key_Escape)
        return;
    QMainWindow::keyPressEvent(event);
}

// The details panel is placed once, at the window's lower right, when the
// window first shows and its frame is known.
void CMainDlg::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (m_bDetailsPlaced)
        return;
    m_bDetailsPlaced = true;
    // Shown first, so that its frame is known where the platform tells it.
    m_pServerDetails->setVisible(m_pSession->GetViews().GetServerDetailsShown());
    const QRect frame = frameGeometry();
    const QSize panel = m_pServerDetails->frameGeometry().size();
    m_pServerDetails->move(frame.right() + 1 - 8 - panel.width(), frame.bottom() + 1 - 10 - panel.height());
}

void CMainDlg::closeEvent(QCloseEvent* event)
{
    m_pSession->GetEngines().SaveEngineChecks();
    event->accept();
}

void CMainDlg::OnSearch()
{
    m_pSession->OnSearch(m_pSearchEdit->text().toStdString());
}

void CMainDlg::OnNormalSearch()
{
    m_pSearchEdit->show();
    m_pSearchButton->show();
    m_pTopChartsButton->hide();
    m_pSession->OnNormalSearch();
}

void CMainDlg::OnAbout()
{
    CAboutDlg(this).exec();
}

void CMainDlg::OnSettings()
{
    CSettingsDlg(*m_pSession, this).exec();
}

void CMainDlg::OnUpgrade(int mode)
{
    CUpgradeDlg(mode, *m_pSession, this).exec();
}

void CMainDlg::OnDocumentation()
{
    const std::string page = JoinPath(m_pSession->GetWorkingDirectory(), "documentation.html");
    QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page)));
}

void CMainDlg::ProcessMessages()
{
    auto& queue = *m_pSession->GetQueue();
    for (int handled = 0; handled < kMessagesPerTurn; ++handled) {
        auto message = queue.TryTake();
        if (!message)
            return;
        m_pSession->HandleMessage(std::move(*message));
    }
    QTimer::singleShot(0, this, &CMainDlg::ProcessMessages);
}

void CMainDlg::FillEngineTree()
{
    m_bFillingEngines = true;
    m_pEngineTree->clear();
    EngineList& engines = m_pSession->GetEngines();
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        const EngineItem& engine = *engines.GetEngineItem(i);
        auto* item = new QTreeWidgetItem(m_pEngineTree, {QString::fromStdString(engine.name)});
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, engine.checked ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(0, item->text(0));
        SetMark(item, engine.mark);
    }
    m_bFillingEngines = false;
}

void CMainDlg::ResetServerTree()
{
    m_pServerTree->clear();
    for (const ServerGroup& group : m_pSession->GetServers().GetGroups()) {
        auto* root = new QTreeWidgetItem(m_pServerTree, {QString::fromStdString(group.text)});
        SetMark(root, kMarkIdle);
    }
}

void CMainDlg::EnginesReloaded()
{
    FillEngineTree();
}

void CMainDlg::EngineMarkChanged(std::size_t index)
{
    QTreeWidgetItem* item = m_pEngineTree->topLevelItem(static_cast<int>(index));
    const EngineItem* engine = m_pSession->GetEngines().GetEngineItem(index);
    if (item != nullptr && engine != nullptr)
        SetMark(item, engine->mark);
}

// The mark says how it went; the tooltip says why.
void CMainDlg::EngineReported(const std::string& engine, int, const EngineReport& report)
{
    EngineList& engines = m_pSession->GetEngines();
    for (std::size_t i = 0; i < engines.GetCount(); ++i) {
        QTreeWidgetItem* item = m_pEngineTree->topLevelItem(static_cast<int>(i));
        if (item != nullptr && engines.GetEngineItem(i)->name == engine)
            item->setToolTip(0, QString::fromStdString(engine + ": " + report.reason));
    }
}

void CMainDlg::ServersCleared()
{
    ResetServerTree();
}

void CMainDlg::ServerAdded(std::size_t group, const ServerItem& server)
{
    QTreeWidgetItem* root = m_pServerTree->topLevelItem(static_cast<int>(group));
    if (root == nullptr)
        return;
    auto* item = new QTreeWidgetItem(root, {QString::fromStdString(server.text)});
    item->setData(0, kServerHandleRole, QVariant::fromValue<qulonglong>(server.handle));
    SetMark(item, server.mark);
    root->setExpanded(true);
}

void CMainDlg::ResultCountChanged(int count)
{
    m_pStatusBar->SetText(1, QString::number(count));
}

void CMainDlg::ActiveThreadsChanged(int count)
{
    m_pStatusBar->SetText(3, QString::number(count));
}

void CMainDlg::SearchStateChanged()
{
    m_pSearchButton->setText(QString::fromLatin1(m_pSession->GetSearchCaption()));
    m_pSearchButton->setEnabled(true);
    UpdateCommandStates();
}

void CMainDlg::ResultsViewCleared()
{
    m_pResultsTree->clear();
}

} // namespace velmora
