// The main window's results side: the results tree, the details panel,
// server marks and the View and Tests commands.

#include <QAction>
#include <QTreeWidget>

#include "app/ui/main-dlg.h"
#include "app/ui/tree-images.h"
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
        m_pServerDetails->SetResponseText(FromStd(details.response));
        m_pServerDetails->SetServerInfo(FromStd(details.address), FromStd(details.port), FromStd(details.user),
                                        FromStd(details.password));
    }
    m_pResultsTree->setUpdatesEnabled(false);
    AddItems(nullptr, m_pResultsTree, refresh.items);
    m_pResultsTree->setUpdatesEnabled(true);
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
    m_pServerDetails->setVisible(show);
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

QTreeWidgetItem* CMainDlg::FindServerItem(std::size_t group, std::size_t index) const
{
    QTreeWidgetItem* root = m_pServerTree->topLevelItem(static_cast<int>(group));
    return root ? root->child(static_cast<int>(index)) : nullptr;
}

void CMainDlg::ServerMarkChanged(std::size_t group, std::size_t index)
{
    QTreeWidgetItem* item = FindServerItem(group, index);
    if (item == nullptr)
        return;
    const int mark = m_pSession->GetServers().GetGroups()[group].servers[index].mark;
    item->setIcon(0, GetTreeImage(mark));
    item->setData(0, kTreeMarkRole, mark);
}

void CMainDlg::ServerTested(std::size_t, const ServerItem& server, const TestJob& job)
{
    const QTreeWidgetItem* selected = m_pServerTree->currentItem();
    if (selected && selected->data(0, kServerHandleRole).toULongLong() == server.handle)
        m_pServerDetails->SetResponseText(FromStd(job.reply));
}

} // namespace velmora
