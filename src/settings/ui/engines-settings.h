#pragma once

#include "settings/engines-page-model.h"
#include "settings/ui/settings-page.h"

namespace velmora {

// "Search Engines": add, edit and delete the engines of settings.dat.
class CEnginesSettings : public CSettingsPage {
    Q_OBJECT
public:
    CEnginesSettings(std::string settingsPath, QWidget* parent);

    void OnOK(SettingsTarget& target) override;
    const EnginesPageModel& GetModel() const { return m_model; }

protected:
    void OnInitDialog() override;

    void ReadFields() override;
    void ShowFields() override;

private:
    void MoveSelected(int step);

    EnginesPageModel m_model;
    QListWidget* m_pList = nullptr;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pHomepage = nullptr;
    QLineEdit* m_pQuery = nullptr;
    QPushButton* m_pDone = nullptr;
    QPushButton* m_pCancel = nullptr;
};

} // namespace velmora
