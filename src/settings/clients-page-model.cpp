#include "settings/clients-page-model.h"

#include "results/script-quoting.h"
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
    fields.quote = "lftp";
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
    const ProfileSnapshot clients(file);
    fields.script = DecodeScript(clients.GetString(*selected, keys::kClientScript, "", keys::kScriptBuffer));
    const auto style = ParseQuoteStyle(clients.GetString(*selected, keys::kClientQuote, "", 64));
    fields.quote = QuoteStyleName(style.value_or(QuoteStyle::Lftp));
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
    if (m_state == PageState::Adding && m_names.Contains(fields.name))
        return false;
    const auto style = ParseQuoteStyle(fields.quote);
    ProfileEdit edit(m_strClientsPath);
    edit.SetString(fields.name, keys::kClientPath, fields.path);
    edit.SetString(fields.name, keys::kClientArgs, fields.args);
    edit.SetString(fields.name, keys::kClientScript, EncodeScript(fields.script));
    edit.SetString(fields.name, keys::kClientQuote, QuoteStyleName(style.value_or(QuoteStyle::Lftp)));
    edit.SetString(fields.name, keys::kDate, MakeDateStamp());
    if (!edit.Commit())
        return false;
    if (m_state == PageState::Adding)
        m_names.Add(fields.name);
    Cancel();
    return true;
}

void ClientsPageModel::OnOK(const std::optional<std::string>& selected)
{
    const auto& names = m_names.Get();
    const std::string active = selected ? *selected : names.empty() ? std::string() : names.front();
    ProfileEdit edit(m_strSettingsPath);
    edit.SetString(keys::kSettingsSection, keys::kFtpClient, active);
    edit.SetString(keys::kSettingsSection, keys::kLocalDir, fields.localDir);
    edit.Commit();
}

} // namespace velmora
