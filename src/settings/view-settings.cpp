#include "settings/view-settings.h"

#include <algorithm>

#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

void ViewSettings::Load()
{
    using namespace keys;
    const ProfileSnapshot file(m_settingsPath);
    m_filterResults = file.GetInt(kSettingsSection, kFilter, kFilterDefault) == 1;
    m_viewStyle = file.GetInt(kSettingsSection, kViewStyle, kViewStyleDefault);
    m_autoTest = file.GetInt(kSettingsSection, kAutoTest, kAutoTestDefault) == 1;
    m_serverDetails = file.GetInt(kSettingsSection, kServerDetails, kServerDetailsDefault) == 1;
    m_saveSearches = file.GetInt(kSettingsSection, kSaveSearches, kSaveSearchesDefault) == 1;
    m_onlyNewResults = file.GetInt(kSettingsSection, kOnlyNewResults, kOnlyNewResultsDefault) == 1;
    // At least the run just made; a hand-edited huge number keeps them all.
    m_searchRunsKept = std::max(1, file.GetInt(kSettingsSection, kSearchRunsKept, kSearchRunsKeptDefault));
}

void ViewSettings::SetViewStyle(int style)
{
    m_viewStyle = style;
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kViewStyle, std::to_string(style));
}

void ViewSettings::FlipFilterResults()
{
    m_filterResults = !m_filterResults;
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kFilter, m_filterResults ? "1" : "0");
}

void ViewSettings::SetAutoTest(bool on)
{
    m_autoTest = on;
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kAutoTest, on ? "1" : "0");
}

void ViewSettings::SetServerDetailsShown(bool shown)
{
    m_serverDetails = shown;
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kServerDetails, shown ? "1" : "0");
}

void ViewSettings::SetSaveSearches(bool on)
{
    m_saveSearches = on;
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kSaveSearches, on ? "1" : "0");
}

void ViewSettings::SetOnlyNewResults(bool on)
{
    m_onlyNewResults = on;
    ProfileEdit::WriteString(m_settingsPath, keys::kSettingsSection, keys::kOnlyNewResults, on ? "1" : "0");
}

} // namespace velmora
