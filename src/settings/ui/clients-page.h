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

    ClientsPageModel m_model;
    QLineEdit* m_pLocalDir = nullptr;
    QListWidget* m_pList = nullptr;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pPath = nullptr;
    QLineEdit* m_pArgs = nullptr;
    QPlainTextEdit* m_pScript = nullptr;
    QComboBox* m_pQuote = nullptr;
    QLabel* m_pActive = nullptr;
    QPushButton* m_pDone = nullptr;
    QPushButton* m_pCancel = nullptr;
};

} // namespace velmora
