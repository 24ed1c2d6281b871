#pragma once

#include "settings/clients-page-model.h"
#include "settings/ui/settings-page.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;

namespace velmora {

// "FTP Clients": the clients of clients.dat, the active client and the
// local directory.
class ClientsPage : public SettingsPage {
    Q_OBJECT
public:
    ClientsPage(std::string settingsPath, std::string clientsPath, QWidget* parent);

    void OnOK(SettingsTarget& target) override;

protected:
    void OnInitDialog() override;
    void ShowActiveClient();
    void OnBrowseLocalDir();

    void ReadFields() override;
    void ShowFields() override;

private:
    QGroupBox* MakeClientInfo();
    void MakeScriptFields(QGroupBox* group);

    ClientsPageModel m_model;
    QLineEdit* m_localDir = nullptr;
    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_path = nullptr;
    QLineEdit* m_args = nullptr;
    QPlainTextEdit* m_script = nullptr;
    QComboBox* m_quote = nullptr;
    QLabel* m_active = nullptr;
    QPushButton* m_done = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace velmora
