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

    QListWidget* GetList() const { return m_pList; }
    QString GetInfoText() const;
    bool IsAnswered() const { return m_bAnswered; }
    void OnOK();

private:
    void OnUpdateReady(bool written, long httpStatus);
    void OnLocationDblClk(QListWidgetItem* item);
    // Starts the download program on a location; false, after telling why, when it could not start.
    bool StartLocationDownload(QListWidgetItem* item);
    void AddChoice(const std::string& name, bool ticked);
    void OfferCloseOnly();
    std::vector<std::string> SelectedNames() const;

    int m_nMode;
    SettingsTarget& m_target;
    std::string m_strAnswerPath;
    std::shared_ptr<MessageQueue> m_pQueue;
    QueueNotifier* m_pNotifier = nullptr;
    QListWidget* m_pList = nullptr;
    QLabel* m_pInfo = nullptr;
    QPushButton* m_pOk = nullptr;
    QPushButton* m_pCancel = nullptr;
    bool m_bAnswered = false;
    std::vector<std::string> m_urls; // mode 1: the address at each list position
};

} // namespace velmora
