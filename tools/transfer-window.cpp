#include "transfer-window.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

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

CTransferWindow::CTransferWindow(std::string url, std::string folder)
    : m_url(std::move(url)), m_folder(std::move(folder))
{
    setWindowTitle(QStringLiteral("FileTransfer"));
    auto* form = new QFormLayout;
    // A name from the web is shown as it is, never read as rich text.
    m_pName = new QLabel(QString::fromStdString(FileNameFromUrl(m_url)));
    m_pName->setTextFormat(Qt::PlainText);
    m_pName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_pSize = new QLabel(QStringLiteral("unknown"));
    m_pSpeed = new QLabel(QStringLiteral("-"));
    m_pTimeLeft = new QLabel(QStringLiteral("-"));
    form->addRow(QStringLiteral("File:"), m_pName);
    form->addRow(QStringLiteral("Size:"), m_pSize);
    form->addRow(QStringLiteral("Speed:"), m_pSpeed);
    form->addRow(QStringLiteral("Time left:"), m_pTimeLeft);
    m_pBar = new QProgressBar;
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    m_pStatus = new QLabel(QStringLiteral("Connecting..."));
    m_pStatus->setTextFormat(Qt::PlainText);
    m_pStatus->setWordWrap(true);
    m_pButton = new QPushButton(QStringLiteral("Cancel"));
    connect(m_pButton, &QPushButton::clicked, this, &QWidget::close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pButton, 0, Qt::AlignRight);
    setMinimumWidth(420);
    connect(this, &CTransferWindow::Progress, this, &CTransferWindow::ShowProgress, Qt::QueuedConnection);
    connect(this, &CTransferWindow::Finished, this, &CTransferWindow::ShowResult, Qt::QueuedConnection);
}

CTransferWindow::~CTransferWindow()
{
    m_cancel = true;
    if (m_worker.joinable())
        m_worker.join();
}

void CTransferWindow::Start()
{
    m_clock.start();
    m_worker = std::thread([this] {
        // Signals cross to the window's thread queued; the window joins this
        // thread before it goes away.
        m_result = RunTransfer(m_url, m_folder, m_cancel, [this](const TransferProgress& progress) {
            emit Progress(progress.done, progress.total);
        });
        emit Finished();
    });
}

void CTransferWindow::ShowProgress(quint64 done, quint64 total)
{
    if (!m_bStarted) {
        m_bStarted = true;
        m_nStartBytes = done;
        m_clock.restart();
        m_pStatus->setText(QStringLiteral("Downloading..."));
    }
    if (total > 0) {
        m_pSize->setText(FormatBytes(total));
        m_pBar->setValue(static_cast<int>(done * 100 / total));
    }
    const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
    if (seconds < 0.5 || done <= m_nStartBytes)
        return;
    const double speed = static_cast<double>(done - m_nStartBytes) / seconds;
    m_pSpeed->setText(FormatBytes(static_cast<quint64>(speed)) + "/s");
    if (total > done && speed > 0)
        m_pTimeLeft->setText(QString::number(static_cast<long long>(static_cast<double>(total - done) / speed)) + " s");
}

void CTransferWindow::ShowResult()
{
    if (m_worker.joinable())
        m_worker.join();
    if (m_result.ok) {
        m_pBar->setValue(100);
        m_pStatus->setText(QStringLiteral("Saved as %1.").arg(QString::fromStdString(m_result.finalPath)));
        close();
        return;
    }
    m_pStatus->setText(QString::fromStdString(m_result.error));
    m_pButton->setText(QStringLiteral("Close"));
}

QString CTransferWindow::GetStatusText() const
{
    return m_pStatus->text();
}

void CTransferWindow::closeEvent(QCloseEvent* event)
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
