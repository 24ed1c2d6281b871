#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "browse/listed-entry.h"

namespace velmora {

// An S3-style bucket listing (ListBucketResult): its keys and common
// prefixes under `prefix` ("" or "music/live/"), as the entries of that
// folder. A key deeper down (a listing asked without a delimiter) stands
// for the folder it lies in, each once. Nothing when the text is no such
// listing.
std::optional<std::vector<ListedEntry>> ParseBucketListing(std::string_view xml, std::string_view prefix);

// Whether a page's first bytes open a bucket listing (an XHTML index page,
// which may open with "<?xml" too, does not).
bool LooksLikeBucketListing(std::string_view start);

// "2026-12-07T12:00:00.000Z" as seconds since 1970.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

} // namespace velmora
