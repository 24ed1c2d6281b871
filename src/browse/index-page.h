#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "browse/listed-entry.h"

namespace velmora {

// Where an index page stands: its server (scheme, host and port, as the
// page's own links would write them) and its directory path ("/pub/",
// decoded).
struct IndexPlace {
    std::string scheme; // "http" or "https"
    std::string host;   // lowercase
    std::uint16_t port = 0;
    std::string directory;
};

// The entries of a directory index page (nginx, Apache and lighttpd
// autoindex, or a plain list of links), read with libxml2's HTML parser:
// every link that names a direct child of the directory, on the same
// server, decoded; a link ending in "/" is a subdirectory. Sort links
// ("?C=M;O=A"), the parent link and anything elsewhere are left out. Sizes
// are taken where the page gives them in bytes, dates where it gives them.
std::vector<ListedEntry> ParseIndexPage(std::string_view html, const IndexPlace& place);

// Readies libxml2; call once before workers parse (the first parse does it
// too).
void InitializeHtmlParser();

} // namespace velmora
