#pragma once

#include <string>
#include <string_view>

namespace velmora {

// True when a link names a file that is not a web page: its last segment
// has a dot, it has a path and no query, and it is no .htm(l), .shtml,
// .cgi, .php or .asp address.
bool IsFileLink(std::string_view link);

// Anchor text without tags, tabs and line breaks, trimmed, with runs of
// blanks folded to one. Entities stay as written.
std::string CleanLinkText(std::string_view text);
// The same, appended to `out` (what `out` held stays as it was).
void AppendCleanLinkText(std::string& out, std::string_view text);

} // namespace velmora
