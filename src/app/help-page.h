#pragma once

#include <string>

namespace velmora {

inline constexpr const char* kHelpPageName = "documentation.html";

// The help page: in the working folder first, then where the program is
// installed (share/velmora beside bin/), then in the source tree the program
// was built from. Empty when there is none.
std::string FindHelpPage(const std::string& workingDirectory);

} // namespace velmora
