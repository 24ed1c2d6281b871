#include "settings/engines-page-model.h"

#include <algorithm>

#include "platform/ascii-case.h"
#include "platform/plain-text.h"
#include "settings/date-stamp.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

void EnginesPageModel::OnInitDialog()
{
    m_names.Clear();
    const std::string names = ProfileSnapshot(m_settingsPath).GetSectionNames(keys::kSectionNamesBuffer);
    for (const std::string& name : SplitNulList(names)) {
        if (!EqualsNoCase(name, keys::kSettingsSection))
            m_names.Append(name); // the order the window lists and searches them in
    }
}

void EnginesPageModel::New()
{
    m_state = PageState::Adding;
    m_nameEnabled = true;
    fields = {};
}

void EnginesPageModel::ReadFields(const std::string& name)
{
    const ProfileSnapshot settings(m_settingsPath);
    fields.name = name;
    fields.homepage = settings.GetString(name, keys::kEngineUrl, "", keys::kPageFieldBuffer);
    // The same limit as the search reads, so Edit and Done never cut a query.
    fields.query = settings.GetString(name, keys::kEngineQuery, "", keys::kQueryBuffer);
    fields.json = EqualsNoCase(settings.GetString(name, keys::kEngineFormat, "", keys::kPageFieldBuffer), "json");
    fields.results = settings.GetString(name, keys::kEngineResults, "", keys::kPageFieldBuffer);
    fields.key = settings.FindValue(name, keys::kEngineKey).value_or("");
    fields.header = settings.FindValue(name, keys::kEngineHeader).value_or("");
    fields.pages = std::clamp(settings.GetInt(name, keys::kEnginePages, 1), 1, keys::kMostEnginePages);
    fields.pageSize =
        std::clamp(settings.GetInt(name, keys::kEnginePageSize, keys::kDefaultPageSize), 1, keys::kMostPageSize);
}

// Keys at their defaults are removed, so a plain engine's section stays as
// it always was.
void EnginesPageModel::WriteSourceFields(ProfileEdit& edit) const
{
    const auto write = [&](const char* key, const std::string& value, bool isDefault) {
        if (isDefault)
            edit.RemoveKey(fields.name, key);
        else
            edit.SetString(fields.name, key, value);
    };
    write(keys::kEngineFormat, "json", !fields.json);
    write(keys::kEngineResults, fields.results, fields.results.empty());
    write(keys::kEngineKey, fields.key, fields.key.empty());
    write(keys::kEngineHeader, fields.header, fields.header.empty());
    write(keys::kEnginePages, std::to_string(fields.pages), fields.pages == 1);
    write(keys::kEnginePageSize, std::to_string(fields.pageSize), fields.pageSize == keys::kDefaultPageSize);
}

void EnginesPageModel::Edit(const std::optional<std::string>& selected)
{
    if (!selected)
        return;
    ReadFields(*selected);
    m_state = PageState::Editing;
    m_nameEnabled = false;
}

void EnginesPageModel::Show(const std::optional<std::string>& selected)
{
    if (m_state != PageState::Idle)
        return;
    if (selected)
        ReadFields(*selected);
    else
        fields = {};
}

void EnginesPageModel::Delete(const std::optional<std::string>& selected)
{
    if (!selected)
        return;
    ProfileEdit::WriteSection(m_settingsPath, *selected, std::nullopt);
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
    fields.results = TrimWhiteSpace(fields.results);
    fields.key = TrimWhiteSpace(fields.key);
    fields.header = TrimWhiteSpace(fields.header);
    fields.pages = std::clamp(fields.pages, 1, keys::kMostEnginePages);
    fields.pageSize = std::clamp(fields.pageSize, 1, keys::kMostPageSize);
    m_problem.clear();
    m_notice.clear();
    if (m_state == PageState::Idle)
        return false;
    if (fields.name.empty())
        return Refuse("The engine needs a name.");
    if (fields.query.empty())
        return Refuse("The engine needs a query URL, with %s where the search words go.");
    if (m_state == PageState::Adding && m_names.Contains(fields.name))
        return Refuse("An engine named \"" + fields.name + "\" is listed already: choose another name.");
    const std::size_t colon = fields.header.find(':');
    if (!fields.header.empty() &&
        (colon == 0 || colon == std::string::npos || fields.header.find_first_of(" \t") < colon))
        return Refuse("The header must read \"Name: value\", such as \"X-Subscription-Token: %k\".");
    const bool searchable = fields.query.find("%s") != std::string::npos;
    const bool usesKey = fields.query.find("%k") != std::string::npos || fields.header.find("%k") != std::string::npos;
    ProfileEdit edit(m_settingsPath);
    if (m_state == PageState::Adding)
        edit.SetString(fields.name, keys::kEngineSearch, "Y");
    edit.SetString(fields.name, keys::kEngineUrl, fields.homepage);
    edit.SetString(fields.name, keys::kEngineQuery, fields.query);
    edit.SetString(fields.name, keys::kEngineType, searchable ? "S" : "C");
    edit.SetString(fields.name, keys::kDate, MakeDateStamp());
    WriteSourceFields(edit);
    if (!edit.Commit())
        return Refuse("The engine could not be saved: settings.dat cannot be written.");
    if (!searchable)
        m_notice =
            "The query of \"" + fields.name + "\" holds no %s: the engine is kept, but it is not listed or searched.";
    else if (usesKey && fields.key.empty())
        m_notice = "\"" + fields.name + "\" asks with an API key (%k) but has none: fill in the key to search it.";
    if (m_state == PageState::Adding)
        m_names.Append(fields.name); // written at the end of the file
    m_saved = fields.name;
    Cancel();
    return true;
}

bool EnginesPageModel::Move(const std::optional<std::string>& selected, int step)
{
    m_problem.clear();
    if (!selected || m_state != PageState::Idle)
        return false;
    const auto& names = m_names.Get();
    const auto found = std::find(names.begin(), names.end(), *selected);
    if (found == names.end())
        return false;
    const auto at = static_cast<std::size_t>(found - names.begin());
    const std::size_t to = step < 0 ? at - 1 : at + 1;
    if ((step < 0 && at == 0) || to >= names.size())
        return false;
    ProfileEdit edit(m_settingsPath);
    if (!edit.SwapSections(names[at], names[to]) || !edit.Commit())
        return Refuse("The engines could not be reordered: settings.dat cannot be written.");
    m_names.Swap(at, to);
    return true;
}

} // namespace velmora
