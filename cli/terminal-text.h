#pragma once

#include <string>
#include <string_view>

namespace velmora::cli {

// Text from the web made safe to print on a terminal: control bytes (C0,
// DEL, and C1 whether written as UTF-8 or as lone bytes) and bytes that are
// not valid UTF-8 are shown escaped ("\x1b"), so a page cannot retitle the
// terminal or move its cursor. Valid UTF-8 text stays as it is.
std::string ForTerminal(std::string_view text);

} // namespace velmora::cli
