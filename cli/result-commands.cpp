#include "result-commands.h"

#include <cstdio>
#include <iostream>

#include "json-writer.h"
#include "options.h"
#include "platform/paths.h"
#include "results/result-actions.h"
#include "results/result-entry.h"
#include "settings/settings-keys.h"

namespace velmora::cli {

namespace {

const char* const kGetHelp = "Usage: velmora-cli get [--wait] URL\n"
                             "\n"
                             "\"Get File\" on one result: an ftp URL goes to the FTP client chosen in\n"
                             "./settings.dat (file mode), any other to the download program FileTransfer\n"
                             "(looked up on PATH, then beside velmora-cli). Exit 0 when it started.\n"
                             "\n"
                             "  --wait  wait for the program to end; exit 0 only when it succeeded, else 1\n"
                             "          with its last error line on standard error\n";
const char* const kConnectHelp = "Usage: velmora-cli connect URL\n"
                                 "\n"
                                 "\"Connect To Server\": the FTP client chosen in ./settings.dat, connection\n"
                                 "only. Exit 0 when it started.\n";
const char* const kCopyHelp = "Usage: velmora-cli copy URL\n"
                              "\n"
                              "Prints the text \"Copy To Clipboard\" would copy for this result. Exit 1\n"
                              "and no output when there is nothing to copy.\n";

// Parses the one URL argument into a record; exit status when it cannot.
int TakeResult(const std::vector<std::string>& args, const char* command, const char* help,
               std::initializer_list<std::string_view> known, std::unique_ptr<ResultEntry>& record, Options& options)
{
    options = ParseOptions(args, known);
    if (const int status = HandleHelpOrError(options, command, help); status >= 0)
        return status;
    if (options.positional.size() != 1) {
        std::cerr << "velmora-cli " << command << ": give exactly one URL\n" << help;
        return 2;
    }
    record = MakeResultEntry(options.positional.front(), 0);
    if (!record) {
        std::cerr << "velmora-cli " << command << ": not a URL this program takes: " << options.positional.front()
                  << "\n";
        return 1;
    }
    return -1;
}

std::string SettingsPath()
{
    return JoinPath(GetWorkingDirectory(), keys::kSettingsFile);
}

} // namespace

int RunGetCommand(const std::vector<std::string>& args)
{
    std::unique_ptr<ResultEntry> record;
    Options options;
    if (const int status = TakeResult(args, "get", kGetHelp, {"--wait"}, record, options); status >= 0)
        return status;
    LaunchResult launched = GetFile(*record, SettingsPath(), GetWorkingDirectory());
    if (!launched.started) {
        std::cerr << "velmora-cli get: " << launched.message << "\n";
        return 1;
    }
    if (!options.Has("--wait"))
        return 0;
    int status = 0;
    for (StartedProgram& started : launched.programs) {
        const ProgramEnd end = started.program.Wait();
        if (!end.succeeded) {
            std::cerr << "velmora-cli get: " << started.name << " failed: " << end.lastErrorLine << "\n";
            status = 1;
        }
    }
    return status;
}

int RunConnectCommand(const std::vector<std::string>& args)
{
    std::unique_ptr<ResultEntry> record;
    Options options;
    if (const int status = TakeResult(args, "connect", kConnectHelp, {}, record, options); status >= 0)
        return status;
    const LaunchResult launched = ConnectToServer(*record, SettingsPath(), GetWorkingDirectory());
    if (launched.started)
        return 0;
    std::cerr << "velmora-cli connect: " << launched.message << "\n";
    return 1;
}

int RunCopyCommand(const std::vector<std::string>& args)
{
    std::unique_ptr<ResultEntry> record;
    Options options;
    if (const int status = TakeResult(args, "copy", kCopyHelp, {}, record, options); status >= 0)
        return status;
    const auto text = BuildClipboardText(*record);
    if (!text)
        return 1;
    WriteLine(*text);
    return 0;
}

} // namespace velmora::cli
