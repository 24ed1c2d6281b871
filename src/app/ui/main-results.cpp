// The main window's results side: the results tree, the details panel,
// server marks and the View and Tests commands.

#include <QAction>
#include <QDockWidget>
#include <QTreeWidget>

#include "app/ui/main-dlg.h"
#include "app/ui/tree-images.h"
#include "results/server-tree.h"
#include "results/ui/server-details-dlg.h"

namespace velmora {

namespace {

QString FromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

void AddItems(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<ViewItem>& items)
{
    for (const ViewItem& item : items) {
        auto* added = parent ? new QTreeWidgetItem(parent, {FromStd(item.text)})
                             : new QTreeWidgetItem(tree, {FromStd(item.text)});
        added->setData(0, kRecordRole, QVariant::fromValue(reinterpret_cast<quintptr>(item.record)));
        AddItems(added, tree, item.children);
    }
}

} // namespace

void CMainDlg::RefreshResults()
{
    m_pResultsTree->clear();
    const QTreeWidgetItem* selected = m_pServerTree->currentItem();
    const auto handle = selected ? selected->data(0, kServerHandleRole).toULongLong() : 0;
    const SearchSession::ResultsRefresh refresh = m_pSession->RefreshResults(handle);
    if (refresh.hasDetails) {
        const auto& details = refresh.details;
        m_pServerDetails->SetResponseText(details.response);
        m_pServerDetails->SetServerInfo(FromStd(details.address), FromStd(details.port), FromStd(details.user),
                                        FromStd(details.password));
    }
    m_pResultsTree->setUpdatesEnabled(false);
    AddItems(nullptr, m_pResultsTree, refresh.items);
    ExpandToFirstFile();
    m_pResultsTree->setUpdatesEnabled(true);
}

// A server's directories open down to its first file.
void CMainDlg::ExpandToFirstFile()
{
    for (QTreeWidgetItem* item = m_pResultsTree->topLevelItem(0); item != nullptr && item->childCount() > 0;
         item = item->child(0))
        item->setExpanded(true);
}

void CMainDlg::OnViewStyle(int style)
{
    m_pSession->GetViews().SetViewStyle(style);
    RestoreMenuChecks();
    RefreshResults();
}

void CMainDlg::OnFilterResults()
{
    m_pSession->GetViews().FlipFilterResults();
    RestoreMenuChecks();
}

void CMainDlg::OnServerDetails()
{
    const bool show = !m_pSession->GetViews().GetServerDetailsShown();
    m_pSession->GetViews().SetServerDetailsShown(show);
    m_pDetailsDock->setVisible(show);
    RestoreMenuChecks();
}

void CMainDlg::OnTestResults()
{
    m_pSession->OnTestResults();
    RestoreMenuChecks();
}

void CMainDlg::OnRetestResults()
{
    m_pSession->OnRetestResults();
}

void CMainDlg::OnStopTests()
{
    m_pSession->StopTests();
}

QTreeWidgetItem* CMainDlg::FindServerItem(std::size_t group, std::size_t index) const
{
    QTreeWidgetItem* root = m_pServerTree->topLevelItem(static_cast<int>(group));
    return root ? root->child(static_cast<int>(index)) : nullptr;
}

// The mark and a tooltip that says what it means and why.
void CMainDlg::ShowServerMark(QTreeWidgetItem* item, const ServerItem& server)
{
    item->setIcon(0, GetTreeImage(server.mark));
    item->setData(0, kTreeMarkRole, server.mark);
    const std::string reply = m_pSession->GetServerResponse(server);
    item->setToolTip(0, FromStd(server.text + ": " + DescribeServerMark(server.mark, reply)));
}

void CMainDlg::ServerMarkChanged(std::size_t group, std::size_t index)
{
    if (QTreeWidgetItem* item = FindServerItem(group, index))
        ShowServerMark(item, m_pSession->GetServers().GetGroups()[group].servers[index]);
}

void CMainDlg::ServerTested(std::size_t, const ServerItem& server, const TestJob& job)
{
    const QTreeWidgetItem* selected = m_pServerTree->currentItem();
    if (selected && selected->data(0, kServerHandleRole).toULongLong() == server.handle)
        m_pServerDetails->SetResponseText(job.reply);
    UpdateActivity();
}

} // namespace velmora
