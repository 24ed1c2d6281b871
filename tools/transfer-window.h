#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <atomic>
#include <thread>

#include "transfer-job.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace velmora {

// The download program's window: file name, size, percent, speed, time
// left and Cancel. The download runs on a thread of its own; the window
// closes itself when the file is complete and says plainly why when not.
class CTransferWindow : public QWidget {
    Q_OBJECT
public:
    CTransferWindow(std::string url, std::string folder);
    ~CTransferWindow() override;

    void Start();
    bool Succeeded() const { return m_result.ok; }
    QString GetStatusText() const;

signals:
    void Progress(quint64 done, quint64 total);
    void Finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void ShowProgress(quint64 done, quint64 total);
    void ShowResult();

    std::string m_url;
    std::string m_folder;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    TransferResult m_result;
    QElapsedTimer m_clock;
    quint64 m_nStartBytes = 0;
    bool m_bStarted = false;
    QLabel* m_pName = nullptr;
    QLabel* m_pSize = nullptr;
    QLabel* m_pSpeed = nullptr;
    QLabel* m_pTimeLeft = nullptr;
    QLabel* m_pStatus = nullptr;
    QProgressBar* m_pBar = nullptr;
    QPushButton* m_pButton = nullptr;
};

// "1.5 MB", "820 KB", "312 bytes".
QString FormatBytes(quint64 bytes);

} // namespace velmora
