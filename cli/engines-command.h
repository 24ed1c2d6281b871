#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// `engines check [--json] [WORDS...]`: every ticked engine once, and how
// each answered. Exit 0 when at least one found file links.
int RunEnginesCommand(const std::vector<std::string>& args);

} // namespace velmora::cli
