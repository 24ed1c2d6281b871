#include "results/client-launch.h"

#include "platform/atomic-file.h"
#include "platform/paths.h"
#include "platform/plain-text.h"
#include "platform/process-launch.h"
#include "results/result-entry.h"
#include "results/result-view.h"
#include "settings/local-directory.h"
#include "settings/profile-file.h"
#include "settings/profile-store.h"
#include "settings/script-encoding.h"
#include "settings/settings-keys.h"

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The first usable pair from the start: a "[" not after "%" whose first
// following "]" is not after "%".
bool FindOptionalPart(const std::string& text, std::size_t& open, std::size_t& close)
{
    for (open = text.find('['); open != npos; open = text.find('[', open + 1)) {
        if (open > 0 && text[open - 1] == '%')
            continue;
        close = text.find(']', open + 1);
        if (close != npos && text[close - 1] != '%')
            return true;
    }
    return false;
}

} // namespace

std::string ResolveOptionalParts(std::string_view text, bool fileMode)
{
    std::string result(text);
    std::size_t open = 0;
    std::size_t close = 0;
    while (FindOptionalPart(result, open, close)) {
        if (fileMode) {
            result.erase(close, 1);
            result.erase(open, 1);
        } else {
            result.erase(open, close - open + 1);
        }
    }
    return result;
}

