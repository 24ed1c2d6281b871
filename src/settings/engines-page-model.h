#pragma once

#include <optional>
#include <string>

#include "settings/page-state.h"

namespace velmora {

class ProfileEdit;

// The "Search Engines" page without its widgets. The window copies what is
// typed into `fields` before each command and shows them again after it.
class EnginesPageModel : public ListPageState {
public:
    struct Fields {
        std::string name;
        std::string homepage;
        std::string query;
        // How it answers and how it is asked; written only when not what
        // an engine without them does.
        bool json = false;
        std::string results; // where a JSON answer keeps its URLs; empty: the default
        std::string key;     // the API key: shown hidden, never in a message
        std::string header;  // "Name: value"
        int pages = 1;
        int pageSize = 10;
    };

    explicit EnginesPageModel(std::string settingsPath) : m_settingsPath(std::move(settingsPath)) {}

    void OnInitDialog(); // lists every engine section in file order
    void New();
    void Edit(const std::optional<std::string>& selected);
    // The selected engine's fields, to be shown (not edited) while idle.
    void Show(const std::optional<std::string>& selected);
    void Delete(const std::optional<std::string>& selected);
    void Cancel();
    // Saves the fields; false (and nothing written, and GetProblem saying
    // why) for an empty name or query, a new name already listed in any
    // letter case, or a header that is not "Name: value". An engine saved
    // without "%s" is not searched, and one whose query or header uses %k
    // without a key is not asked: GetNotice says so.
    bool Done();
    // Move Up (step -1) and Move Down (+1): the engine trades places with
    // its neighbour in settings.dat, which is the order the window lists and
    // searches them in. False when it cannot move (GetProblem says why when
    // the file could not be written).
    bool Move(const std::optional<std::string>& selected, int step);

    Fields fields;

private:
    void ReadFields(const std::string& name);
    void WriteSourceFields(ProfileEdit& edit) const;
    std::string m_settingsPath;
};

} // namespace velmora
