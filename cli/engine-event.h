#pragma once

#include <string>

namespace velmora {
struct EngineReport;
}

namespace velmora::cli {

// An engine's final report as the "engine" event of `search` and
// `engines check` writes it: one JSON line, or one aligned line for people.
std::string EngineEventJson(const std::string& engine, const EngineReport& report);
std::string EngineEventText(const std::string& engine, const EngineReport& report);

} // namespace velmora::cli
