// The main window's results side: the results tree, the details panel,
// server marks and the View and Tests commands.

#include <algorithm>

#include <QAction>
#include <QDockWidget>
#include <QHeaderView>
#include <QLineEdit>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/ui/main-window.h"
#include "results/server-tree.h"
#include "results/ui/results-model.h"
#include "results/ui/server-details-dialog.h"
#include "ui-common/tree-images.h"

namespace velmora {

namespace {

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// A pause after the last key before the filter runs over a large list.
constexpr int kFilterDelayMs = 150;

} // namespace

// The results pane: a filter box over a view of the selected server's
// records. The view reads rows from the model as they are drawn.
QWidget* MainWindow::CreateResultsPane(QWidget* parent)
{
    m_pResultsPane = new QWidget(parent);
    m_pResultsPane->setObjectName(QStringLiteral("resultsPane"));
    m_pResultsFilter = new QLineEdit(m_pResultsPane);
    m_pResultsFilter->setObjectName(QStringLiteral("resultsFilter"));
    m_pResultsFilter->setPlaceholderText(QStringLiteral("Filter by name"));
    m_pResultsFilter->setClearButtonEnabled(true);
    m_pFilterDelay = new QTimer(this);
    m_pFilterDelay->setSingleShot(true);
    m_pFilterDelay->setInterval(kFilterDelayMs);
    connect(m_pResultsFilter, &QLineEdit::textChanged, m_pFilterDelay, qOverload<>(&QTimer::start));
    connect(m_pFilterDelay, &QTimer::timeout, this, [this] {
        m_pResultsModel->SetNameFilter(m_pResultsFilter->text());
        ExpandToFirstFile();
    });

    m_pResultsModel = new ResultsModel(this);
    m_pResultsView = new QTreeView(m_pResultsPane);
    m_pResultsView->setObjectName(QStringLiteral("resultsView"));
    m_pResultsView->setModel(m_pResultsModel);
    m_pResultsView->setMinimumWidth(200);
    m_pResultsView->setUniformRowHeights(true);
    m_pResultsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several files can be fetched at once (Ctrl or Shift with a click).
    m_pResultsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_pResultsView->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_pResultsView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pResultsView->header()->setSortIndicatorClearable(true);
    m_pResultsView->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_pResultsView->setSortingEnabled(true);
    m_pResultsView->installEventFilter(this);
    m_pResultsView->viewport()->installEventFilter(this); // its width fits the columns
    connect(m_pResultsView, &QTreeView::customContextMenuRequested, this, &MainWindow::OnResultsContextMenu);
    connect(m_pResultsView, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        // A directory item only opens or closes.
        if (m_pResultsModel->GetRecord(index))
            OnGetFile();
    });

    auto* layout = new QVBoxLayout(m_pResultsPane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_pResultsFilter);
    layout->addWidget(m_pResultsView, 1);
    return m_pResultsPane;
}

void MainWindow::RefreshResults()
{
    const QTreeWidgetItem* selected = m_pServerTree->currentItem();
    const auto handle = selected ? selected->data(0, kServerHandleRole).toULongLong() : 0;
    const SearchSession::ResultsRefresh refresh = m_pSession->RefreshResults(handle);
    if (!refresh.hasDetails) {
        m_pResultsModel->Clear();
        return;
    }
    const auto& details = refresh.details;
    m_pServerDetails->SetResponseText(details.response);
    m_pServerDetails->SetServerInfo(FromStd(details.address), FromStd(details.port), FromStd(details.user),
                                    FromStd(details.password));
    m_pResultsModel->Show(m_pSession->GetResults(), refresh.server, m_pSession->GetViews().GetViewStyle());
    // The Size and Modified columns come and go with the Detailed view.
    m_pResultsView->header()->setStretchLastSection(m_pResultsModel->columnCount() == 1);
    FitResultColumns();
    ExpandToFirstFile();
}

