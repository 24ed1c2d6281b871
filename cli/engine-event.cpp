#include "engine-event.h"

#include "json-writer.h"
#include "search/engine-health.h"
#include "terminal-text.h"

namespace velmora::cli {

namespace {

// "scanned" when the page was read and scanned, whatever it held.
const char* MarkName(const EngineReport& report)
{
    return report.scanned ? "scanned" : "failed";
}

} // namespace

std::string EngineEventJson(const std::string& engine, const EngineReport& report)
{
    JsonObject object;
    object.Add("event", "engine").Add("engine", engine).Add("mark", MarkName(report));
    object.Add("links", std::int64_t{report.scanned ? report.links : 0}).Add("health", HealthName(report.health));
    object.Add("status", static_cast<std::int64_t>(report.status)).Add("anchors", std::int64_t{report.anchors});
    if (report.pagesAsked > 1)
        object.Add("pages", std::int64_t{report.pages});
    return object.Add("ms", static_cast<std::int64_t>(report.ms)).Add("reason", report.reason).Text();
}

std::string EngineEventText(const std::string& engine, const EngineReport& report)
{
    const std::string health = HealthName(report.health);
    return "engine  " + ForTerminal(engine) + "  " + health + "  " + std::to_string(report.links) + " links  " +
           std::to_string(report.ms) + " ms  " + ForTerminal(report.reason);
}

} // namespace velmora::cli
