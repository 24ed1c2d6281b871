#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// One name a directory listing gave: a file or a subdirectory, with its size
// and modification time when the listing tells them.
struct ListedEntry {
    std::string name; // decoded, one path segment
    bool isDirectory = false;
    std::optional<std::uint64_t> size;
    bool sizeApproximate = false;         // the listing wrote "2.3K", "4.7 GB"
    std::optional<std::int64_t> modified; // seconds since 1970 (UTC)
    // The listing did not tell a folder from a file (a link without "/",
    // mark, size or extension): taken as a file unless the server, asked,
    // shows a folder.
    bool kindUnknown = false;
};

// A name a listing may hand on: one segment, not "." or "..", no control
// byte, no "/" (a hostile listing must not lead out of its directory).
bool IsListableName(const std::string& name);

} // namespace velmora
