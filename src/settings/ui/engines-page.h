#pragma once

#include "settings/engines-page-model.h"

class QComboBox;
class QSpinBox;
#include "settings/ui/settings-page.h"

class QGridLayout;

namespace velmora {

// "Search Engines": add, edit and delete the engines of settings.dat.
class EnginesPage : public SettingsPage {
    Q_OBJECT
public:
    EnginesPage(std::string settingsPath, QWidget* parent);

    void OnOK(SettingsTarget& target) override;
    const EnginesPageModel& GetModel() const { return m_model; }

protected:
    void OnInitDialog() override;

    void ReadFields() override;
    void ShowFields() override;

private:
    void MoveSelected(int step);
    // The fields of how the engine answers and is asked, on `fields` from
    // `row`; returns the next free row.
    int AddSourceFields(QGridLayout* fields, QWidget* group, int row);
    void ShowSourceFields(bool editing);

    EnginesPageModel m_model;
    QListWidget* m_pList = nullptr;
    QLineEdit* m_pName = nullptr;
    QLineEdit* m_pHomepage = nullptr;
    QLineEdit* m_pQuery = nullptr;
    QComboBox* m_pFormat = nullptr;
    QLineEdit* m_pResults = nullptr;
    QLineEdit* m_pKey = nullptr;
    QLineEdit* m_pHeader = nullptr;
    QSpinBox* m_pPages = nullptr;
    QSpinBox* m_pPageSize = nullptr;
    QPushButton* m_pDone = nullptr;
    QPushButton* m_pCancel = nullptr;
};

} // namespace velmora
