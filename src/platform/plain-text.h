#pragma once

#include <string>
#include <string_view>

namespace velmora {

// White space (blank, tab, CR, LF, VT, FF) dropped at both ends.
std::string TrimWhiteSpace(std::string_view text);

// The text without CR and LF, so it stays on one protocol or script line.
std::string RemoveLineBreaks(std::string_view text);

} // namespace velmora
