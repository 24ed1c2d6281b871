// The main window's Check Files: which files, and showing their marks,
// sizes and dates as the checks come.

#include <QTimer>
#include <QTreeView>

#include "app/ui/main-window.h"
#include "results/ui/results-model.h"

namespace velmora {

void MainWindow::OnCheckFiles()
{
    std::vector<ResultId> ids = GetSelectedRecordIds();
    if (ids.empty())
        ids = GetSelectedServerRecordIds();
    if (ids.empty())
        return;
    m_session->CheckFiles(ids);
    if (m_checkRefresh == nullptr)
        m_checkRefresh = MakeRefreshTimer();
}

void MainWindow::OnStopChecks()
{
    m_session->StopChecks();
    RefreshKeepingSelection();
}

void MainWindow::FileChecked(std::uint32_t, const std::string&, const FileCheck&)
{
    if (m_checkRefresh && !m_checkRefresh->isActive())
        m_checkRefresh->start();
}

} // namespace velmora
