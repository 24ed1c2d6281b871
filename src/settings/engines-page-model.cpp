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
    fields.query =
        GetPrivateProfileStringA(*selected, keys::kEngineQuery, "", keys::kPageFieldBuffer, m_strSettingsPath);
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
    const std::string& file = m_strSettingsPath;
    if (m_state == PageState::Adding) {
        if (m_names.Contains(fields.name))
            return false;
        m_names.Add(fields.name);
        WritePrivateProfileStringA(fields.name, keys::kEngineSearch, "Y", file);
    }
    WritePrivateProfileStringA(fields.name, keys::kEngineUrl, fields.homepage, file);
    WritePrivateProfileStringA(fields.name, keys::kEngineQuery, fields.query, file);
    WritePrivateProfileStringA(fields.name, keys::kEngineType, fields.query.find("%s") != std::string::npos ? "S" : "C",
                               file);
    WritePrivateProfileStringA(fields.name, keys::kDate, MakeDateStamp(), file);
    Cancel();
    return true;
}

} // namespace velmora
