#pragma once

#include <string>

namespace velmora {

// The process's current directory; empty when it cannot be read.
std::string GetWorkingDirectory();

// Directory, one "/" and the name, joined as is: the program never checks
// whether the directory already ends in a separator.
std::string JoinPath(const std::string& directory, const std::string& name);

} // namespace velmora