// Size and date take what their longest text needs, the name the rest but
// never so little that it cannot be read: a narrow pane scrolls sideways.
void MainWindow::FitResultColumns()
{
    QHeaderView* header = m_pResultsView->header();
    if (m_pResultsModel->columnCount() == 1) {
        header->setStretchLastSection(true);
        return;
    }
    header->setStretchLastSection(false);
    const QFontMetrics metrics = m_pResultsView->fontMetrics();
    const int padding = 3 * metrics.averageCharWidth();
    const int size = metrics.horizontalAdvance(QStringLiteral("888.8 MB")) + padding;
    const int date = metrics.horizontalAdvance(QStringLiteral("2026-12-07 20:00")) + padding;
    const int name = std::max(m_pResultsView->viewport()->width() - size - date, 16 * metrics.averageCharWidth());
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(0, name);
    header->resizeSection(1, size);
    header->resizeSection(2, date);
}

// A server's directories open down to its first file.
void MainWindow::ExpandToFirstFile()
{
    for (QModelIndex index = m_pResultsModel->index(0, 0); index.isValid() && m_pResultsModel->rowCount(index) > 0;
         index = m_pResultsModel->index(0, 0, index))
        m_pResultsView->expand(index);
}

void MainWindow::OnViewStyle(int style)
{
    m_pSession->GetViews().SetViewStyle(style);
    RestoreMenuChecks();
    RefreshResults();
}

void MainWindow::OnFilterResults()
{
    m_pSession->GetViews().FlipFilterResults();
    RestoreMenuChecks();
}

void MainWindow::OnServerDetails()
{
    const bool show = !m_pSession->GetViews().GetServerDetailsShown();
    m_pSession->GetViews().SetServerDetailsShown(show);
    m_pDetailsDock->setVisible(show);
    RestoreMenuChecks();
}

void MainWindow::OnTestResults()
{
    m_pSession->OnTestResults();
    RestoreMenuChecks();
}

void MainWindow::OnRetestResults()
{
    m_pSession->OnRetestResults();
}

void MainWindow::OnStopTests()
{
    m_pSession->StopTests();
}

QTreeWidgetItem* MainWindow::FindServerItem(std::size_t group, std::size_t index) const
{
    QTreeWidgetItem* root = m_pServerTree->topLevelItem(static_cast<int>(group));
    return root ? root->child(static_cast<int>(index)) : nullptr;
}

// The mark and a tooltip that says what it means and why.
void MainWindow::ShowServerMark(QTreeWidgetItem* item, const ServerItem& server)
{
    item->setIcon(0, GetTreeImage(server.state));
    item->setData(0, kTreeMarkRole, server.state);
    const std::string reply = m_pSession->GetServerResponse(server);
    const std::string news = server.newResults > 0 ? "\nIt has files no earlier search of these words found." : "";
    item->setToolTip(
        0, FromStd(server.text + ": " +
                   DescribeServerState(server.state, reply, server.testOnRequest, m_pSession->GetServerWhy(server)) +
                   news));
    // New files are bold in the results, and so is their server; Only New
    // Results leaves out the servers that have none.
    QFont font = item->font(0);
    font.setBold(server.newResults > 0);
    item->setFont(0, font);
    item->setHidden(m_pSession->GetViews().GetOnlyNewResults() && server.newResults == 0);
}

void MainWindow::ServerMarkChanged(std::size_t group, std::size_t index)
{
    if (QTreeWidgetItem* item = FindServerItem(group, index))
        ShowServerMark(item, m_pSession->GetServers().GetGroups()[group].servers[index]);
}

void MainWindow::ServerTested(std::size_t, const ServerItem& server, const TestJob&)
{
    const QTreeWidgetItem* selected = m_pServerTree->currentItem();
    if (selected && selected->data(0, kServerHandleRole).toULongLong() == server.handle)
        m_pServerDetails->SetResponseText(m_pSession->GetServerResponse(server));
    UpdateActivity();
}

} // namespace velmora
