#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "transfer-job.h"

class QFormLayout;
class QHBoxLayout;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace velmora {

// The download program's window: the file, the folder it goes to, "x of y",
// speed, time left and Cancel. The download runs on a thread of its own.
// It ends showing "Done" with the file's full path and an "Open Folder"
// button, or a sentence saying why not; it closes by itself only when asked
// to (`closeWhenDone`). Given several files it fetches them one after
// another, with a list of them and a bar for the whole.
class TransferWindow : public QWidget {
    Q_OBJECT
public:
    // `startFolder` is where the program was started: the download goes to
    // the Local Directory its settings.dat names.
    TransferWindow(std::string url, std::string startFolder, bool closeWhenDone = false);
    TransferWindow(std::vector<std::string> urls, std::string startFolder, bool closeWhenDone = false);
    ~TransferWindow() override;

    void Start();
    // Every file arrived whole.
    bool Succeeded() const;
    // Why each file that did not arrive did not, a line each ("NAME: why"),
    // for a caller that waits for this program.
    std::vector<std::string> FailureLines() const;
    bool IsFinished() const { return m_finished; }
    QString GetStatusText() const;
    // How "Open Folder" opens a folder; the desktop's file manager unless
    // replaced.
    void SetFolderOpener(std::function<bool(const QString&)> opener) { m_openFolder = std::move(opener); }

signals:
    void Progress(quint64 done, quint64 total);
    void FileStarted(int index);
    void FileEnded(int index);
    void Finished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QFormLayout* MakeFileRows(const QString& first);
    void AddBatchList(QVBoxLayout* layout);
    QHBoxLayout* MakeButtons();
    void ShowProgress(quint64 done, quint64 total);
    void ShowFileStarted(int index);
    void ShowFileEnded(int index);
    void ShowResult();
    void ShowResults();
    bool IsBatch() const { return m_urls.size() > 1; }
    void ShowEnd(const QString& status);
    void KeepRowsWhole();
    void OnOpenFolder();

    std::vector<std::string> m_urls;
    std::vector<TransferResult> m_results; // one per URL, sized before the worker starts
    std::string m_folder;
    std::string m_folderProblem;
    bool m_closeWhenDone;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    TransferResult m_result; // the last file's, or the last whole one's in a batch
    QElapsedTimer m_clock;
    quint64 m_startBytes = 0;
    bool m_started = false;
    bool m_finished = false;
    std::function<bool(const QString&)> m_openFolder;
    QLabel* m_name = nullptr;
    QLabel* m_folderLabel = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_speed = nullptr;
    QLabel* m_timeLeft = nullptr;
    QLabel* m_status = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_openFolderButton = nullptr;
    QPushButton* m_button = nullptr;
    QListWidget* m_files = nullptr;    // a batch only
    QProgressBar* m_overall = nullptr; // a batch only
};

// "1.5 MB", "820 KB", "312 bytes".
QString FormatBytes(quint64 bytes);
// "1.5 MB of 3.2 MB", or what has arrived alone when the size is unknown.
QString FormatProgress(quint64 done, quint64 total);
// "45 s", "3 min 5 s", "2 h 10 min".
QString FormatDuration(quint64 seconds);

} // namespace velmora
