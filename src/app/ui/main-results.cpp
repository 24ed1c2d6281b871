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

constexpr const char* kFilterHelp = "Words a file's name holds, and: ext:iso,img (its extension), size>100M or "
                                    "size<2G (K, M, G), since:2025-01-01 (modified on or after). A size or date "
                                    "filter leaves out files whose size or date is unknown.";

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
    m_resultsPane = new QWidget(parent);
    m_resultsPane->setObjectName(QStringLiteral("resultsPane"));
    CreateResultsFilter();
    CreateResultsView();
    auto* layout = new QVBoxLayout(m_resultsPane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(m_resultsFilter);
    layout->addWidget(m_resultsView, 1);
    return m_resultsPane;
}

// The filter box above the results: it filters a moment after the typing stops.
void MainWindow::CreateResultsFilter()
{
    m_resultsFilter = new QLineEdit(m_resultsPane);
    m_resultsFilter->setObjectName(QStringLiteral("resultsFilter"));
    m_resultsFilter->setPlaceholderText(QStringLiteral("Filter by name, ext:iso, size>100M, since:2025-01-01"));
    m_resultsFilter->setToolTip(QString::fromLatin1(kFilterHelp));
    m_resultsFilter->setClearButtonEnabled(true);
    m_filterDelay = new QTimer(this);
    m_filterDelay->setSingleShot(true);
    m_filterDelay->setInterval(kFilterDelayMs);
    connect(m_resultsFilter, &QLineEdit::textChanged, m_filterDelay, qOverload<>(&QTimer::start));
    connect(m_filterDelay, &QTimer::timeout, this, [this] {
        const QString problem = m_resultsModel->SetFilter(m_resultsFilter->text());
        m_resultsFilter->setToolTip(problem.isEmpty() ? QString::fromLatin1(kFilterHelp) : problem);
        ExpandToFirstFile();
    });
}

void MainWindow::CreateResultsView()
{
    m_resultsModel = new ResultsModel(this);
    m_resultsModel->SetCheckFinder([this](ResultId id) { return m_session->GetFileCheck(id); });
    m_resultsModel->SetMirrorFinder([this](ResultId id) { return m_session->GetMirrors(id); });
    m_resultsView = new QTreeView(m_resultsPane);
    m_resultsView->setObjectName(QStringLiteral("resultsView"));
    m_resultsView->setModel(m_resultsModel);
    m_resultsView->setMinimumWidth(200);
    m_resultsView->setUniformRowHeights(true);
    m_resultsView->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Several files can be fetched at once (Ctrl or Shift with a click).
    m_resultsView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_resultsView->setDragDropMode(QAbstractItemView::NoDragDrop);
    m_resultsView->setContextMenuPolicy(Qt::CustomContextMenu);
    m_resultsView->header()->setSortIndicatorClearable(true);
    m_resultsView->header()->setSortIndicator(-1, Qt::AscendingOrder);
    m_resultsView->setSortingEnabled(true);
    m_resultsView->installEventFilter(this);
    m_resultsView->viewport()->installEventFilter(this); // its width fits the columns
    connect(m_resultsView, &QTreeView::customContextMenuRequested, this, &MainWindow::OnResultsContextMenu);
    connect(m_resultsView, &QTreeView::doubleClicked, this, [this](const QModelIndex& index) {
        // A directory item only opens or closes.
        if (m_resultsModel->GetRecord(index))
            OnGetFile();
    });
}

void MainWindow::RefreshResults()
{
    const QTreeWidgetItem* selected = m_serverTree->currentItem();
    const auto handle = selected ? selected->data(0, kServerHandleRole).toULongLong() : 0;
    const SearchSession::ResultsRefresh refresh = m_session->RefreshResults(handle);
    if (!refresh.hasDetails) {
        m_resultsModel->Clear();
        return;
    }
    const auto& details = refresh.details;
    m_serverDetails->SetResponseText(details.response);
    m_serverDetails->SetServerInfo(FromStd(details.address), FromStd(details.port), FromStd(details.user),
                                   FromStd(details.password));
    m_resultsModel->Show(m_session->GetResults(), refresh.server, m_session->GetViews().GetViewStyle());
    // The Size and Modified columns come and go with the Detailed view.
    m_resultsView->header()->setStretchLastSection(m_resultsModel->columnCount() == 1);
    FitResultColumns();
    ExpandToFirstFile();
}

