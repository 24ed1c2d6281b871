#pragma once

#include "settings/ui/settings-page.h"

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
    QLineEdit* m_pThreads = nullptr;
};

} // namespace velmora
