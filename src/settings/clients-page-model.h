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
        : m_settingsPath(std::move(settingsPath)), m_clientsPath(std::move(clientsPath))
    {
    }

    void OnInitDialog(); // lists the clients, reads LocalDir
    void New();
    void Edit(const std::optional<std::string>& selected);
    // The selected client's fields, to be shown (not edited) while idle.
    void Show(const std::optional<std::string>& selected);
    // The client Get File uses now (FTPClient), as settings.dat holds it.
    std::string GetActiveClient() const;
    // The client Get File will use after OK: the active one until the user
    // picks another with "Use for Get File"; looking at a client changes
    // nothing. Empty while none is used.
    const std::string& GetChosenClient() const { return m_chosen; }
    void UseForGetFile(const std::optional<std::string>& selected);
    // Does nothing while fewer than two clients are listed.
    void Delete(const std::optional<std::string>& selected);
    void Cancel();
    bool Done();
    // The sheet's OK: the chosen client becomes the active one (the first
    // listed when none was ever chosen, so Get File has one); LocalDir is
    // written as typed.
    void OnOK();

    Fields fields;

private:
    void ClearClientFields();
    void ReadClientFields(const std::string& name);

    std::string m_settingsPath;
    std::string m_clientsPath;
    std::string m_chosen;
};

} // namespace velmora
