#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "browse/listed-entry.h"

namespace velmora {

// The lines of a listing, without their line ends ("\n" or "\r\n").
std::vector<std::string_view> SplitListingLines(std::string_view text);

// An MLSD answer ("type=file;size=12;modify=20261207120000; name" lines),
// "cdir" and "pdir" left out.
std::vector<ListedEntry> ParseMlsd(std::string_view text);

// "20261207120000" or "20261207120000.123" (UTC) as seconds since 1970.
std::optional<std::int64_t> ParseMlsdTime(std::string_view text);

// The date column of a LIST line: "Dec  7 12:00" (within the year before
// `now`), "Dec  7  2025", or the DOS form "12-07-25  12:00PM".
std::optional<std::int64_t> ParseListTime(std::string_view text, std::int64_t now);

// A date in an index page's text: "07-Dec-2026 12:00" (nginx), "2026-12-07
// 12:00" (Apache), "2026-Dec-07 12:00:00" (lighttpd). `end` gets the
// offset just past it.
std::optional<std::int64_t> FindIndexDate(std::string_view text, std::size_t* end = nullptr);

// A count of bytes in digits; nothing for anything else or past 2^64.
std::optional<std::uint64_t> ParseByteCount(std::string_view text);

// A size an index page rounded: "2.3K", "1.0M", "4.7 GB", "800 KiB" (1024
// to the unit), as bytes; nothing for anything else.
std::optional<std::uint64_t> ParseRoundedSize(std::string_view text);

// An ISO 8601 / RFC 3339 time as S3 and Caddy write it
// ("2026-12-07T12:00:00.000Z", "2026-12-07T13:00:00.5+01:00") as seconds
// since 1970; a time without an offset is taken as UTC.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// Seconds since 1970 for a UTC date and time; nothing when out of range.
std::optional<std::int64_t> MakeUtcTime(int year, int month, int day, int hour, int minute, int second);

} // namespace velmora
