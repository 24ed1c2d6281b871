#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// velmora-cli searches [--json]: the saved searches, newest first.
int RunSearchesCommand(const std::vector<std::string>& args);
// velmora-cli export [--search NAME] --format F [--only-good] [--new] [-o FILE]
int RunExportCommand(const std::vector<std::string>& args);

} // namespace velmora::cli
