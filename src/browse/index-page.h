#pragma once

#include <cstdint>
#include <memory>
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
    // Where the page itself stands, when not at `directory` ("/pub/" for a
    // page served at /pub/name): its relative links are resolved from here.
    std::string base;
};

// The entries of a directory index page (nginx, Apache and lighttpd
// autoindex, or a plain list of links), read as a stream with libxml2's HTML
// push parser: every link that names a direct child of the directory, on the
// same server, decoded; a link ending in "/" is a subdirectory. Sort links
// ("?C=M;O=A"), the parent link and anything elsewhere are left out. Sizes
// are taken where the page gives them in bytes, dates where it gives them.
// No document tree is built: the page is read piece by piece as it arrives
// and only the entries are kept, so a page of millions of links costs what
// its entries cost.
class IndexPageReader {
public:
    // At most `maxEntries` entries are taken; the reader is full after that.
    IndexPageReader(IndexPlace place, std::size_t maxEntries = SIZE_MAX);
    ~IndexPageReader();
    IndexPageReader(const IndexPageReader&) = delete;
    IndexPageReader& operator=(const IndexPageReader&) = delete;

    // Reads the next piece of the page; false once the reader is full (or
    // failed), when the rest of the page is not wanted.
    bool Feed(std::string_view piece);
    // Ends the page and hands over what it named.
    std::vector<ListedEntry> Finish();
    bool IsFull() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

// A whole page at once.
std::vector<ListedEntry> ParseIndexPage(std::string_view html, const IndexPlace& place);

// Readies libxml2; call once before workers parse (the first parse does it
// too).
void InitializeHtmlParser();

} // namespace velmora
