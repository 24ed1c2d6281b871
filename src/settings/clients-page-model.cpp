#include "settings/clients-page-model.h"

#include "search/query-words.h"
#include "settings/date-stamp.h"
#include "settings/profile-store.h"
#include "settings/script-encoding.h"
#include "settings/settings-keys.h"

namespace velmora {

void ClientsPageModel::OnInitDialog()
{
    m_names.Clear();
    for (const std::string& name :
         SplitNulList(GetPrivateProfileSectionNamesA(keys::kSectionNamesBuffer, m_strClientsPath)))
        m_names.Add(name);
    fields.localDir = GetPrivateProfileStringA(keys::kSettingsSection, keys::kLocalDir, keys::kLocalDirDefault,
                                               keys::kPageFieldBuffer, m_strSettingsPath);
}

void ClientsPageModel::ClearClientFields()
{
    fields.name.clear();
    fields.path.clear();
    fields.args.clear();
    fields.script.clear();
}

void ClientsPageModel::New()
{
    m_state = PageState::Adding;
    ClearClientFields();
    m_bNameEnabled = true;
}

void ClientsPageModel::Edit(const std::optional<std::string>& selected)
{
    if (!selected)
        return;
    const std::string& file = m_strClientsPath;
    fields.name = *selected;
    fields.path = GetPrivateProfileStringA(*selected, keys::kClientPath, "", keys::kPageFieldBuffer, file);
    fields.args = GetPrivateProfileStringA(*selected, keys::kClientArgs, "", keys::kPageFieldBuffer, file);
    fields.script =
        DecodeScript(GetPrivateProfileStringA(*selected, keys::kClientScript, "", keys::kScriptBuffer, file));
    m_state = PageState::Editing;
    m_bNameEnabled = false;
}

void ClientsPageModel::Delete(const std::optional<std::string>& selected)
{
    if (m_names.Get().size() < 2 || !selected)
        return;
    WritePrivateProfileSectionA(*selected, std::nullopt, m_strClientsPath);
    m_names.Remove(*selected);
    Cancel();
}

void ClientsPageModel::Cancel()
{
    m_state = PageState::Idle;
    ClearClientFields();
}

bool ClientsPageModel::Done()
{
    fields.name = TrimWhiteSpace(fields.name);
    fields.path = TrimWhiteSpace(fields.path);
    fields.args = TrimWhiteSpace(fields.args);
    fields.script = TrimWhiteSpace(fields.script);
    if (fields.name.empty() || fields.path.empty() || m_state == PageState::Idle)
        return false;
    if (m_state == PageState::Adding) {
        if (m_names.Contains(fields.name))
            return false;
        m_names.Add(fields.name);
    }
    const std::string& file = m_strClientsPath;
    WritePrivateProfileStringA(fields.name, keys::kClientPath, fields.path, file);
    WritePrivateProfileStringA(fields.name, keys::kClientArgs, fields.args, file);
    WritePrivateProfileStringA(fields.name, keys::kClientScript, EncodeScript(fields.script), file);
    WritePrivateProfileStringA(fields.name, keys::kDate, MakeDateStamp(), file);
    Cancel();
    return true;
}

void ClientsPageModel::OnOK(const std::optional<std::string>& selected)
{
    const auto& names = m_names.Get();
    const std::string active = selected ? *selected : names.empty() ? std::string() : names.front();
    WritePrivateProfileStringA(keys::kSettingsSection, keys::kFtpClient, active, m_strSettingsPath);
    WritePrivateProfileStringA(keys::kSettingsSection, keys::kLocalDir, fields.localDir, m_strSettingsPath);
}

} // namespace velmora
