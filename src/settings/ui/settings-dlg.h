#pragma once

#include <QDialog>

class QTabWidget;

namespace velmora {

class CEnginesSettings;
class CFTPClientSettings;
class CGeneralSettings;
class CSettingsPage;
class SettingsTarget;

// "Settings": the General, FTP Clients and Search Engines pages. OK gives
// each page that was shown its say; Cancel undoes nothing a page already
// wrote.
class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // `page` is the tab shown first: 0 General, 1 FTP Clients, 2 Search
    // Engines.
    CSettingsDlg(SettingsTarget& target, QWidget* parent, int page = 0);

    QTabWidget* GetTabs() const { return m_pTabs; }
    void OnOK();

private:
    void OnTabChanged(int index);

    SettingsTarget& m_target;
    QTabWidget* m_pTabs = nullptr;
    CGeneralSettings* m_pGeneral = nullptr;
    CFTPClientSettings* m_pClients = nullptr;
    CEnginesSettings* m_pEngines = nullptr;
    int m_nCurrentTab = 0;
};

} // namespace velmora