namespace {

// The value a placeholder letter stands for; nullopt when the letter names
// no placeholder here.
std::optional<std::string> PlaceholderValue(char letter, const ResultEntry& record, const std::string& localDir,
                                            const std::string* scriptPath)
{
    switch (letter) {
    case 'h':
        return record.server;
    case 'o':
        return std::to_string(record.port);
    case 'u':
        return record.user;
    case 'p':
        return record.password;
    case 'l':
        return localDir;
    case 'r':
        return GetDirPart(record.path);
    case 'f':
        return GetFilePart(record.path);
    case 's':
        if (scriptPath)
            return *scriptPath;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

const char* PlaceholderName(char letter)
{
    switch (letter) {
    case 'h':
        return "server name";
    case 'u':
        return "user name";
    case 'p':
        return "password";
    case 'l':
        return "local directory";
    case 'r':
    case 'f':
        return "file path";
    default:
        return "value";
    }
}

} // namespace

std::string ReplacePlaceholders(std::string_view text, const ResultEntry& record, const std::string& localDir,
                                const std::string* scriptPath)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '%' && (next == '[' || next == ']')) {
            result += next;
            ++i;
        } else if (const auto value =
                       text[i] == '%' ? PlaceholderValue(next, record, localDir, scriptPath) : std::nullopt) {
            result += RemoveLineBreaks(*value);
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

ScriptExpansion ExpandTemplate(const ResultEntry& record, std::string_view text, bool fileMode,
                               const std::string& localDir, QuoteStyle style)
{
    const std::string resolved = ResolveOptionalParts(text, fileMode);
    ScriptQuoter quoter(style);
    for (std::size_t i = 0; i < resolved.size(); ++i) {
        const char next = i + 1 < resolved.size() ? resolved[i + 1] : '\0';
        if (resolved[i] == '%' && (next == '[' || next == ']')) {
            quoter.AddTemplate(next);
            ++i;
        } else if (const auto value =
                       resolved[i] == '%' ? PlaceholderValue(next, record, localDir, nullptr) : std::nullopt) {
            if (!quoter.AddValue(RemoveLineBreaks(*value)))
                return {{},
                        std::string("The ") + PlaceholderName(next) +
                            " holds characters that the client's script "
                            "cannot carry safely (its Quote setting is \"" +
                            QuoteStyleName(style) + "\")."};
            ++i;
        } else {
            quoter.AddTemplate(resolved[i]);
        }
    }
    return {quoter.Text(), {}};
}

std::vector<std::string> SplitCommandWords(std::string_view text)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    char quote = 0;
    for (char c : text) {
        if (quote != 0) {
            if (c == quote)
                quote = 0;
            else
                word += c;
        } else if (c == '"' || c == '\'') {
            quote = c;
            inWord = true;
        } else if (c == ' ' || c == '\t') {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

ClientLaunch PlanClientLaunch(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                              const std::string& workingDirectory)
{
    using namespace keys;
    ClientLaunch launch;
    const ProfileSnapshot settings(settingsPath);
    // The client gets the folder as an absolute path (%l) and runs in it:
    // "downloads" handed to a client already inside it would name a folder
    // below it.
    const std::string localDir = ResolveLocalDirectory(
        settings.GetString(kSettingsSection, kLocalDir, kLocalDirDefault, kPageFieldBuffer), workingDirectory);
    launch.client = settings.GetString(kSettingsSection, kFtpClient, kFtpClientDefault, kPageFieldBuffer);
    if (launch.client.empty()) {
        launch.problem = "No FTP client is chosen: pick one in Edit > Settings > FTP Clients.";
        return launch;
    }
    const ProfileSnapshot clients(JoinPath(workingDirectory, kClientsFile));
    const std::string program = clients.GetString(launch.client, kClientPath, "", kPageFieldBuffer);
    if (program.empty()) {
        launch.problem = "The FTP client \"" + launch.client +
                         "\" is not in clients.dat: pick another in Edit > Settings > FTP Clients.";
        return launch;
    }
    const auto style = ParseQuoteStyle(clients.GetString(launch.client, kClientQuote, "", 64));
    if (!style) {
        launch.problem = "The FTP client \"" + launch.client +
                         "\" names an unknown Quote style: use lftp, sh or none in clients.dat.";
        return launch;
    }
    const std::string args = clients.GetString(launch.client, kClientArgs, "", kPageFieldBuffer);
    launch.argv.push_back(program);
    launch.workingDirectory = localDir;
    launch.scriptPath = JoinPath(workingDirectory, kClientScriptFile);
    if (args.empty())
        return launch;
    if (args.find("%s") != npos) {
        const std::string script = clients.GetString(launch.client, kClientScript, "", kScriptBuffer);
        ScriptExpansion expanded = ExpandTemplate(record, DecodeScript(script), fileMode, localDir, *style);
        if (!expanded.problem.empty()) {
            launch.problem = expanded.problem + " Nothing was started.";
            return launch;
        }
        launch.script = std::move(expanded.text);
    }
    const bool usesScript = launch.script.has_value();
    for (const std::string& word : SplitCommandWords(ResolveOptionalParts(args, fileMode)))
        launch.argv.push_back(ReplacePlaceholders(word, record, localDir, usesScript ? &launch.scriptPath : nullptr));
    return launch;
}

LaunchResult LaunchClient(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                          const std::string& workingDirectory)
{
    const ClientLaunch launch = PlanClientLaunch(record, fileMode, settingsPath, workingDirectory);
    if (!launch.problem.empty())
        return {false, launch.problem, {}};
    if (const Result<void> made = MakeLocalDirectory(launch.workingDirectory); !made)
        return {false, made.Why(), {}};
    if (launch.script) {
        if (const Result<void> written = WriteFileAtomically(launch.scriptPath, *launch.script, 0600); !written)
            return {
                false, "The client script " + launch.scriptPath + " could not be written (" + written.Why() + ").", {}};
    }
    auto program = StartWatched(launch.argv, launch.workingDirectory);
    if (!program)
        return {false,
                "The FTP client \"" + launch.client + "\" could not be started (" + launch.argv.front() + " in " +
                    launch.workingDirectory +
                    "): check its Path in Edit > Settings > FTP Clients and the Local Directory.",
                {}};
    LaunchResult launched{true, {}, {}};
    launched.programs.push_back({launch.client, std::move(*program)});
    return launched;
}

} // namespace velmora
