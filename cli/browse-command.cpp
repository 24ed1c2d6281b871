#include "browse-command.h"

#include <ctime>
#include <iostream>

#include "app/search-session.h"
#include "browse/browse-settings.h"
#include "json-writer.h"
#include "options.h"
#include "platform/paths.h"
#include "results/result-actions.h"
#include "session-loop.h"
#include "terminal-text.h"

namespace velmora::cli {

namespace {

const char* const kBrowseHelp =
    "Usage: velmora-cli browse [--json] [--depth N] [--max-files N] URL...\n"
    "\n"
    "Lists the files of a server's directories at and below each URL (ftp://, http://\n"
    "or https://; a file URL stands for its directory), as the window's \"Browse\n"
    "Server\" does: FTP directories by the URL's login (anonymous when it names none),\n"
    "HTTP(S) directories by their index pages, honouring robots.txt, one request at a\n"
    "time with a pause between. Exit 0 when every start URL could be listed, 1\n"
    "otherwise.\n"
    "\n"
    "  --depth N       levels below the start directory (default 3, or BrowseDepth)\n"
    "  --max-files N   stop after N files (default 100000, or BrowseMaxFiles)\n"
    "  --json          {\"event\":\"dir\",\"url\":U,\"files\":N,\"dirs\":M} per directory listed,\n"
    "                  {\"event\":\"file\",\"url\":U,\"size\":BYTES|null,\"modified\":ISO8601|null}\n"
    "                  per file, {\"event\":\"skip\",\"url\":U,\"reason\":TEXT} per directory\n"
    "                  not listed, last {\"event\":\"done\",\"files\":N,\"dirs\":M,\"skipped\":K}\n";

// "1 file", "2 files".
std::string Count(std::size_t n, const char* thing)
{
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

class BrowsePrinter : public SessionObserver {
public:
    explicit BrowsePrinter(bool json) : m_json(json) {}

    void BrowseListed(const BrowseListing& listing) override
    {
        if (m_json) {
            WriteLine(JsonObject()
                          .Add("event", "dir")
                          .Add("url", listing.url)
                          .Add("files", static_cast<std::int64_t>(listing.files.size()))
                          .Add("dirs", static_cast<std::int64_t>(listing.directories))
                          .Text());
        } else {
            WriteLine(ForTerminal(listing.url) + "  (" + Count(listing.files.size(), "file") + ", " +
                      Count(listing.directories, "folder") + ")");
        }
        for (const ListedEntry& file : listing.files) {
            const std::string url = listing.url + EncodeUrlPath(file.name);
            if (m_json) {
                JsonObject event;
                event.Add("event", "file").Add("url", url);
                // "size" is a count of bytes: a rounded one ("2.3K") is none.
                AddSizeAndDate(event, file.sizeApproximate ? std::nullopt : file.size, file.modified);
                WriteLine(event.Text());
            } else {
                const std::string size =
                    file.size ? "  " + std::string(file.sizeApproximate ? "~" : "") + std::to_string(*file.size) : "";
                WriteLine("  " + ForTerminal(url) + size +
                          (file.modified ? "  " + Iso8601(*file.modified) : std::string()));
            }
        }
    }

    void BrowseSkipped(const BrowseSkip& skip) override
    {
        if (m_json)
            WriteLine(JsonObject().Add("event", "skip").Add("url", skip.url).Add("reason", skip.reason).Text());
        else
            WriteLine("skipped " + ForTerminal(skip.url) + ": " + ForTerminal(skip.reason));
    }

    void BrowseEnded(const BrowseSummary& summary) override
    {
        m_total.files += summary.files;
        m_total.directories += summary.directories;
        m_total.skipped += summary.skipped;
    }

    void PrintDone() const
    {
        if (m_json) {
            WriteLine(JsonObject()
                          .Add("event", "done")
                          .Add("files", static_cast<std::int64_t>(m_total.files))
                          .Add("dirs", static_cast<std::int64_t>(m_total.directories))
                          .Add("skipped", static_cast<std::int64_t>(m_total.skipped))
                          .Text());
        } else {
            WriteLine(Count(m_total.files, "file") + " in " + Count(m_total.directories, "folder") + ", " +
                      std::to_string(m_total.skipped) + " skipped");
        }
    }

private:
    bool m_json;
    BrowseSummary m_total;
};

} // namespace

int RunBrowseCommand(const std::vector<std::string>& args)
{
    Options options = ParseOptions(args, {"--json"}, {"--depth", "--max-files"});
    const auto depth = options.Number("--depth", 0, 50);
    const auto maxFiles = options.Number("--max-files", 1, 10000000);
    if (options.error.empty() && options.positional.empty() && !options.help)
        options.error = "name at least one URL";
    std::vector<std::unique_ptr<ResultEntry>> starts;
    for (const std::string& url : options.positional) {
        starts.push_back(MakeResultEntry(url, 0));
        if (!starts.back() && options.error.empty())
            options.error = "not an ftp, http or https URL: " + url;
    }
    if (const int status = HandleHelpOrError(options, "browse", kBrowseHelp); status >= 0)
        return status;

    CatchInterrupt();
    SearchSession session(GetWorkingDirectory());
    BrowsePrinter printer(options.Has("--json"));
    session.SetObserver(&printer);
    session.Initialize();
    session.GetViews().SetFilterForSession(false);
    session.GetViews().SetAutoTestForSession(false);
    BrowseLimits limits = ReadBrowseLimits(JoinPath(GetWorkingDirectory(), "settings.dat"));
    if (depth)
        limits.depth = static_cast<int>(*depth);
    if (maxFiles)
        limits.maxFiles = static_cast<std::size_t>(*maxFiles);
    bool allListed = true;
    for (const auto& start : starts) {
        if (WasInterrupted())
            break;
        allListed = RunBrowseToEnd(session, *start, limits) && allListed;
    }
    printer.PrintDone();
    return allListed && !WasInterrupted() ? 0 : 1;
}

} // namespace velmora::cli
