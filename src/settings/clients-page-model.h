#pragma once

#include <optional>
#include <string>

#include "settings/page-state.h"

namespace velmora {

// The "FTP Clients" page without its widgets. The window copies what is
// typed into `fields` before each command and shows them again after it.
class ClientsPageModel : public ListPageState {
public:
    struct Fields {
        std::string localDir;
        std::string name;
        std::string path;
        std::string args;
        std::string script;         // line breaks as typed
        std::string quote = "lftp"; // how the script language quotes
    };

    ClientsPageModel(std::string settingsPath, std::string clientsPath)
        : m_strSettingsPath(std::move(settingsPath)), m_strClientsPath(std::move(clientsPath))
    {
    }

    void OnInitDialog(); // lists the clients, reads LocalDir
    void New();
    void Edit(const std::optional<std::string>& selected);
    // The selected client's fields, to be shown (not edited) while idle.
    void Show(const std::optional<std::string>& selected);
    // The client Get File uses now (FTPClient), as settings.dat holds it.
    std::string GetActiveClient() const;
    // Does nothing while fewer than two clients are listed.
    void Delete(const std::optional<std::string>& selected);
    void Cancel();
    bool Done();
    // The sheet's OK: the selected client (the first when none is) becomes
    // the active one; LocalDir is written as typed.
    void OnOK(const std::optional<std::string>& selected);

    Fields fields;

private:
    void ClearClientFields();
    void ReadClientFields(const std::string& name);

    std::string m_strSettingsPath;
    std::string m_strClientsPath;
};

} // namespace velmora
