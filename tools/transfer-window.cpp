#include "transfer-window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include "download-folder.h"

// The icon is compiled into a static library; nothing else would pull its
// resource in.
static void LoadProgramIconResource()
{
    Q_INIT_RESOURCE(program_icon);
}

namespace velmora {

QString FormatBytes(quint64 bytes)
{
    if (bytes >= 1024ull * 1024 * 1024)
        return QString::number(static_cast<double>(bytes) / (1024.0 * 1024 * 1024), 'f', 2) + " GB";
    if (bytes >= 1024ull * 1024)
        return QString::number(static_cast<double>(bytes) / (1024.0 * 1024), 'f', 1) + " MB";
    if (bytes >= 1024)
        return QString::number(bytes / 1024) + " KB";
    return QString::number(bytes) + " bytes";
}

QString FormatProgress(quint64 done, quint64 total)
{
    return total > 0 ? FormatBytes(done) + " of " + FormatBytes(total) : FormatBytes(done);
}

QString FormatDuration(quint64 seconds)
{
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    if (seconds < 3600)
        return QStringLiteral("%1 min %2 s").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 h %2 min").arg(seconds / 3600).arg(seconds % 3600 / 60);
}

namespace {

// Text from the web (a file name) or a path: shown as it is, never read as
// rich text, and selectable so it can be copied.
QLabel* MakeValue(const QString& text, const char* id)
{
    auto* label = new QLabel(text);
    label->setObjectName(QString::fromLatin1(id));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TransferWindow::TransferWindow(std::string url, std::string startFolder, bool closeWhenDone)
    : TransferWindow(std::vector<std::string>{std::move(url)}, std::move(startFolder), closeWhenDone)
{
}

TransferWindow::TransferWindow(std::vector<std::string> urls, std::string startFolder, bool closeWhenDone)
    : m_urls(std::move(urls)), m_results(m_urls.size()), m_closeWhenDone(closeWhenDone)
{
    const DownloadFolder folder = ChooseDownloadFolder(startFolder);
    m_folder = folder.path;
    m_folderProblem = folder.problem;
    m_openFolder = [](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };

    LoadProgramIconResource();
    setWindowIcon(QIcon(QStringLiteral(":/transfer/velmora.svg")));
    const QString first = QString::fromStdString(m_urls.empty() ? std::string() : FileNameFromUrl(m_urls.front()));
    setWindowTitle(IsBatch() ? QStringLiteral("%1 files - FileTransfer").arg(m_urls.size())
                             : QStringLiteral("%1 - FileTransfer").arg(first));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(MakeFileRows(first));
    m_bar = new QProgressBar;
    m_bar->setRange(0, 100);
    m_bar->setValue(0);
    layout->addWidget(m_bar);
    if (IsBatch())
        AddBatchList(layout);
    m_status = MakeValue(QStringLiteral("Connecting..."), "status");
    m_status->setWordWrap(true);
    layout->addWidget(m_status);
    if (!IsBatch())
        layout->addStretch(1);
    layout->addLayout(MakeButtons());
    // The bar sets a width that leaves a long path room to show; the
    // height follows the wrapped rows (KeepRowsWhole).
    m_bar->setMinimumWidth(440);
    setMinimumWidth(layout->minimumSize().width());
    connect(this, &TransferWindow::Progress, this, &TransferWindow::ShowProgress, Qt::QueuedConnection);
    connect(this, &TransferWindow::FileStarted, this, &TransferWindow::ShowFileStarted, Qt::QueuedConnection);
    connect(this, &TransferWindow::FileEnded, this, &TransferWindow::ShowFileEnded, Qt::QueuedConnection);
    connect(this, &TransferWindow::Finished, this, &TransferWindow::ShowResult, Qt::QueuedConnection);
}

// File, folder, received, speed and time left.
QFormLayout* TransferWindow::MakeFileRows(const QString& first)
{
    auto* form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    m_name = MakeValue(first, "fileName");
    m_folderLabel = MakeValue(QString::fromStdString(m_folder), "folder");
    m_folderLabel->setWordWrap(true);
    m_progress = MakeValue(QStringLiteral("-"), "progress");
    m_speed = MakeValue(QStringLiteral("-"), "speed");
    m_timeLeft = MakeValue(QStringLiteral("-"), "timeLeft");
    form->addRow(QStringLiteral("File:"), m_name);
    form->addRow(QStringLiteral("Saving to:"), m_folderLabel);
    form->addRow(QStringLiteral("Received:"), m_progress);
    form->addRow(QStringLiteral("Speed:"), m_speed);
    form->addRow(QStringLiteral("Time left:"), m_timeLeft);
    return form;
}

// The files in the order they come, each with how it went, and a bar for
// the whole batch.
void TransferWindow::AddBatchList(QVBoxLayout* layout)
{
    m_files = new QListWidget;
    m_files->setObjectName(QStringLiteral("files"));
    for (const std::string& url : m_urls)
        m_files->addItem(QString::fromStdString(FileNameFromUrl(url)) + QStringLiteral(" \u2014 waiting"));
    m_overall = new QProgressBar;
    m_overall->setObjectName(QStringLiteral("overall"));
    m_overall->setRange(0, static_cast<int>(m_urls.size()));
    m_overall->setValue(0);
    m_overall->setFormat(QStringLiteral("%v of %m files"));
    layout->addWidget(new QLabel(QStringLiteral("All files:")));
    layout->addWidget(m_overall);
    layout->addWidget(m_files, 1);
}

QHBoxLayout* TransferWindow::MakeButtons()
{
    m_openFolderButton = new QPushButton(QStringLiteral("&Open Folder"));
    m_openFolderButton->setObjectName(QStringLiteral("openFolder"));
    m_openFolderButton->hide();
    connect(m_openFolderButton, &QPushButton::clicked, this, &TransferWindow::OnOpenFolder);
    m_button = new QPushButton(QStringLiteral("Cancel"));
    m_button->setObjectName(QStringLiteral("closeOrCancel"));
    connect(m_button, &QPushButton::clicked, this, &QWidget::close);
    // Esc is the Cancel or Close button, as in a dialog.
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_openFolderButton);
    buttons->addWidget(m_button);
    return buttons;
}

TransferWindow::~TransferWindow()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

void TransferWindow::Start()
{
    if (!m_folderProblem.empty()) {
        m_result.error = m_folderProblem;
        ShowEnd(QString::fromStdString(m_folderProblem));
        return;
    }
    m_clock.start();
    m_worker = std::thread([this] {
        // Signals cross to the window's thread queued; a file's result is
        // written before its signal, and the window joins this thread
        // before it goes away.
        for (std::size_t i = 0; i < m_urls.size() && !m_cancel; ++i) {
            emit FileStarted(static_cast<int>(i));
            m_results[i] = RunTransfer(m_urls[i], m_folder, m_cancel, [this](const TransferProgress& progress) {
                emit Progress(progress.done, progress.total);
            });
            emit FileEnded(static_cast<int>(i));
        }
        emit Finished();
    });
}

bool TransferWindow::Succeeded() const
{
    return !m_results.empty() &&
           std::all_of(m_results.begin(), m_results.end(), [](const TransferResult& result) { return result.ok; });
}

std::vector<std::string> TransferWindow::FailureLines() const
{
    std::vector<std::string> lines;
    if (!m_folderProblem.empty())
        lines.push_back(m_folderProblem);
    for (std::size_t i = 0; i < m_results.size() && m_folderProblem.empty(); ++i) {
        if (!m_results[i].ok)
            lines.push_back(FileNameFromUrl(m_urls[i]) + ": " +
                            (m_results[i].error.empty() ? "stopped" : m_results[i].error));
    }
    return lines;
}

void TransferWindow::ShowFileStarted(int index)
{
    if (m_finished || !IsBatch())
        return;
    const auto at = static_cast<std::size_t>(index);
    m_started = false; // the speed is measured per file
    m_name->setText(QString::fromStdString(FileNameFromUrl(m_urls[at])));
    m_progress->setText(QStringLiteral("-"));
    m_speed->setText(QStringLiteral("-"));
    m_timeLeft->setText(QStringLiteral("-"));
    m_bar->setValue(0);
    m_status->setText(QStringLiteral("File %1 of %2: connecting...").arg(index + 1).arg(m_urls.size()));
    m_files->item(index)->setText(QString::fromStdString(FileNameFromUrl(m_urls[at])) +
                                  QStringLiteral(" \u2014 downloading"));
    m_files->setCurrentRow(index);
}

void TransferWindow::ShowFileEnded(int index)
{
    if (!IsBatch())
        return;
    const TransferResult& result = m_results[static_cast<std::size_t>(index)];
    const QString name = QString::fromStdString(FileNameFromUrl(m_urls[static_cast<std::size_t>(index)]));
    m_files->item(index)->setText(
        name + QStringLiteral(" \u2014 ") +
        (result.ok ? QStringLiteral("done") : QString::fromStdString(result.error.empty() ? "stopped" : result.error)));
    if (result.ok) {
        m_overall->setValue(m_overall->value() + 1);
        m_result = result;
    }
}

void TransferWindow::ShowProgress(quint64 done, quint64 total)
{
    if (m_finished)
        return;
    if (!m_started) {
        m_started = true;
        m_startBytes = done;
        m_clock.restart();
        m_status->setText(
            IsBatch()
                ? QStringLiteral("File %1 of %2: downloading...").arg(m_files->currentRow() + 1).arg(m_urls.size())
                : QStringLiteral("Downloading..."));
    }
    m_progress->setText(FormatProgress(done, total));
    if (total > 0)
        m_bar->setValue(static_cast<int>(std::min<quint64>(done, total) * 100 / total));
    const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
    if (seconds < 0.5 || done <= m_startBytes)
        return;
    const double speed = static_cast<double>(done - m_startBytes) / seconds;
    m_speed->setText(FormatBytes(static_cast<quint64>(speed)) + "/s");
    if (total > done && speed > 0)
        m_timeLeft->setText(FormatDuration(static_cast<quint64>(static_cast<double>(total - done) / speed)));
}

void TransferWindow::ShowResult()
{
    if (m_worker.joinable())
        m_worker.join();
    if (IsBatch()) {
        ShowResults();
        return;
    }
    m_result = m_results.front();
    if (!m_result.ok) {
        m_progress->setText(m_result.bytesOnDisk > 0 ? FormatBytes(m_result.bytesOnDisk) + ", kept for a resume"
                                                     : QStringLiteral("-"));
        ShowEnd(QString::fromStdString(m_result.error));
        return;
    }
    m_bar->setValue(100);
    m_progress->setText(FormatBytes(m_result.bytesOnDisk));
    m_timeLeft->setText(QStringLiteral("-"));
    ShowEnd(QStringLiteral("Done: %1").arg(QString::fromStdString(m_result.finalPath)));
    m_openFolderButton->show();
    m_openFolderButton->setDefault(true);
    m_openFolderButton->setFocus();
    if (m_closeWhenDone)
        close();
}

// A batch ends saying how many files arrived; the list says why the others
// did not.
void TransferWindow::ShowResults()
{
    const auto whole = static_cast<std::size_t>(
        std::count_if(m_results.begin(), m_results.end(), [](const TransferResult& result) { return result.ok; }));
    m_bar->setValue(whole == m_urls.size() ? 100 : m_bar->value());
    m_speed->setText(QStringLiteral("-"));
    m_timeLeft->setText(QStringLiteral("-"));
    if (whole == m_urls.size())
        ShowEnd(QStringLiteral("Done: all %1 files are in %2").arg(whole).arg(QString::fromStdString(m_folder)));
    else
        ShowEnd(QStringLiteral("%1 of %2 files arrived in %3; the list says why the others did not.")
                    .arg(whole)
                    .arg(m_urls.size())
                    .arg(QString::fromStdString(m_folder)));
    if (whole > 0) {
        m_openFolderButton->show();
        m_openFolderButton->setDefault(true);
        m_openFolderButton->setFocus();
    }
    if (m_closeWhenDone && whole == m_urls.size())
        close();
}

void TransferWindow::ShowEnd(const QString& status)
{
    m_finished = true;
    m_status->setText(status);
    m_button->setText(QStringLiteral("Close"));
    KeepRowsWhole();
}

// Rows that wrap (a long path, a long sentence) need more height the
// narrower the window is; the window never gets lower than that.
void TransferWindow::KeepRowsWhole()
{
    setMinimumHeight(layout()->totalHeightForWidth(width()));
}

void TransferWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    KeepRowsWhole();
}

void TransferWindow::OnOpenFolder()
{
    const QString folder = QFileInfo(QString::fromStdString(m_result.finalPath)).absolutePath();
    if (!m_openFolder(folder)) {
        m_status->setText(m_status->text() + QStringLiteral("\nNo file manager could be opened for the folder."));
        KeepRowsWhole();
    }
}

QString TransferWindow::GetStatusText() const
{
    return m_status->text();
}

void TransferWindow::closeEvent(QCloseEvent* event)
{
    // Cancel stops the download and keeps what arrived for a later resume.
    // The worker sees the flag within a second; its result is read only
    // after it has ended.
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
    event->accept();
}

} // namespace velmora
