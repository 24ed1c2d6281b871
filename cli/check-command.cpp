#include "check-command.h"

#include <iostream>
#include <memory>

#include "app/search-session.h"
#include "json-writer.h"
#include "options.h"
#include "platform/paths.h"
#include "session-loop.h"
#include "terminal-text.h"

namespace velmora::cli {

namespace {

const char* const kCheckHelp = "Usage: velmora-cli check [--json] URL...\n"
                               "\n"
                               "Checks that each file (ftp://, http:// or https://) is there, without\n"
                               "downloading it: HTTP(S) by a HEAD request, or where the server refuses HEAD by a\n"
                               "request for the first byte; FTP by SIZE and MDTM over one login a server\n"
                               "(anonymous when the URL names none). At most two connections to a server, within\n"
                               "the thread limit (Maxthreads), with the browse's pause between requests. Exit 0\n"
                               "when every file is there, 1 otherwise.\n"
                               "\n"
                               "  --json   {\"event\":\"file\",\"url\":U,\"alive\":true|false,\"size\":N|null,\n"
                               "            \"modified\":ISO8601|null,\"status\":CODE,\"reason\":TEXT} per URL,\n"
                               "           last {\"event\":\"done\",\"files\":N,\"alive\":K}\n"
                               "  --help   this text\n";

// Each file by the URL as it was given, so a script finds its own.
class CheckPrinter : public SessionObserver {
public:
    CheckPrinter(FilePrinter& files, const std::vector<std::string>& urls) : m_files(files), m_urls(urls) {}
    void FileChecked(std::uint32_t place, const std::string& url, const FileCheck& check) override
    {
        m_files.Print(place < m_urls.size() ? m_urls[place] : url, check);
    }

private:
    FilePrinter& m_files;
    const std::vector<std::string>& m_urls;
};

} // namespace

void FilePrinter::Print(const std::string& url, const FileCheck& check)
{
    ++m_files;
    m_alive += check.alive ? 1 : 0;
    if (!m_json) {
        std::string line = std::string(check.alive ? "there      " : "not there  ") + ForTerminal(url);
        if (check.size)
            line += "  " + std::to_string(*check.size);
        if (check.modified)
            line += "  " + Iso8601(*check.modified);
        WriteLine(line + "  " + ForTerminal(check.reason));
        return;
    }
    JsonObject event;
    event.Add("event", "file").Add("url", url).Add("alive", check.alive);
    AddSizeAndDate(event, check.size, check.modified);
    WriteLine(event.Add("status", std::int64_t{check.status}).Add("reason", check.reason).Text());
}

int RunCheckCommand(const std::vector<std::string>& args)
{
    Options options = ParseOptions(args, {"--json"});
    if (options.error.empty() && options.positional.empty() && !options.help)
        options.error = "name at least one URL";
    std::vector<ResultEntry> records;
    for (const std::string& url : options.positional) {
        std::unique_ptr<ResultEntry> record = MakeResultEntry(url, 0);
        if (record)
            records.push_back(std::move(*record));
        else if (options.error.empty())
            options.error = "not an ftp, http or https URL: " + url;
    }
    if (const int status = HandleHelpOrError(options, "check", kCheckHelp); status >= 0)
        return status;

    CatchInterrupt();
    const bool json = options.Has("--json");
    SearchSession session(GetWorkingDirectory());
    FilePrinter files(json);
    CheckPrinter printer(files, options.positional);
    session.SetObserver(&printer);
    session.Initialize();
    session.CheckRecords(records);
    RunChecksToEnd(session);
    if (json) {
        WriteLine(JsonObject()
                      .Add("event", "done")
                      .Add("files", std::int64_t{files.GetFiles()})
                      .Add("alive", std::int64_t{files.GetAlive()})
                      .Text());
    } else {
        WriteLine("done: " + std::to_string(files.GetAlive()) + " of " + std::to_string(files.GetFiles()) +
                  " files there");
    }
    const bool allThere = files.GetFiles() == static_cast<int>(records.size()) && files.GetAlive() == files.GetFiles();
    return allThere && !WasInterrupted() ? 0 : 1;
}

} // namespace velmora::cli
