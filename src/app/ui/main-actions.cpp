// The main window's result actions: the results tree's context menu, Get
// File, Connect To Server and Copy To Clipboard.

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMessageBox>
#include <QTreeView>
#include <QTreeWidget>

#include "app/ui/main-window.h"
#include "app/ui/status-bar.h"
#include "results/result-actions.h"
#include "results/ui/results-model.h"
#include "ui-common/tree-images.h"

namespace velmora {

std::optional<ResultEntry> MainWindow::GetSelectedRecord() const
{
    const auto record = m_resultsModel->GetRecord(m_resultsView->currentIndex());
    if (!record)
        return std::nullopt;
    return m_session->GetResults().Get(*record);
}

void MainWindow::OnResultsContextMenu(const QPoint& at)
{
    if (!GetSelectedRecord())
        return;
    // "Connect To Server" only for a server listed under "FTP".
    const QTreeWidgetItem* server = m_serverTree->currentItem();
    const bool underFtp = server && server->parent() && server->parent() == m_serverTree->topLevelItem(0);
    QAction* connectItem = GetCommand(Command::ConnectToServer);
    connectItem->setEnabled(underFtp);
    QMenu menu(this);
    menu.addAction(connectItem);
    menu.addAction(GetCommand(Command::GetFile));
    menu.addSeparator();
    menu.addAction(GetCommand(Command::CopyToClipboard));
    menu.addSeparator();
    menu.addAction(GetCommand(Command::BrowseServer)); // Browse Server, from this file's folder
    menu.addAction(GetCommand(Command::StopBrowsing));
    menu.addSeparator();
    menu.addAction(GetCommand(Command::CheckFiles));
    menu.exec(m_resultsView->viewport()->mapToGlobal(at));
}

void MainWindow::OnConnectToServer()
{
    if (const auto record = GetSelectedRecord())
        TakeLaunch(ConnectToServer(*record, m_session->GetSettingsPath(), m_session->GetWorkingDirectory()));
}

// Every selected file; a selected folder stands for nothing.
std::vector<ResultEntry> MainWindow::GetSelectedRecords() const
{
    std::vector<ResultEntry> records;
    for (const QModelIndex& row : m_resultsView->selectionModel()->selectedRows()) {
        if (const auto record = m_resultsModel->GetRecord(row))
            records.push_back(m_session->GetResults().Get(*record));
    }
    return records;
}

void MainWindow::OnGetFile()
{
    const std::vector<ResultEntry> selected = GetSelectedRecords();
    if (selected.size() > 1) {
        TakeLaunch(GetFiles(selected, m_session->GetSettingsPath(), m_session->GetWorkingDirectory()));
        return;
    }
    if (const auto record = GetSelectedRecord())
        TakeLaunch(GetFile(*record, m_session->GetSettingsPath(), m_session->GetWorkingDirectory()));
}

// What was started is watched, so the status line can tell how it ended; a
// launch that could not start says why, since the user has to act on it.
void MainWindow::TakeLaunch(LaunchResult launched)
{
    m_session->WatchPrograms(std::move(launched.programs));
    if (!launched.started)
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(launched.message));
}

// Every selected result's URL, a line each (the current one when nothing
// is selected); the status line says how many went.
void MainWindow::OnCopyToClipboard()
{
    std::vector<ResultEntry> records = GetSelectedRecords();
    if (records.empty()) {
        if (auto record = GetSelectedRecord())
            records.push_back(std::move(*record));
    }
    QStringList lines;
    for (const ResultEntry& record : records) {
        if (const auto text = BuildClipboardText(record))
            lines << QString::fromStdString(*text);
    }
    if (lines.isEmpty())
        return;
    const QString copied = lines.join(QLatin1Char('\n'));
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Cannot open the Clipboard"));
        return;
    }
    clipboard->setText(copied);
    if (clipboard->text() != copied) {
        QMessageBox::warning(this, windowTitle(), QStringLiteral("Unable to set Clipboard data\n") + copied);
        return;
    }
    m_statusBar->SetText(4, lines.size() == 1 ? QStringLiteral("Copied 1 URL to the clipboard")
                                              : QStringLiteral("Copied %1 URLs to the clipboard").arg(lines.size()));
}

} // namespace velmora
