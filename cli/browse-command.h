#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// velmora-cli browse [--json] [--depth N] [--max-files N] URL...
int RunBrowseCommand(const std::vector<std::string>& args);

} // namespace velmora::cli
