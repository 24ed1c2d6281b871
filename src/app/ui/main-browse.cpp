// The main window's Browse Server: the server tree's context menu, starting
// and stopping a browse, and showing its files as they come.

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "app/ui/main-window.h"
#include "browse/browse-crawl.h"
#include "results/ui/results-model.h"
#include "ui-common/tree-images.h"

namespace velmora {

namespace {

// Files a browse adds, and the marks of checked files, show at most this
// often: a rebuild over a large server is not free.
constexpr int kResultsRefreshMs = 700;

} // namespace

const ServerItem* MainWindow::GetSelectedServer() const
{
    const QTreeWidgetItem* selected = m_serverTree->currentItem();
    if (selected == nullptr || selected->parent() == nullptr)
        return nullptr;
    std::size_t group = 0;
    std::size_t index = 0;
    const ServerTree& servers = m_session->GetServers();
    if (!servers.Find(selected->data(0, kServerHandleRole).toULongLong(), group, index))
        return nullptr;
    return &servers.GetGroups()[group].servers[index];
}

void MainWindow::OnServerContextMenu(const QPoint& at)
{
    QTreeWidgetItem* item = m_serverTree->itemAt(at);
    if (item == nullptr || item->parent() == nullptr)
        return;
    m_serverTree->setCurrentItem(item);
    QMenu menu(this);
    menu.addAction(GetCommand(Command::BrowseServer));
    menu.addAction(GetCommand(Command::StopBrowsing));
    menu.exec(m_serverTree->viewport()->mapToGlobal(at));
}

void MainWindow::OnBrowseServer(bool fromRoot)
{
    std::optional<ResultEntry> start = fromRoot ? std::nullopt : GetSelectedRecord();
    if (!start) {
        const ServerItem* server = GetSelectedServer();
        if (server == nullptr)
            return;
        start = server->first;
        fromRoot = true;
    }
    if (!m_session->OnBrowse(*start, fromRoot))
        return;
    if (m_browseRefresh == nullptr)
        m_browseRefresh = MakeRefreshTimer();
}

QTimer* MainWindow::MakeRefreshTimer()
{
    auto* timer = new QTimer(this);
    timer->setSingleShot(true);
    timer->setInterval(kResultsRefreshMs);
    connect(timer, &QTimer::timeout, this, &MainWindow::RefreshKeepingSelection);
    return timer;
}

void MainWindow::OnStopBrowsing()
{
    m_session->StopBrowse();
    RefreshKeepingSelection();
}

void MainWindow::BrowseListed(const BrowseListing&)
{
    // The files are taken in after this call: the timer shows them later.
    const BrowseTarget* target = m_session->GetBrowse().GetTarget();
    if (m_browseRefresh && target &&
        m_resultsModel->IsShowing(ServerKey(target->service, target->server, target->port)) &&
        !m_browseRefresh->isActive())
        m_browseRefresh->start();
}

void MainWindow::BrowseEnded(const BrowseSummary&)
{
    if (m_browseRefresh) {
        m_browseRefresh->stop();
        RefreshKeepingSelection();
    }
}

void MainWindow::RefreshKeepingSelection()
{
    const std::optional<ResultId> selected = m_resultsModel->GetRecord(m_resultsView->currentIndex());
    m_resultsModel->Refresh();
    ExpandToFirstFile();
    if (!selected)
        return;
    const QModelIndex found = m_resultsModel->FindRecord(*selected);
    if (found.isValid()) {
        m_resultsView->setCurrentIndex(found);
        m_resultsView->scrollTo(found);
    }
}

} // namespace velmora
