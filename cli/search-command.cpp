#include "search-command.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>

#include "app/search-session.h"
#include "check-command.h"
#include "engine-event.h"
#include "json-writer.h"
#include "options.h"
#include "platform/paths.h"
#include "platform/url-split.h"
#include "results/server-probe.h"
#include "session-loop.h"
#include "terminal-text.h"

namespace velmora::cli {

const char* const kSearchHelp =
    "Usage: velmora-cli search [--json] [--test] [--check-files] [--save[=NAME]] WORDS...\n"
    "\n"
    "Runs one search as the window's \"Search\" button does, with the engines\n"
    "ticked in ./settings.dat, its thread limit (Maxthreads) and its Filter\n"
    "switch. Ends when every engine has reported; Ctrl+C stops the search and\n"
    "ends with what was found.\n"
    "\n"
    "  --test   then test every server found, as \"Re-Test Results\" does (an FTP\n"
    "           login or an HTTP HEAD request), and wait for every verdict\n"
    "  --check-files\n"
    "           then check every file found (after --test): whether it is there,\n"
    "           its size and date, without downloading it, as \"velmora-cli check\"\n"
    "\n"
    "  --save[=NAME]\n"
    "           keep the results (and verdicts and checks) in ./velmora.db under NAME (default:\n"
    "           the words); results no earlier search of that name held are new\n"
    "\n"
    "  --json   one JSON object per line, as events happen:\n"
    "           {\"event\":\"result\",\"n\":N,\"service\":\"ftp\"|\"http\"|\"https\",\"server\":..,\"port\":..,\n"
    "            \"path\":..,\"user\":..,\"password\":..,\"description\":..,\"engine\":..}\n"
    "            with --save also \"new\":true|false\n"
    "           {\"event\":\"server\",\"group\":\"FTP\"|\"HTTP\",\"server\":..,\"service\":..,\"port\":..}\n"
    "            (servers are told apart by service, host and port)\n"
    "           {\"event\":\"engine\",\"engine\":..,\"mark\":\"scanned\"|\"failed\",\"links\":N,\n"
    "            \"health\":H,\"status\":HTTP,\"anchors\":M,\"ms\":T,\"reason\":..}, H one of links,\n"
    "            no-file-links, blocked, challenge, http-error, unreachable, timeout,\n"
    "            too-big, cut, on-hold\n"
    "           {\"event\":\"verdict\",\"group\":..,\"server\":..,\"service\":..,\"port\":..,\n"
    "            \"verdict\":\"good\"|\"bad\",\"reply\":..}\n"
    "           {\"event\":\"file\",\"url\":..,\"alive\":true|false,\"size\":N|null,\"modified\":..|null,\n"
    "            \"status\":CODE,\"reason\":..} with --check-files\n"
    "           last {\"event\":\"done\",\"results\":N,\"servers\":M}\n"
    "  --help   this text\n";

namespace {

const char* ServiceName(std::uint32_t service)
{
    return service == kServiceFtp ? "ftp" : service == kServiceHttps ? "https" : "http";
}

// A server as scripts tell servers apart: its host, service and port.
JsonObject& NameServer(JsonObject& object, const ServerItem& server)
{
    const ResultEntry& first = server.first;
    return object.Add("server", first.server)
        .Add("service", ServiceName(first.service))
        .Add("port", std::int64_t{first.port});
}

class SearchPrinter : public SessionObserver {
public:
    SearchPrinter(SearchSession& session, bool json) : m_session(session), m_json(json), m_files(json) {}

    void FileChecked(std::uint32_t, const std::string& url, const FileCheck& check) override
    {
        m_files.Print(url, check);
    }

    void ResultAccepted(const ResultEntry& entry, int count) override
    {
        const char* service = ServiceName(entry.service);
        const EngineItem* engine = m_session.GetEngines().FindItem(entry.engineItem);
        const std::string engineName = engine ? engine->name : std::string();
        const bool isNew = m_session.GetResults().IsNew(static_cast<ResultId>(count - 1));
        if (!m_json) {
            WriteLine("result  " + std::to_string(count) + "  " + (m_session.IsSaving() && isNew ? "new  " : "") +
                      service + "://" + ForTerminal(entry.server) + ":" + std::to_string(entry.port) +
                      ForTerminal(entry.path) + "  " + ForTerminal(entry.description));
            return;
        }
        JsonObject object;
        object.Add("event", "result").Add("n", std::int64_t{count}).Add("service", service);
        object.Add("server", entry.server).Add("port", std::int64_t{entry.port}).Add("path", entry.path);
        object.Add("user", entry.user).Add("password", entry.password).Add("description", entry.description);
        object.Add("engine", engineName);
        if (m_session.IsSaving())
            object.Add("new", isNew);
        WriteLine(object.Text());
    }

