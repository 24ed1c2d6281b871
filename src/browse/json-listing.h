#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "browse/listed-entry.h"

namespace velmora {

// A JSON directory listing: an array with an object per entry, as nginx
// writes it (autoindex_format json: "name", "type" file or directory,
// "mtime" an HTTP date, "size") and Caddy does ("name" with a "/" for a
// folder, "is_dir", "mod_time" RFC 3339, "size"). At most `maxEntries`
// entries; a document nested deeper than a listing is, or no array of
// entries, gives nothing. Read without recursion, so no answer can exhaust
// the stack.
std::optional<std::vector<ListedEntry>> ParseJsonListing(std::string_view json, std::size_t maxEntries);

// Whether a page's first bytes open a JSON listing (an array).
bool LooksLikeJsonListing(std::string_view start);

} // namespace velmora
