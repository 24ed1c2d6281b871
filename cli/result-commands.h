#pragma once

#include <string>
#include <vector>

namespace velmora::cli {

// `get URL`, `connect URL` and `copy URL`: one found link, taken in as a
// search takes it, acted on as the results tree's commands act.
int RunGetCommand(const std::vector<std::string>& args);
int RunConnectCommand(const std::vector<std::string>& args);
int RunCopyCommand(const std::vector<std::string>& args);

} // namespace velmora::cli