    void SearchNotSaved(const std::string& why) override { std::cerr << "velmora-cli search: " << why << "\n"; }

    void ServerAdded(std::size_t group, const ServerItem& server) override
    {
        const char* groupName = group == kGroupFtp ? "FTP" : "HTTP";
        if (m_json)
            WriteLine(NameServer(JsonObject().Add("event", "server").Add("group", groupName), server).Text());
        else
            WriteLine(std::string("server  ") + groupName + "  " + ForTerminal(server.text));
    }

    void ServerTested(std::size_t group, const ServerItem& server, const TestJob& job) override
    {
        const char* groupName = group == kGroupFtp ? "FTP" : "HTTP";
        const char* verdict = job.verdict == kVerdictGood ? "good" : "bad";
        if (m_json) {
            JsonObject object;
            NameServer(object.Add("event", "verdict").Add("group", groupName), server);
            WriteLine(object.Add("verdict", verdict).Add("reply", job.reply).Text());
        } else {
            WriteLine(std::string("verdict  ") + groupName + "  " + ForTerminal(server.text) + "  " + verdict);
        }
    }

    void EngineReported(const std::string& engine, ItemState, const EngineReport& report) override
    {
        WriteLine(m_json ? EngineEventJson(engine, report) : EngineEventText(engine, report));
    }

private:
    SearchSession& m_session;
    bool m_json;
    FilePrinter m_files;
};

// Every result's file, in the order found.
void CheckEveryFile(SearchSession& session)
{
    std::vector<ResultId> ids(session.GetResults().GetCount());
    for (std::size_t i = 0; i < ids.size(); ++i)
        ids[i] = static_cast<ResultId>(i);
    session.CheckFiles(ids);
    RunChecksToEnd(session);
}

std::size_t CountServers(const SearchSession& session)
{
    std::size_t servers = 0;
    for (const ServerGroup& group : session.GetServers().GetGroups())
        servers += group.servers.size();
    return servers;
}

// "--save" alone keeps the search under its words; "--save=NAME" names it,
// since a bare word after --save could as well be a search word. The
// arguments without it are left in `rest`.
std::optional<std::string> TakeSaveName(const std::vector<std::string>& args, std::vector<std::string>& rest)
{
    std::optional<std::string> saveName;
    for (const std::string& arg : args) {
        if (arg == "--save")
            saveName = std::string();
        else if (arg.starts_with("--save="))
            saveName = arg.substr(7);
        else
            rest.push_back(arg);
    }
    return saveName;
}

void PrintDone(SearchSession& session, bool json)
{
    const auto results = static_cast<std::int64_t>(session.GetResultCount());
    const auto servers = static_cast<std::int64_t>(CountServers(session));
    if (json)
        WriteLine(JsonObject().Add("event", "done").Add("results", results).Add("servers", servers).Text());
    else
        WriteLine("done: " + std::to_string(results) + " results on " + std::to_string(servers) + " servers");
}

} // namespace

int RunSearchCommand(const std::vector<std::string>& args)
{
    std::vector<std::string> rest;
    const std::optional<std::string> saveName = TakeSaveName(args, rest);
    const Options options = ParseOptions(rest, {"--json", "--test", "--check-files"});
    if (const int status = HandleHelpOrError(options, "search", kSearchHelp); status >= 0)
        return status;
    const bool json = options.Has("--json");
    std::string words;
    for (const std::string& word : options.positional)
        words += (words.empty() ? "" : " ") + word;
    if (words.empty()) {
        std::cerr << "velmora-cli search: no search words\n" << kSearchHelp;
        return 2;
    }

    CatchInterrupt();
    SearchSession session(GetWorkingDirectory());
    SearchPrinter printer(session, json);
    session.SetObserver(&printer);
    session.Initialize();
    if (saveName)
        session.SetSaving(true, *saveName);
    // Servers are tested only when asked to, whatever AutoTest says.
    session.GetViews().SetAutoTestForSession(false);
    RunSearchToEnd(session, words);
    if (options.Has("--test") && !WasInterrupted())
        RunTestPassToEnd(session);
    if (options.Has("--check-files") && !WasInterrupted())
        CheckEveryFile(session);
    if (saveName)
        session.FinishSaving();
    PrintDone(session, json);
    return 0;
}

} // namespace velmora::cli
