#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace velmora {

class MessageQueue;
class QueueNotifier;
class SettingsTarget;

// "Velmora Upgrade Utility": asks the update service as it opens, then
// offers a newer version's download locations (mode 1), engines (2) or
// clients (3) to tick; OK merges what is ticked and says what it added or
// replaced. When nothing is left to do it offers Close alone.
class UpgradeDialog : public QDialog {
    Q_OBJECT
public:
    UpgradeDialog(int mode, SettingsTarget& target, QWidget* parent);

    QListWidget* GetList() const { return m_list; }
    QString GetInfoText() const;
    bool IsAnswered() const { return m_answered; }
    void OnOK();

private:
    void OnUpdateReady(bool written, long httpStatus);
    void OnLocationDblClk(QListWidgetItem* item);
    // Starts the download program on a location; false, after telling why, when it could not start.
    bool StartLocationDownload(QListWidgetItem* item);
    void AddChoice(const std::string& name, bool ticked);
    void OfferCloseOnly();
    std::vector<std::string> SelectedNames() const;

    int m_mode;
    SettingsTarget& m_target;
    std::string m_answerPath;
    std::shared_ptr<MessageQueue> m_queue;
    QueueNotifier* m_notifier = nullptr;
    QListWidget* m_list = nullptr;
    QLabel* m_info = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_answered = false;
    std::vector<std::string> m_urls; // mode 1: the address at each list position
};

} // namespace velmora