// Size and date take what their longest text needs, the name the rest but
// never so little that it cannot be read: a narrow pane scrolls sideways.
void MainWindow::FitResultColumns()
{
    QHeaderView* header = m_resultsView->header();
    if (m_resultsModel->columnCount() == 1) {
        header->setStretchLastSection(true);
        return;
    }
    header->setStretchLastSection(false);
    const QFontMetrics metrics = m_resultsView->fontMetrics();
    const int padding = 3 * metrics.averageCharWidth();
    const int size = metrics.horizontalAdvance(QStringLiteral("888.8 MB")) + padding;
    const int date = metrics.horizontalAdvance(QStringLiteral("2026-12-07 20:00")) + padding;
    const int mirrors = metrics.horizontalAdvance(QStringLiteral("Mirrors")) + padding;
    const int name =
        std::max(m_resultsView->viewport()->width() - size - date - mirrors, 16 * metrics.averageCharWidth());
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(0, name);
    header->resizeSection(1, size);
    header->resizeSection(2, date);
    header->resizeSection(3, mirrors);
}

// A server's directories open down to its first file.
void MainWindow::ExpandToFirstFile()
{
    for (QModelIndex index = m_resultsModel->index(0, 0); index.isValid() && m_resultsModel->rowCount(index) > 0;
         index = m_resultsModel->index(0, 0, index))
        m_resultsView->expand(index);
}

void MainWindow::OnViewStyle(int style)
{
    m_session->GetViews().SetViewStyle(style);
    RestoreMenuChecks();
    RefreshResults();
}

void MainWindow::OnFilterResults()
{
    m_session->GetViews().FlipFilterResults();
    RestoreMenuChecks();
}

void MainWindow::OnServerDetails()
{
    const bool show = !m_session->GetViews().GetServerDetailsShown();
    m_session->GetViews().SetServerDetailsShown(show);
    m_detailsDock->setVisible(show);
    RestoreMenuChecks();
}

void MainWindow::OnTestResults()
{
    m_session->OnTestResults();
    RestoreMenuChecks();
}

void MainWindow::OnRetestResults()
{
    m_session->OnRetestResults();
}

void MainWindow::OnStopTests()
{
    m_session->StopTests();
}

QTreeWidgetItem* MainWindow::FindServerItem(std::size_t group, std::size_t index) const
{
    QTreeWidgetItem* root = m_serverTree->topLevelItem(static_cast<int>(group));
    return root ? root->child(static_cast<int>(index)) : nullptr;
}

// The mark and a tooltip that says what it means and why.
void MainWindow::ShowServerMark(QTreeWidgetItem* item, const ServerItem& server)
{
    item->setIcon(0, GetTreeImage(server.state));
    item->setData(0, kTreeMarkRole, server.state);
    const std::string reply = m_session->GetServerResponse(server);
    const std::string news = server.newResults > 0 ? "\nIt has files no earlier search of these words found." : "";
    item->setToolTip(
        0, FromStd(server.text + ": " +
                   DescribeServerState(server.state, reply, server.testOnRequest, m_session->GetServerWhy(server)) +
                   news));
    // New files are bold in the results, and so is their server; Only New
    // Results leaves out the servers that have none.
    QFont font = item->font(0);
    font.setBold(server.newResults > 0);
    item->setFont(0, font);
    item->setHidden(m_session->GetViews().GetOnlyNewResults() && server.newResults == 0);
}

void MainWindow::ServerMarkChanged(std::size_t group, std::size_t index)
{
    if (QTreeWidgetItem* item = FindServerItem(group, index))
        ShowServerMark(item, m_session->GetServers().GetGroups()[group].servers[index]);
}

void MainWindow::ServerTested(std::size_t, const ServerItem& server, const TestJob&)
{
    const QTreeWidgetItem* selected = m_serverTree->currentItem();
    if (selected && selected->data(0, kServerHandleRole).toULongLong() == server.handle)
        m_serverDetails->SetResponseText(m_session->GetServerResponse(server));
    UpdateActivity();
}

} // namespace velmora
