#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// `update version|engines|clients [--json] [--merge NAME...] [--merge-preselected]`.
int RunUpdateCommand(const std::vector<std::string>& args);

} // namespace velmora::cli
