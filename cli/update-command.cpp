#include "update-command.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "json-writer.h"
#include "options.h"
#include "platform/message-queue.h"
#include "platform/paths.h"
#include "settings/settings-keys.h"
#include "terminal-text.h"
#include "upgrade/update-request.h"
#include "upgrade/upgrade-offer.h"

namespace velmora::cli {

namespace {

const char* const kUpdateHelp =
    "Usage: velmora-cli update version|engines|clients [--json] [--merge NAME...] [--merge-preselected]\n"
    "\n"
    "Asks the update service as Help > \"Check for Upgrade\", \"Update Engines\" or\n"
    "\"Update Clients\" does (the answer is kept in ./update.tmp) and prints what\n"
    "the upgrade dialog would offer. VELMORA_UPDATE_HOST=host[:port] names another\n"
    "service. Exit 1 when the service could not be asked.\n"
    "\n"
    "  --json                one JSON object per line\n"
    "  --merge NAME...       merge these offered engines or clients, as OK does\n"
    "  --merge-preselected   merge the engines the dialog selects by itself\n";

int ModeOf(const std::string& word)
{
    return word == "version" ? kModeVersion : word == "engines" ? kModeEngines : word == "clients" ? kModeClients : 0;
}

// Runs the same worker as the dialog and waits for its one message.
bool Fetch(int mode, const std::string& answerPath)
{
    auto job = std::make_shared<UpdateJob>();
    job->mode = mode;
    job->answerPath = answerPath;
    job->queue = std::make_shared<MessageQueue>();
    if (!StartUpdateWorker(job))
        return false;
    for (;;) {
        auto message = job->queue->WaitTake(std::chrono::seconds(1));
        if (!message || message->id != kMsgUpdateReady)
            continue;
        if (message->value == 1)
            return true;
        std::cerr << "velmora-cli update: " << DescribeUpdateFailure(static_cast<long>(message->subject)) << "\n";
        return false;
    }
}

void PrintVersion(const VersionOffer& offer, bool json)
{
    if (!json) {
        std::printf("%s %d.%d build %d\n", offer.newer ? "newer:" : "not newer:", offer.major, offer.minor,
                    offer.build);
        for (const DownloadLocation& location : offer.locations)
            WriteLine("  " + ForTerminal(location.label) + "  " + ForTerminal(location.url));
        return;
    }
    std::string locations = "[";
    for (const DownloadLocation& location : offer.locations) {
        if (locations.size() > 1)
            locations += ",";
        locations += JsonObject().Add("label", location.label).Add("url", location.url).Text();
    }
    locations += "]";
    JsonObject object;
    object.Add("newer", offer.newer).Add("major", std::int64_t{offer.major}).Add("minor", std::int64_t{offer.minor});
    WriteLine(object.Add("build", std::int64_t{offer.build}).AddRaw("locations", locations).Text());
}

// Prints the engines or clients the answer offers and gives their names;
// `preselected`, when given, gets the engines the answer marks newer.
std::vector<std::string> PrintOffer(int mode, const std::string& answer, const std::string& folder, bool json,
                                    std::vector<std::string>* preselected)
{
    std::vector<std::string> offered;
    if (mode == kModeEngines) {
        for (const EngineOffer& engine : ReadEngineOffer(answer, JoinPath(folder, keys::kSettingsFile))) {
            offered.push_back(engine.name);
            if (preselected != nullptr && engine.preselected)
                preselected->push_back(engine.name);
            if (json)
                WriteLine(JsonObject().Add("engine", engine.name).Add("preselected", engine.preselected).Text());
            else
                WriteLine(ForTerminal(engine.name) + (engine.preselected ? "  (newer)" : ""));
        }
        return offered;
    }
    offered = ReadClientOffer(answer, JoinPath(folder, keys::kClientsFile));
    for (const std::string& client : offered) {
        if (json)
            WriteLine(JsonObject().Add("client", client).Text());
        else
            WriteLine(ForTerminal(client));
    }
    return offered;
}

} // namespace

int RunUpdateCommand(const std::vector<std::string>& args)
{
    const Options options = ParseOptions(args, {"--json", "--merge", "--merge-preselected"});
    if (const int status = HandleHelpOrError(options, "update", kUpdateHelp); status >= 0)
        return status;
    const int mode = options.positional.empty() ? 0 : ModeOf(options.positional.front());
    if (mode == 0) {
        std::cerr << "velmora-cli update: say version, engines or clients\n" << kUpdateHelp;
        return 2;
    }
    const bool json = options.Has("--json");
    std::vector<std::string> toMerge(options.positional.begin() + 1, options.positional.end());
    if (!toMerge.empty() && !options.Has("--merge")) {
        std::cerr << "velmora-cli update: names are given with --merge\n";
        return 2;
    }
    const std::string folder = GetWorkingDirectory();
    const std::string answer = JoinPath(folder, keys::kUpdateAnswerFile);
    if (!Fetch(mode, answer))
        return 1;
    if (mode == kModeVersion) {
        PrintVersion(ReadVersionOffer(answer), json);
        return 0;
    }
    const std::vector<std::string> offered =
        PrintOffer(mode, answer, folder, json, options.Has("--merge-preselected") ? &toMerge : nullptr);
    // Only what the dialog would offer can be merged.
    std::erase_if(toMerge, [&](const std::string& name) {
        return std::find(offered.begin(), offered.end(), name) == offered.end();
    });
    if (toMerge.empty())
        return 0;
    const MergeResult merged =
        mode == kModeEngines ? MergeSections(answer, JoinPath(folder, keys::kSettingsFile), toMerge, EngineMerge())
                             : MergeSections(answer, JoinPath(folder, keys::kClientsFile), toMerge, ClientMerge());
    if (!merged.ok) {
        std::cerr << "velmora-cli update: " << merged.problem << "\n";
        return 1;
    }
    return 0;
}

} // namespace velmora::cli
