#include "engines-command.h"

#include <cstdio>
#include <iostream>

#include "app/search-session.h"
#include "engine-event.h"
#include "json-writer.h"
#include "options.h"
#include "platform/paths.h"
#include "search/engine-health.h"
#include "session-loop.h"
#include "terminal-text.h"

namespace velmora::cli {

namespace {

const char* const kEnginesHelp = "Usage: velmora-cli engines check [--json] [WORDS...]\n"
                                 "\n"
                                 "Runs every engine ticked in ./settings.dat once with WORDS (\"manual pdf\" when\n"
                                 "none are given) and tells how each answered: file links found, no file links,\n"
                                 "blocked, a challenge page, an error, no answer. This is how to check that an\n"
                                 "engine still gives file links. Exit 0 when at least one engine found file\n"
                                 "links, 1 otherwise.\n"
                                 "\n"
                                 "  --json   one \"engine\" event per engine, as `search --json` writes them, then\n"
                                 "           {\"event\":\"done\",\"engines\":N,\"healthy\":K}\n";

constexpr const char* kDefaultWords = "manual pdf";

struct Checked {
    std::string engine;
    EngineReport report;
};

class EngineChecker : public SessionObserver {
public:
    explicit EngineChecker(bool json) : m_json(json) {}

    void EngineReported(const std::string& engine, ItemState, const EngineReport& report) override
    {
        if (m_json)
            WriteLine(EngineEventJson(engine, report));
        m_checked.push_back({engine, report});
    }

    const std::vector<Checked>& GetChecked() const { return m_checked; }

private:
    bool m_json;
    std::vector<Checked> m_checked;
};

std::string Padded(std::string text, std::size_t width)
{
    if (text.size() < width)
        text.append(width - text.size(), ' ');
    return text;
}

void PrintTable(const std::vector<Checked>& checked)
{
    std::size_t width = 6;
    for (const Checked& one : checked)
        width = std::max(width, ForTerminal(one.engine).size());
    WriteLine(Padded("engine", width) + "  " + Padded("health", 13) + "  links  " + Padded("time", 8) + "  reason");
    for (const Checked& one : checked) {
        const EngineReport& report = one.report;
        WriteLine(Padded(ForTerminal(one.engine), width) + "  " + Padded(HealthName(report.health), 13) + "  " +
                  Padded(std::to_string(report.links), 5) + "  " + Padded(std::to_string(report.ms) + " ms", 8) + "  " +
                  ForTerminal(report.reason));
    }
}

} // namespace

int RunEnginesCommand(const std::vector<std::string>& args)
{
    const Options options = ParseOptions(args, {"--json"});
    if (const int status = HandleHelpOrError(options, "engines", kEnginesHelp); status >= 0)
        return status;
    if (options.positional.empty() || options.positional.front() != "check") {
        std::cerr << "velmora-cli engines: say check\n" << kEnginesHelp;
        return 2;
    }
    const bool json = options.Has("--json");
    std::string words;
    for (std::size_t i = 1; i < options.positional.size(); ++i)
        words += (words.empty() ? "" : " ") + options.positional[i];
    if (words.empty())
        words = kDefaultWords;

    CatchInterrupt();
    SearchSession session(GetWorkingDirectory());
    EngineChecker checker(json);
    session.SetObserver(&checker);
    session.Initialize();
    session.GetViews().SetAutoTestForSession(false);
    RunSearchToEnd(session, words);

    const auto& checked = checker.GetChecked();
    std::int64_t healthy = 0;
    for (const Checked& one : checked)
        healthy += one.report.health == EngineHealth::Links ? 1 : 0;
    const auto engines = static_cast<std::int64_t>(checked.size());
    if (json) {
        WriteLine(JsonObject().Add("event", "done").Add("engines", engines).Add("healthy", healthy).Text());
    } else {
        PrintTable(checked);
        WriteLine(std::to_string(healthy) + " of " + std::to_string(engines) + " engines found file links");
    }
    return healthy > 0 ? 0 : 1;
}

} // namespace velmora::cli
