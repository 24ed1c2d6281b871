#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "browse-command.h"
#include "check-command.h"
#include "engines-command.h"
#include "links-command.h"
#include "platform/program-version.h"
#include "platform/worker-pool.h"
#include "result-commands.h"
#include "saved-commands.h"
#include "search-command.h"
#include "update-command.h"

namespace {

const char* const kHelp = "Usage: velmora-cli COMMAND [OPTIONS]\n"
                          "\n"
                          "Velmora finds downloadable files on public FTP and HTTP servers through\n"
                          "web search engines. The command line works on the settings files of the\n"
                          "current directory, as the window does.\n"
                          "\n"
                          "Commands:\n"
                          "  links [--json] [FILE]   print the file links a result page holds\n"
                          "  search [--json] [--test] [--save[=NAME]] WORDS\n"
                          "                          run one search with the engines of ./settings.dat\n"
                          "                          (and keep it in ./velmora.db)\n"
                          "  searches [--json]       list the searches kept in ./velmora.db\n"
                          "  searches --forget NAME  drop every kept run of NAME\n"
                          "  export [--search NAME] --format urls|aria2|lftp|csv|json [--only-good] [--new] [-o FILE]\n"
                          "                          write a saved search's results for another program\n"
                          "  get [--wait] URL        \"Get File\": the FTP client or the download program\n"
                          "                          (--wait: until it ends; exit 0 when it succeeded)\n"
                          "  connect URL             \"Connect To Server\": the FTP client, connection only\n"
                          "  copy URL                print what \"Copy To Clipboard\" would copy\n"
                          "  engines check [--json] [WORDS]\n"
                          "                          run every ticked engine once and tell how each answered\n"
                          "  browse [--json] [--depth N] [--max-files N] URL...\n"
                          "                          list a server's files from a directory down\n"
                          "  check [--json] URL...   whether each file is there, its size and date, without\n"
                          "                          downloading it\n"
                          "  update version|engines|clients [--json] [--merge NAME...] [--merge-preselected]\n"
                          "                          ask the update service as the Help menu does\n"
                          "\n"
                          "  --help                  this text; COMMAND --help describes a command\n"
                          "  --version               the program's version\n"
                          "\n"
                          "Exit status: 0 success, 1 the operation failed, 2 bad usage.\n";

// Each command, and whether it may leave workers blocked on the network
// that exiting must not wait for.
struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&);
    bool leavesWorkers;
};
const Command kCommands[] = {
    {"links", velmora::cli::RunLinksCommand, false},       {"get", velmora::cli::RunGetCommand, false},
    {"connect", velmora::cli::RunConnectCommand, false},   {"copy", velmora::cli::RunCopyCommand, false},
    {"searches", velmora::cli::RunSearchesCommand, false}, {"export", velmora::cli::RunExportCommand, false},
    {"update", velmora::cli::RunUpdateCommand, true},      {"engines", velmora::cli::RunEnginesCommand, true},
    {"browse", velmora::cli::RunBrowseCommand, true},      {"search", velmora::cli::RunSearchCommand, true},
    {"check", velmora::cli::RunCheckCommand, true},
};

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kHelp;
        return 2;
    }
    const std::string& command = args.front();
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (command == "--version") {
        // The first line is what scripts read; the licence follows it.
        std::puts("velmora-cli 2.2 build 0");
        std::puts(velmora::kLicenceText);
        return 0;
    }
    for (const Command& each : kCommands) {
        if (command != each.name)
            continue;
        const int status = each.run(rest);
        if (!each.leavesWorkers)
            return status;
        // The command's jobs were stopped as it ended; one still blocked on
        // the network after the deadline is not waited for.
        velmora::WorkerPool::Shared().WaitForJobs(velmora::kJobsEndDeadline);
        std::fflush(stdout);
        std::_Exit(status);
    }
    std::cerr << "velmora-cli: unknown command '" << command << "'\n\n" << kHelp;
    return 2;
}
