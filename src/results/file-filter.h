#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace velmora {

// What a file must be to be shown or exported: its name ending in one of
// the extensions, its size within the bounds, modified on or after a day.
// A file whose size or date is unknown fails a bound on it.
struct FileFilter {
    std::vector<std::string> extensions;  // lower case, without the first dot
    std::optional<std::uint64_t> minSize; // bytes, inclusive
    std::optional<std::uint64_t> maxSize; // bytes, inclusive
    std::optional<std::int64_t> since;    // seconds since 1970: a day's midnight, UTC

    bool IsEmpty() const { return extensions.empty() && !minSize && !maxSize && !since; }
    bool Matches(std::string_view name, std::optional<std::uint64_t> size, std::optional<std::int64_t> modified) const;
};

// "700", "100K", "1.5M", "2G": bytes, or binary kilo-, mega- or gigabytes.
std::optional<std::uint64_t> ParseFileSize(std::string_view text);
// "2025-01-01": that day's midnight, UTC.
std::optional<std::int64_t> ParseFilterDate(std::string_view text);
// "iso,IMG,.tar.gz": each extension lower case without its dot; nothing
// when the list names none.
std::optional<std::vector<std::string>> ParseExtensions(std::string_view list);

// What the results' filter box asks for: the filter its words set
// ("ext:iso,img", "size>100M", "size<2G", "since:2025-01-01") and the
// rest, the words a name must hold.
struct FilterWords {
    FileFilter filter;
    std::string names;
};
// A word that is a filter's but does not read as one fails, saying which.
Result<FilterWords> ParseFilterWords(std::string_view text);

} // namespace velmora
