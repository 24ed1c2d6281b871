#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/process-launch.h"
#include "settings/script-quoting.h"

namespace velmora {

struct ResultEntry;

// Optional parts of a client template: a "[" and the first "]" after it,
// neither preceded by "%". File mode keeps their content, connection-only
// mode drops it; pairs do not nest.
std::string ResolveOptionalParts(std::string_view text, bool fileMode);

// Every placeholder of one command-line word replaced in one pass, left to
// right, so that nothing a value brings in is replaced again: %h server,
// %o port, %u user, %p password, %l local directory, %r directory part,
// %f file part, %[ and %] the brackets, and %s (when `scriptPath` is given)
// the script file. Line breaks inside values are dropped. The word goes to
// the client as one argument, so no quoting is needed.
std::string ReplacePlaceholders(std::string_view text, const ResultEntry& record, const std::string& localDir,
                                const std::string* scriptPath = nullptr);

// A whole script template: optional parts, then every placeholder quoted
// for the client's script language, so that no value can end a quoted word,
// end a line or start a command. Empty text and a sentence in `problem`
// when a value cannot be made safe for that language.
struct ScriptExpansion {
    std::string text;
    std::string problem;
};
ScriptExpansion ExpandTemplate(const ResultEntry& record, std::string_view text, bool fileMode,
                               const std::string& localDir, QuoteStyle style = QuoteStyle::Lftp);

// A command-line template split into words: blanks separate them, double
// and single quotes group them (and are removed).
std::vector<std::string> SplitCommandWords(std::string_view text);

// Everything a launch does, decided before anything is written or started.
// `problem` is set, and nothing is to be started, when the launch cannot go
// ahead: no client chosen, a client that clients.dat lacks, a value the
// client's script cannot carry.
struct ClientLaunch {
    std::string client;                // the client's name
    std::vector<std::string> argv;     // the client program first
    std::string workingDirectory;      // LocalDir
    std::optional<std::string> script; // written to scriptPath first when set
    std::string scriptPath;
    std::string problem;
};

// Reads the chosen client from settings.dat and clients.dat and fills its
// templates with the record.
ClientLaunch PlanClientLaunch(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                              const std::string& workingDirectory);

// A program a launch started, by the name the user knows it by ("lftp",
// "FileTransfer"), so that its end can be told.
struct StartedProgram {
    std::string name;
    RunningProgram program;
};

// What a launch came to: started, or a sentence saying why not and what to
// do about it. `programs` holds what was started, even when a later part of
// the launch failed.
struct LaunchResult {
    bool started = false;
    std::string message;
    std::vector<StartedProgram> programs;
};

// Plans, writes client.scr (readable by its owner only: it may hold a
// password) when the client takes one, and starts the client in a session of its own.
LaunchResult LaunchClient(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                          const std::string& workingDirectory);

} // namespace velmora
