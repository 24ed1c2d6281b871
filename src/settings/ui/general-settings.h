#pragma once

#include "settings/ui/settings-page.h"

class QSpinBox;

namespace velmora {

// "General": the thread limit, 1 to 20.
class CGeneralSettings : public CSettingsPage {
    Q_OBJECT
public:
    CGeneralSettings(std::string settingsPath, QWidget* parent);

    bool Validate() override;
    void OnOK(SettingsTarget& target) override;

protected:
    void OnInitDialog() override;

private:
    std::string m_strSettingsPath;
    QSpinBox* m_pThreads = nullptr;
};

} // namespace velmora
