#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct ResultEntry;

// Optional parts of a client template: a "[" and the first "]" after it,
// neither preceded by "%". File mode keeps their content, connection-only
// mode drops it; pairs do not nest.
std::string ResolveOptionalParts(std::string_view text, bool fileMode);

// Every placeholder replaced in one pass, left to right, so that nothing a
// value brings in is replaced again: %h server, %o port, %u user,
// %p password, %l local directory, %r directory part, %f file part, %[ and
// %] the brackets, and %s (when `scriptPath` is given) the script file.
// Line breaks inside values are dropped: they would split a script line.
std::string ReplacePlaceholders(std::string_view text, const ResultEntry& record, const std::string& localDir,
                                const std::string* scriptPath = nullptr);

// A whole template (a script): optional parts, then placeholders.
std::string ExpandTemplate(const ResultEntry& record, std::string_view text, bool fileMode,
                           const std::string& localDir);

// A command-line template split into words: blanks separate them, double
// and single quotes group them (and are removed).
std::vector<std::string> SplitCommandWords(std::string_view text);

// Everything a launch does, decided before anything is written or started.
struct ClientLaunch {
    std::vector<std::string> argv;     // the client program first
    std::string workingDirectory;      // LocalDir
    std::optional<std::string> script; // written to scriptPath first when set
    std::string scriptPath;
};

// Reads the chosen client from settings.dat and clients.dat and fills its
// templates with the record. Empty when no client is chosen.
std::optional<ClientLaunch> PlanClientLaunch(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                                             const std::string& workingDirectory);

// Plans, writes client.scr when the client takes one, and starts the client
// detached. True when the client started; a script that cannot be written
// starts nothing.
bool LaunchClient(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                  const std::string& workingDirectory);

} // namespace velmora
