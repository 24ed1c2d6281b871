#pragma once

#include <optional>
#include <string>

#include "settings/page-state.h"

namespace velmora {

// The "Search Engines" page without its widgets. The window copies what is
// typed into `fields` before each command and shows them again after it.
class EnginesPageModel : public ListPageState {
public:
    struct Fields {
        std::string name;
        std::string homepage;
        std::string query;
    };

    explicit EnginesPageModel(std::string settingsPath) : m_strSettingsPath(std::move(settingsPath)) {}

    void OnInitDialog(); // lists every engine section in file order
    void New();
    void Edit(const std::optional<std::string>& selected);
    // The selected engine's fields, to be shown (not edited) while idle.
    void Show(const std::optional<std::string>& selected);
    void Delete(const std::optional<std::string>& selected);
    void Cancel();
    // Saves the fields; false (and nothing written, and GetProblem saying
    // why) for an empty name or query, or a new name already listed in any
    // letter case. An engine saved without "%s" is not searched: GetNotice
    // says so.
    bool Done();
    // Move Up (step -1) and Move Down (+1): the engine trades places with
    // its neighbour in settings.dat, which is the order the window lists and
    // searches them in. False when it cannot move (GetProblem says why when
    // the file could not be written).
    bool Move(const std::optional<std::string>& selected, int step);

    Fields fields;

private:
    void ReadFields(const std::string& name);
    std::string m_strSettingsPath;
};

} // namespace velmora
