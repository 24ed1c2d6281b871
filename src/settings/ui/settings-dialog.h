#pragma once

#include <QDialog>

class QTabWidget;

namespace velmora {

class EnginesPage;
class ClientsPage;
class GeneralPage;
class SettingsPage;
class SettingsTarget;

// "Settings": the General, FTP Clients and Search Engines pages. OK gives
// each page that was shown its say; Cancel undoes nothing a page already
// wrote.
class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // `page` is the tab shown first: 0 General, 1 FTP Clients, 2 Search
    // Engines.
    SettingsDialog(SettingsTarget& target, QWidget* parent, int page = 0);

    QTabWidget* GetTabs() const { return m_pTabs; }
    void OnOK();

private:
    void OnTabChanged(int index);

    SettingsTarget& m_target;
    QTabWidget* m_pTabs = nullptr;
    GeneralPage* m_pGeneral = nullptr;
    ClientsPage* m_pClients = nullptr;
    EnginesPage* m_pEngines = nullptr;
    int m_nCurrentTab = 0;
};

} // namespace velmora
