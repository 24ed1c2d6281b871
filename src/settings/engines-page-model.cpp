#include "settings/engines-page-model.h"

#include "platform/ascii-case.h"
#include "search/query-words.h"
#include "settings/date-stamp.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

void EnginesPageModel::OnInitDialog()
{
    m_names.Clear();
    const std::string names = GetPrivateProfileSectionNamesA(keys::kSectionNamesBuffer, m_strSettingsPath);
    for (const std::string& name : SplitNulList(names)) {
        if (!EqualsNoCase(name, keys::kSettingsSection))
            m_names.Add(name);
    }
}

void EnginesPageModel::New()
{
    m_state = PageState::Adding;
    m_bNameEnabled = true;
    fields = {};
}

void EnginesPageModel::Edit(const std::optional<std::string>& selected)
{
    if (!selected)
        return;
    fields.name = *selected;
    fields.homepage =
        GetPrivateProfileStringA(*selected, keys::kEngineUrl, "", keys::kPageFieldBuffer, m_strSettingsPath);
    // The same limit as the search reads, so Edit and Done never cut a query.
    fields.query = GetPrivateProfileStringA(*selected, keys::kEngineQuery, "", keys::kQueryBuffer, m_strSettingsPath);
    m_state = PageState::Editing;
    m_bNameEnabled = false;
}

void EnginesPageModel::Delete(const std::optional<std::string>& selected)
{
    if (!selected)
        return;
    WritePrivateProfileSectionA(*selected, std::nullopt, m_strSettingsPath);
    m_names.Remove(*selected);
    Cancel();
}

void EnginesPageModel::Cancel()
{
    m_state = PageState::Idle;
    fields = {};
}

bool EnginesPageModel::Done()
{
    fields.name = TrimWhiteSpace(fields.name);
    fields.homepage = TrimWhiteSpace(fields.homepage);
    fields.query = TrimWhiteSpace(fields.query);
    if (fields.name.empty() || fields.query.empty() || m_state == PageState::Idle)
        return false;
    if (m_state == PageState::Adding && m_names.Contains(fields.name))
        return false;
    ProfileEdit edit(m_strSettingsPath);
    if (m_state == PageState::Adding)
        edit.SetString(fields.name, keys::kEngineSearch, "Y");
    edit.SetString(fields.name, keys::kEngineUrl, fields.homepage);
    edit.SetString(fields.name, keys::kEngineQuery, fields.query);
    edit.SetString(fields.name, keys::kEngineType, fields.query.find("%s") != std::string::npos ? "S" : "C");
    edit.SetString(fields.name, keys::kDate, MakeDateStamp());
    if (!edit.Commit())
        return false;
    if (m_state == PageState::Adding)
        m_names.Add(fields.name);
    Cancel();
    return true;
}

} // namespace velmora
