#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "browse/listed-entry.h"

namespace velmora {

// A LIST answer read line by line, as servers write it: Unix `ls -l` (with
// or without the link count, owner or group; an ACL or attribute mark after
// the permissions; sizes up to 2^64-1; "Feb  1  8:00" or a year; the name
// is everything after the single blank that follows the time or year;
// "name -> target" links) and DOS/IIS ("02-01-26  08:00AM  <DIR>  name",
// 12- and 24-hour, two- or four-digit years). A line that fits neither is
// left out and counted; "total N", blank lines and devices are passed over.
struct ListLines {
    std::vector<ListedEntry> entries;
    std::size_t unreadable = 0;
};
ListLines ParseListLines(std::string_view text, std::int64_t now);

} // namespace velmora
