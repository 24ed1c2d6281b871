// The main window's saved searches and exports: File > "Recent Searches",
// File > "Forget This Search", View > "Only New Results" and File > "Export…".

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTreeView>
#include <QTreeWidget>

#include "app/ui/main-window.h"
#include "app/ui/status-bar.h"
#include "export/result-export.h"
#include "results/ui/results-model.h"

namespace velmora {

namespace {

constexpr std::size_t kRecentSearches = 15;

QString DescribeSavedSearch(const SavedSearchInfo& search)
{
    const QString when = QDateTime::fromSecsSinceEpoch(search.when).toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    QString name = QString::fromStdString(search.name);
    name.replace(QLatin1Char('&'), QStringLiteral("&&")); // no mnemonic from a search's words
    return QStringLiteral("%1 \u2014 %2, %3 files").arg(name, when).arg(search.results);
}

} // namespace

void MainWindow::FillRecentSearches()
{
    m_recentMenu->clear();
    // Looking makes no database where none was kept.
    if (!QFileInfo::exists(QDir(QString::fromStdString(m_session->GetWorkingDirectory()))
                               .filePath(QString::fromLatin1(kSearchesFile)))) {
        m_recentMenu->addAction(QStringLiteral("No saved searches yet"))->setEnabled(false);
        return;
    }
    const Result<SearchStore*> store = m_session->GetStore();
    if (!store) {
        QAction* problem = m_recentMenu->addAction(QStringLiteral("Saved searches cannot be read"));
        problem->setEnabled(false);
        problem->setToolTip(QString::fromStdString(store.Why()));
        m_recentMenu->setToolTipsVisible(true);
        return;
    }
    // Each set of words once, its latest run: repeats push nothing out.
    const std::vector<SavedSearchInfo> searches = (*store)->ListLatestOfEach(kRecentSearches);
    if (searches.empty())
        m_recentMenu->addAction(QStringLiteral("No saved searches yet"))->setEnabled(false);
    for (const SavedSearchInfo& search : searches) {
        QAction* action = m_recentMenu->addAction(DescribeSavedSearch(search));
        const std::int64_t id = search.id;
        connect(action, &QAction::triggered, this, [this, id] { OnOpenSavedSearch(id); });
    }
}

void MainWindow::OnOpenSavedSearch(std::int64_t id)
{
    const Result<SavedSearchInfo> shown = m_session->OpenSavedSearch(id);
    if (!shown) {
        QMessageBox::warning(this, QStringLiteral("Recent Searches"), QString::fromStdString(shown.Why()));
        return;
    }
    m_searchEdit->setText(QString::fromStdString(shown->words));
    // Its first server shows, so what was found is in view at once.
    for (int group = 0; group < m_serverTree->topLevelItemCount(); ++group) {
        if (QTreeWidgetItem* first = m_serverTree->topLevelItem(group)->child(0)) {
            m_serverTree->setCurrentItem(first);
            break;
        }
    }
    RefreshResults();
    ExpandToFirstFile();
}

// Every kept run of the shown search's name goes; what is on screen stays.
void MainWindow::OnForgetSearch()
{
    const std::string name = m_session->GetKeptName();
    if (name.empty())
        return;
    const QString shown = QString::fromStdString(name);
    if (QMessageBox::question(this, QStringLiteral("Forget This Search"),
                              QStringLiteral("Forget every saved run of \u201c%1\u201d? Its results stay on screen "
                                             "until the next search, but Recent Searches and Export no longer "
                                             "have them.")
                                  .arg(shown)) != QMessageBox::Yes)
        return;
    const Result<std::int64_t> dropped = m_session->ForgetSearch(name);
    if (!dropped) {
        QMessageBox::warning(this, QStringLiteral("Forget This Search"), QString::fromStdString(dropped.Why()));
        return;
    }
    m_statusBar->SetText(4, QStringLiteral("Forgot %1 saved %2 of \u201c%3\u201d")
                                .arg(*dropped)
                                .arg(*dropped == 1 ? QStringLiteral("run") : QStringLiteral("runs"), shown));
    UpdateCommandStates();
}

void MainWindow::OnOnlyNewResults()
{
    ViewSettings& views = m_session->GetViews();
    views.SetOnlyNewResults(!views.GetOnlyNewResults());
    m_resultsModel->SetOnlyNew(views.GetOnlyNewResults());
    const auto& groups = m_session->GetServers().GetGroups();
    for (std::size_t group = 0; group < groups.size(); ++group) {
        for (std::size_t index = 0; index < groups[group].servers.size(); ++index) {
            if (QTreeWidgetItem* item = FindServerItem(group, index))
                ShowServerMark(item, groups[group].servers[index]);
        }
    }
    RestoreMenuChecks();
}

void MainWindow::SearchNotSaved(const std::string& why)
{
    m_statusBar->SetText(4, QStringLiteral("Not saved: ") + QString::fromStdString(why));
    if (std::exchange(m_toldNotSaved, true))
        return;
    // Not modal: the search goes on while the user reads it.
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Search Not Saved"), QString::fromStdString(why),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

std::vector<ResultId> MainWindow::GetSelectedRecordIds() const
{
    std::vector<ResultId> ids;
    for (const QModelIndex& row : m_resultsView->selectionModel()->selectedRows())
        if (const auto record = m_resultsModel->GetRecord(row))
            ids.push_back(*record);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<ResultId> MainWindow::GetSelectedServerRecordIds() const
{
    const ServerItem* server = GetSelectedServer();
    if (server == nullptr)
        return {};
    return m_session->GetResults().GetServerRecords(ServerKey(server->first));
}

void MainWindow::OnExport()
{
    const std::vector<ResultId> selected = GetSelectedRecordIds();
    const std::vector<ResultId> server = GetSelectedServerRecordIds();
    const ResultList& results = m_session->GetResults();
    const ServerTree& servers = m_session->GetServers();
    const ExportDialog::Counts counts = {selected.size(), server.size(), results.GetCount()};
    const ExportDialog::Counts good = {CountOnGoodServers(results, servers, selected),
                                       CountOnGoodServers(results, servers, server),
                                       CountAllOnGoodServers(results, servers)};
    ExportDialog dialog(counts, good, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const ExportChoice choice = dialog.GetChoice();
    const QString suggested =
        QDir(QString::fromStdString(m_session->GetWorkingDirectory()))
            .filePath(QString::fromStdString(SuggestExportName(m_session->GetFilterWords(), choice.format)));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Export Results"), suggested,
                                                      ExportFileFilter(choice.format));
    if (!path.isEmpty())
        ExportResults(choice, path);
}

bool MainWindow::ExportResults(const ExportChoice& choice, const QString& path)
{
    std::vector<ResultId> chosen;
    if (choice.scope == ExportScope::Selected) {
        chosen = GetSelectedRecordIds();
    } else if (choice.scope == ExportScope::Server) {
        chosen = GetSelectedServerRecordIds();
    } else {
        chosen.resize(m_session->GetResults().GetCount());
        for (std::size_t i = 0; i < chosen.size(); ++i)
            chosen[i] = static_cast<ResultId>(i);
    }
    SearchSession& session = *m_session;
    const std::vector<ExportItem> items =
        FilterExport(MakeExportItems(session.GetResults(), session.GetServers(), chosen,
                                     [&session](std::uint64_t engine) { return session.GetEngineName(engine); }),
                     choice.onlyGood, false);
    const ExportText text = FormatExport(choice.format, items);
    if (text.written == 0) {
        QMessageBox::information(this, QStringLiteral("Export Results"),
                                 choice.onlyGood ? QStringLiteral("None of these results is on a server that passed "
                                                                  "the test, so nothing was exported.")
                                                 : QStringLiteral("None of these results can be exported."));
        return false;
    }
    if (const Result<void> written = WriteExportFile(path.toStdString(), text.text); !written) {
        const std::string problem = written.Why();
        QMessageBox::warning(this, QStringLiteral("Export Results"), QString::fromStdString(problem));
        return false;
    }
    QString done =
        QStringLiteral("Exported %1 %2 to %3").arg(text.written).arg(text.written == 1 ? "result" : "results", path);
    if (text.skipped > 0)
        done += QStringLiteral(" (%1 left out: no URL or file name fits them)").arg(text.skipped);
    m_statusBar->SetText(4, done);
    return true;
}

} // namespace velmora
