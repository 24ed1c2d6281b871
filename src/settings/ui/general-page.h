#pragma once

#include "settings/ui/settings-page.h"

class QCheckBox;
class QSpinBox;

namespace velmora {

// "General": the thread limit, 1 to 20, and whether searches are kept.
class GeneralPage : public SettingsPage {
    Q_OBJECT
public:
    GeneralPage(std::string settingsPath, QWidget* parent);

    bool Validate() override;
    void OnOK(SettingsTarget& target) override;

protected:
    void OnInitDialog() override;

private:
    std::string m_settingsPath;
    QSpinBox* m_threads = nullptr;
    QCheckBox* m_saveSearches = nullptr;
};

} // namespace velmora
