#include "results/client-launch.h"

#include "platform/paths.h"
#include "platform/process-launch.h"
#include "results/result-entry.h"
#include "results/result-view.h"
#include "search/query-words.h"
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

std::string ReplacePlaceholders(std::string_view text, const ResultEntry& record, const std::string& localDir,
                                const std::string* scriptPath)
{
    std::string result;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%' || i + 1 == text.size()) {
            result += text[i];
            continue;
        }
        std::string value;
        switch (text[i + 1]) {
        case 'h':
            value = record.server;
            break;
        case 'o':
            value = std::to_string(record.port);
            break;
        case 'u':
            value = record.user;
            break;
        case 'p':
            value = record.password;
            break;
        case 'l':
            value = localDir;
            break;
        case 'r':
            value = GetDirPart(record.path);
            break;
        case 'f':
            value = GetFilePart(record.path);
            break;
        case '[':
            value = "[";
            break;
        case ']':
            value = "]";
            break;
        case 's':
            if (scriptPath) {
                value = *scriptPath;
                break;
            }
            [[fallthrough]];
        default:
            result += text[i];
            continue;
        }
        result += RemoveLineBreaks(value);
        ++i;
    }
    return result;
}

std::string ExpandTemplate(const ResultEntry& record, std::string_view text, bool fileMode, const std::string& localDir)
{
    return ReplacePlaceholders(ResolveOptionalParts(text, fileMode), record, localDir);
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

std::optional<ClientLaunch> PlanClientLaunch(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                                             const std::string& workingDirectory)
{
    using namespace keys;
    const std::string localDir =
        GetPrivateProfileStringA(kSettingsSection, kLocalDir, kLocalDirDefault, kPageFieldBuffer, settingsPath);
    const std::string client =
        GetPrivateProfileStringA(kSettingsSection, kFtpClient, kFtpClientDefault, kPageFieldBuffer, settingsPath);
    if (client.empty())
        return std::nullopt;
    const std::string clients = JoinPath(workingDirectory, kClientsFile);
    const std::string args = GetPrivateProfileStringA(client, kClientArgs, "", kPageFieldBuffer, clients);
    ClientLaunch launch;
    launch.argv.push_back(GetPrivateProfileStringA(client, kClientPath, "", kPageFieldBuffer, clients));
    // A relative LocalDir ("./" by default) is taken from the working directory.
    launch.workingDirectory = localDir.starts_with('/') ? localDir : JoinPath(workingDirectory, localDir);
    launch.scriptPath = JoinPath(workingDirectory, kClientScriptFile);
    if (args.empty())
        return launch;
    if (args.find("%s") != npos) {
        const std::string script = GetPrivateProfileStringA(client, kClientScript, "", kScriptBuffer, clients);
        launch.script = ExpandTemplate(record, DecodeScript(script), fileMode, localDir);
    }
    const bool usesScript = launch.script.has_value();
    for (const std::string& word : SplitCommandWords(ResolveOptionalParts(args, fileMode)))
        launch.argv.push_back(ReplacePlaceholders(word, record, localDir, usesScript ? &launch.scriptPath : nullptr));
    return launch;
}

bool LaunchClient(const ResultEntry& record, bool fileMode, const std::string& settingsPath,
                  const std::string& workingDirectory)
{
    const auto launch = PlanClientLaunch(record, fileMode, settingsPath, workingDirectory);
    if (!launch)
        return false;
    if (launch->script && !WriteFileAtomically(launch->scriptPath, *launch->script))
        return false;
    return StartDetached(launch->argv, launch->workingDirectory);
}

} // namespace velmora
