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
// listing. When the listing is one page of more (IsTruncated), `nextMarker`
// gets the marker the next page is asked with: NextMarker, else the last
// key or prefix, as S3 documents.
std::optional<std::vector<ListedEntry>> ParseBucketListing(std::string_view xml, std::string_view prefix,
                                                           std::string* nextMarker = nullptr);

// Whether a page's first bytes open a bucket listing (an XHTML index page,
// which may open with "<?xml" too, does not).
bool LooksLikeBucketListing(std::string_view start);

} // namespace velmora
