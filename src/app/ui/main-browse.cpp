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

constexpr int kBrowseSelf = 32795;
constexpr int kStopBrowsingSelf = 32796;
// Files a browse adds show at most this often: a rebuild over a large
// server is not free.
constexpr int kBrowseRefreshMs = 700;

} // namespace

const ServerItem* MainWindow::GetSelectedServer() const
{
    const QTreeWidgetItem* selected = m_pServerTree->currentItem();
    if (selected == nullptr || selected->parent() == nullptr)
        return nullptr;
    std::size_t group = 0;
    std::size_t index = 0;
    const ServerTree& servers = m_pSession->GetServers();
    if (!servers.Find(selected->data(0, kServerHandleRole).toULongLong(), group, index))
        return nullptr;
    return &servers.GetGroups()[group].servers[index];
}

void MainWindow::OnServerContextMenu(const QPoint& at)
{
    QTreeWidgetItem* item = m_pServerTree->itemAt(at);
    if (item == nullptr || item->parent() == nullptr)
        return;
    m_pServerTree->setCurrentItem(item);
    QMenu menu(this);
    menu.addAction(GetCommand(kBrowseSelf));
    menu.addAction(GetCommand(kStopBrowsingSelf));
    menu.exec(m_pServerTree->viewport()->mapToGlobal(at));
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
    if (!m_pSession->OnBrowse(*start, fromRoot))
        return;
    if (m_pBrowseRefresh == nullptr) {
        m_pBrowseRefresh = new QTimer(this);
        m_pBrowseRefresh->setSingleShot(true);
        m_pBrowseRefresh->setInterval(kBrowseRefreshMs);
        connect(m_pBrowseRefresh, &QTimer::timeout, this, &MainWindow::RefreshKeepingSelection);
    }
}

void MainWindow::OnStopBrowsing()
{
    m_pSession->StopBrowse();
    RefreshKeepingSelection();
}

void MainWindow::BrowseListed(const BrowseListing&)
{
    // The files are taken in after this call: the timer shows them later.
    const BrowseTarget* target = m_pSession->GetBrowse().GetTarget();
    if (m_pBrowseRefresh && target && m_pResultsModel->IsShowing(target->server) && !m_pBrowseRefresh->isActive())
        m_pBrowseRefresh->start();
}

void MainWindow::BrowseEnded(const BrowseSummary&)
{
    if (m_pBrowseRefresh) {
        m_pBrowseRefresh->stop();
        RefreshKeepingSelection();
    }
}

void MainWindow::RefreshKeepingSelection()
{
    const std::optional<ResultId> selected = m_pResultsModel->GetRecord(m_pResultsView->currentIndex());
    m_pResultsModel->Refresh();
    ExpandToFirstFile();
    if (!selected)
        return;
    const QModelIndex found = m_pResultsModel->FindRecord(*selected);
    if (found.isValid()) {
        m_pResultsView->setCurrentIndex(found);
        m_pResultsView->scrollTo(found);
    }
}

} // namespace velmora
