#include "saved-commands.h"

#include <sys/stat.h>

#include <cstdio>
#include <iostream>

#include "export/result-export.h"
#include "json-writer.h"
#include "options.h"
#include "platform/paths.h"
#include "store/search-store.h"
#include "terminal-text.h"

namespace velmora::cli {

namespace {

const char* const kSearchesHelp = "Usage: velmora-cli searches [--json]\n"
                                  "       velmora-cli searches --forget NAME\n"
                                  "\n"
                                  "Lists the searches kept in ./velmora.db, newest first (the last runs of each\n"
                                  "name: SearchRunsKept in settings.dat, 5 by default).\n"
                                  "\n"
                                  "  --json         one line a search:\n"
                                  "                 {\"name\":N,\"when\":ISO8601,\"results\":R,\"servers\":S}\n"
                                  "  --forget NAME  drops every kept run of NAME and gives the space back;\n"
                                  "                 exit 1 when none was kept\n"
                                  "  --help         this text\n";

const char* const kExportHelp = "Usage: velmora-cli export [--search NAME] --format urls|aria2|lftp|csv|json\n"
                                "                          [--only-good] [--new] [--ext LIST] [--min-size SIZE]\n"
                                "                          [--max-size SIZE] [--since DATE] [-o FILE]\n"
                                "\n"
                                "Writes the results of the latest saved search of NAME (default: the latest\n"
                                "saved search) to standard output or FILE:\n"
                                "  urls    one URL a line\n"
                                "  aria2   an input file for aria2c -i\n"
                                "  lftp    a script of get commands for lftp -f, every value quoted\n"
                                "  csv     a table with a header line\n"
                                "  json    JSON Lines of result events\n"
                                "\n"
                                "  --only-good   only results of servers that passed the test\n"
                                "  --new         only results no earlier search of that name held\n"
                                "  --ext LIST    only files of these extensions (comma-separated: iso,img)\n"
                                "  --min-size SIZE, --max-size SIZE\n"
                                "                only files at least or at most this big: bytes, or with\n"
                                "                K, M or G (binary); a file of unknown size is left out\n"
                                "  --since DATE  only files modified on or after DATE (2025-01-01); a file\n"
                                "                of unknown date is left out\n"
                                "  -o FILE       write FILE (whole or not at all) instead of standard output\n"
                                "\n"
                                "Exit status 1 when there is nothing to export.\n";

// The database when there is one; a command that only reads never creates
// it. Null when there is none.
Result<std::unique_ptr<SearchStore>> OpenExisting()
{
    const std::string folder = GetWorkingDirectory();
    struct stat info {};
    if (stat(JoinPath(folder, kSearchesFile).c_str(), &info) != 0)
        return std::unique_ptr<SearchStore>();
    return SearchStore::OpenToRead(folder);
}

// The saved search `--search` names, or the latest; nullopt, said on the
// error stream, when there is none.
std::optional<SavedSearch> LoadSearchToExport(const Options& options)
{
    const Result<std::unique_ptr<SearchStore>> opened = OpenExisting();
    if (!opened || !*opened) {
        std::cerr << "velmora-cli export: " << (opened ? "no searches are saved here" : opened.Why()) << "\n";
        return std::nullopt;
    }
    const std::unique_ptr<SearchStore>& store = *opened;
    const auto name = options.values.find("--search");
    const std::optional<std::int64_t> id =
        store->FindLatest(name == options.values.end() ? std::nullopt : std::optional<std::string_view>(name->second));
    std::optional<SavedSearch> search = id ? store->Load(*id) : std::nullopt;
    if (!search) {
        std::cerr << "velmora-cli export: "
                  << (name == options.values.end() ? std::string("no searches are saved here")
                                                   : "no saved search is called " + ForTerminal(name->second))
                  << "\n";
        return std::nullopt;
    }
    return search;
}

} // namespace

// Drops every run of a name from the database, which must be there already.
int ForgetSearches(const std::string& name)
{
    if (const Result<std::unique_ptr<SearchStore>> existing = OpenExisting(); existing && !*existing) {
        std::cerr << "velmora-cli searches: no search named " << ForTerminal(name) << " is kept\n";
        return 1;
    }
    const Result<std::unique_ptr<SearchStore>> opened = SearchStore::Open(GetWorkingDirectory());
    const Result<std::int64_t> dropped = opened ? (*opened)->Forget(name) : Result<std::int64_t>(opened.Error());
    if (!dropped) {
        std::cerr << "velmora-cli searches: " << dropped.Why() << "\n";
        return 1;
    }
    if (*dropped == 0) {
        std::cerr << "velmora-cli searches: no search named " << ForTerminal(name) << " is kept\n";
        return 1;
    }
    WriteLine("Forgot " + std::to_string(*dropped) + (*dropped == 1 ? " run of " : " runs of ") + ForTerminal(name));
    return 0;
}

int RunSearchesCommand(const std::vector<std::string>& args)
{
    const Options options = ParseOptions(args, {"--json"}, {"--forget"});
    if (const int status = HandleHelpOrError(options, "searches", kSearchesHelp); status >= 0)
        return status;
    if (!options.positional.empty()) {
        std::cerr << "velmora-cli searches: unexpected argument " << options.positional.front() << "\n"
                  << kSearchesHelp;
        return 2;
    }
    if (const auto forget = options.values.find("--forget"); forget != options.values.end())
        return ForgetSearches(forget->second);
    const Result<std::unique_ptr<SearchStore>> opened = OpenExisting();
    if (!opened) {
        std::cerr << "velmora-cli searches: " << opened.Why() << "\n";
        return 1;
    }
    const std::unique_ptr<SearchStore>& store = *opened;
    if (!store)
        return 0;
    const bool json = options.Has("--json");
    for (const SavedSearchInfo& search : store->List()) {
        if (json) {
            JsonObject object;
            object.Add("name", search.name).Add("when", Iso8601(search.when));
            WriteLine(object.Add("results", search.results).Add("servers", search.servers).Text());
        } else {
            char counts[64];
            std::snprintf(counts, sizeof counts, "%8lld %8lld  ", static_cast<long long>(search.results),
                          static_cast<long long>(search.servers));
            WriteLine(Iso8601(search.when) + counts + ForTerminal(search.name));
        }
    }
    return 0;
}

namespace {

// The format asked for; nothing after telling why there is none.
std::optional<ExportFormat> ReadFormatOption(const Options& options)
{
    const auto formatName = options.values.find("--format");
    if (formatName == options.values.end() || !options.positional.empty()) {
        std::cerr << "velmora-cli export: "
                  << (options.positional.empty() ? "--format is needed"
                                                 : "unexpected argument " + options.positional[0])
                  << "\n"
                  << kExportHelp;
        return std::nullopt;
    }
    const std::optional<ExportFormat> format = ParseExportFormat(formatName->second);
    if (!format)
        std::cerr << "velmora-cli export: unknown format " << formatName->second << "\n" << kExportHelp;
    return format;
}

// The file filter --ext, --min-size, --max-size and --since ask for;
// nothing after telling which does not read.
std::optional<FileFilter> ReadFileFilter(const Options& options)
{
    FileFilter filter;
    const auto say = [](const std::string& option, const std::string& value, const char* expected) {
        std::cerr << "velmora-cli export: " << option << " " << ForTerminal(value) << " is not understood: " << expected
                  << "\n";
        return std::nullopt;
    };
    for (const auto& [option, value] : options.values) {
        if (option == "--ext") {
            auto extensions = ParseExtensions(value);
            if (!extensions)
                return say(option, value, "it takes extensions, as in iso,img");
            filter.extensions = std::move(*extensions);
        } else if (option == "--min-size" || option == "--max-size") {
            const auto size = ParseFileSize(value);
            if (!size)
                return say(option, value, "a size reads as 700, 100K, 1.5M or 2G");
            (option == "--min-size" ? filter.minSize : filter.maxSize) = *size;
        } else if (option == "--since") {
            const auto day = ParseFilterDate(value);
            if (!day)
                return say(option, value, "it takes a day, as in 2025-01-01");
            filter.since = *day;
        }
    }
    return filter;
}

// To the file -o names, or to standard output; the command's exit status.
int WriteExportText(const Options& options, const std::string& text)
{
    const auto output = options.values.find("-o");
    if (output == options.values.end()) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (const Result<void> written = WriteExportFile(output->second, text); !written) {
        std::cerr << "velmora-cli export: " << written.Why() << "\n";
        return 1;
    }
    return 0;
}

} // namespace

int RunExportCommand(const std::vector<std::string>& args)
{
    const Options options = ParseOptions(
        args, {"--only-good", "--new"}, {"--search", "--format", "-o", "--ext", "--min-size", "--max-size", "--since"});
    if (const int status = HandleHelpOrError(options, "export", kExportHelp); status >= 0)
        return status;
    const std::optional<ExportFormat> format = ReadFormatOption(options);
    if (!format)
        return 2;
    const std::optional<FileFilter> files = ReadFileFilter(options);
    if (!files)
        return 2;
    const std::optional<SavedSearch> search = LoadSearchToExport(options);
    if (!search)
        return 1;
    const std::vector<ExportItem> items =
        FilterExport(MakeExportItems(*search), options.Has("--only-good"), options.Has("--new"), *files);
    const ExportText text = FormatExport(*format, items);
    if (text.skipped > 0)
        std::cerr << "velmora-cli export: " << text.skipped << " results left out (no URL or file name fits them)\n";
    if (text.written == 0) {
        std::cerr << "velmora-cli export: nothing to export\n";
        return 1;
    }
    return WriteExportText(options, text.text);
}

} // namespace velmora::cli
