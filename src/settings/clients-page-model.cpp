#include "settings/clients-page-model.h"

#include "platform/plain-text.h"
#include "settings/date-stamp.h"
#include "settings/profile-store.h"
#include "settings/script-encoding.h"
#include "settings/script-quoting.h"
#include "settings/settings-keys.h"

namespace velmora {

void ClientsPageModel::OnInitDialog()
{
    m_names.Clear();
    for (const std::string& name :
         SplitNulList(ProfileSnapshot(m_clientsPath).GetSectionNames(keys::kSectionNamesBuffer)))
        m_names.Add(name);
    fields.localDir =
        ProfileSnapshot(m_settingsPath)
            .GetString(keys::kSettingsSection, keys::kLocalDir, keys::kLocalDirDefault, keys::kPageFieldBuffer);
    const std::string active = GetActiveClient();
    m_chosen = m_names.Contains(active) ? active : std::string();
}

void ClientsPageModel::UseForGetFile(const std::optional<std::string>& selected)
{
    if (selected && m_names.Contains(*selected))
        m_chosen = *selected;
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
    m_nameEnabled = true;
}

void ClientsPageModel::ReadClientFields(const std::string& name)
{
    const ProfileSnapshot clients(m_clientsPath);
    fields.name = name;
    fields.path = clients.GetString(name, keys::kClientPath, "", keys::kPageFieldBuffer);
    fields.args = clients.GetString(name, keys::kClientArgs, "", keys::kPageFieldBuffer);
    fields.script = DecodeScript(clients.GetString(name, keys::kClientScript, "", keys::kScriptBuffer));
    const auto style = ParseQuoteStyle(clients.GetString(name, keys::kClientQuote, "", 64));
    fields.quote = QuoteStyleName(style.value_or(QuoteStyle::Lftp));
}

void ClientsPageModel::Edit(const std::optional<std::string>& selected)
{
    if (!selected)
        return;
    ReadClientFields(*selected);
    m_state = PageState::Editing;
    m_nameEnabled = false;
}

void ClientsPageModel::Show(const std::optional<std::string>& selected)
{
    if (m_state != PageState::Idle)
        return;
    if (selected)
        ReadClientFields(*selected);
    else
        ClearClientFields();
}

std::string ClientsPageModel::GetActiveClient() const
{
    return ProfileSnapshot(m_settingsPath)
        .GetString(keys::kSettingsSection, keys::kFtpClient, keys::kFtpClientDefault, keys::kPageFieldBuffer);
}

void ClientsPageModel::Delete(const std::optional<std::string>& selected)
{
    if (m_names.Get().size() < 2 || !selected)
        return;
    ProfileEdit::WriteSection(m_clientsPath, *selected, std::nullopt);
    m_names.Remove(*selected);
    if (*selected == m_chosen)
        m_chosen.clear();
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
    m_problem.clear();
    if (m_state == PageState::Idle)
        return false;
    if (fields.name.empty())
        return Refuse("The client needs a name.");
    if (fields.path.empty())
        return Refuse("The client needs a program to start (Path).");
    if (m_state == PageState::Adding && m_names.Contains(fields.name))
        return Refuse("A client named \"" + fields.name + "\" is listed already: choose another name.");
    const auto style = ParseQuoteStyle(fields.quote);
    ProfileEdit edit(m_clientsPath);
    edit.SetString(fields.name, keys::kClientPath, fields.path);
    edit.SetString(fields.name, keys::kClientArgs, fields.args);
    edit.SetString(fields.name, keys::kClientScript, EncodeScript(fields.script));
    edit.SetString(fields.name, keys::kClientQuote, QuoteStyleName(style.value_or(QuoteStyle::Lftp)));
    edit.SetString(fields.name, keys::kDate, MakeDateStamp());
    if (!edit.Commit())
        return Refuse("The client could not be saved: clients.dat cannot be written.");
    if (m_state == PageState::Adding)
        m_names.Add(fields.name);
    m_saved = fields.name;
    Cancel();
    return true;
}

void ClientsPageModel::OnOK()
{
    const auto& names = m_names.Get();
    const std::string active = !m_chosen.empty() ? m_chosen : names.empty() ? std::string() : names.front();
    ProfileEdit edit(m_settingsPath);
    edit.SetString(keys::kSettingsSection, keys::kFtpClient, active);
    edit.SetString(keys::kSettingsSection, keys::kLocalDir, fields.localDir);
    edit.Commit();
}

} // namespace velmora
