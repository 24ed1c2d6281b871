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
    QListWidget* m_list = nullptr;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_homepage = nullptr;
    QLineEdit* m_query = nullptr;
    QComboBox* m_format = nullptr;
    QLineEdit* m_results = nullptr;
    QLineEdit* m_key = nullptr;
    QLineEdit* m_header = nullptr;
    QSpinBox* m_pages = nullptr;
    QSpinBox* m_pageSize = nullptr;
    QPushButton* m_done = nullptr;
    QPushButton* m_cancel = nullptr;
};

} // namespace velmora
