#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// `velmora-cli links [--json] [FILE]`: the links a search worker would post
// for one result page. Returns the exit status.
int RunLinksCommand(const std::vector<std::string>& args);

extern const char* const kLinksHelp;

} // namespace velmora::cli
