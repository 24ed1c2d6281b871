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

    void OnInitDialog(); // lists every engine section, sorted
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

    Fields fields;

private:
    void ReadFields(const std::string& name);
    std::string m_strSettingsPath;
};

} // namespace velmora
