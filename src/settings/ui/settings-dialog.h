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

    QTabWidget* GetTabs() const { return m_tabs; }
    void OnOK();

private:
    void OnTabChanged(int index);

    SettingsTarget& m_target;
    QTabWidget* m_tabs = nullptr;
    GeneralPage* m_general = nullptr;
    ClientsPage* m_clients = nullptr;
    EnginesPage* m_engines = nullptr;
    int m_currentTab = 0;
};

} // namespace velmora
