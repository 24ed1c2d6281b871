#include "settings/view-settings.h"

#include <algorithm>

#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

void ViewSettings::Load()
{
    using namespace keys;
    const ProfileSnapshot file(m_strSettingsPath);
    m_bFilterResults = file.GetInt(kSettingsSection, kFilter, kFilterDefault) == 1;
    m_nViewStyle = file.GetInt(kSettingsSection, kViewStyle, kViewStyleDefault);
    m_bAutoTest = file.GetInt(kSettingsSection, kAutoTest, kAutoTestDefault) == 1;
    m_bServerDetails = file.GetInt(kSettingsSection, kServerDetails, kServerDetailsDefault) == 1;
    m_bSaveSearches = file.GetInt(kSettingsSection, kSaveSearches, kSaveSearchesDefault) == 1;
    m_bOnlyNewResults = file.GetInt(kSettingsSection, kOnlyNewResults, kOnlyNewResultsDefault) == 1;
    // At least the run just made; a hand-edited huge number keeps them all.
    m_nSearchRunsKept = std::max(1, file.GetInt(kSettingsSection, kSearchRunsKept, kSearchRunsKeptDefault));
}

void ViewSettings::SetViewStyle(int style)
{
    m_nViewStyle = style;
    ProfileEdit::WriteString(m_strSettingsPath, keys::kSettingsSection, keys::kViewStyle, std::to_string(style));
}

void ViewSettings::FlipFilterResults()
{
    m_bFilterResults = !m_bFilterResults;
    ProfileEdit::WriteString(m_strSettingsPath, keys::kSettingsSection, keys::kFilter, m_bFilterResults ? "1" : "0");
}

void ViewSettings::SetAutoTest(bool on)
{
    m_bAutoTest = on;
    ProfileEdit::WriteString(m_strSettingsPath, keys::kSettingsSection, keys::kAutoTest, on ? "1" : "0");
}

void ViewSettings::SetServerDetailsShown(bool shown)
{
    m_bServerDetails = shown;
    ProfileEdit::WriteString(m_strSettingsPath, keys::kSettingsSection, keys::kServerDetails, shown ? "1" : "0");
}

void ViewSettings::SetSaveSearches(bool on)
{
    m_bSaveSearches = on;
    ProfileEdit::WriteString(m_strSettingsPath, keys::kSettingsSection, keys::kSaveSearches, on ? "1" : "0");
}

void ViewSettings::SetOnlyNewResults(bool on)
{
    m_bOnlyNewResults = on;
    ProfileEdit::WriteString(m_strSettingsPath, keys::kSettingsSection, keys::kOnlyNewResults, on ? "1" : "0");
}

} // namespace velmora
