#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// `velmora-cli search [--json] WORDS...`: one search as the window runs it,
// in the current directory. Returns the exit status.
int RunSearchCommand(const std::vector<std::string>& args);

extern const char* const kSearchHelp;

} // namespace velmora::cli
