#include "platform/http-date.h"

#include <ctime>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

// `count` digits at `at`, or nothing.
std::optional<int> Number(std::string_view text, std::size_t at, std::size_t count)
{
    if (at > text.size() || text.size() - at < count)
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::optional<std::int64_t> ParseHttpDate(std::string_view text)
{
    // "Wed, " then "21 Oct 2026 07:28:00 GMT".
    const std::size_t comma = text.find(", ");
    if (comma == std::string_view::npos || comma > 9)
        return std::nullopt;
    const std::string_view date = text.substr(comma + 2);
    static constexpr std::string_view kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    if (date.size() < 24 || date[2] != ' ' || date[6] != ' ' || date[11] != ' ' || date[14] != ':' || date[17] != ':' ||
        date.substr(20, 4) != " GMT")
        return std::nullopt;
    int month = 0;
    while (month < 12 && !EqualsNoCase(date.substr(3, 3), kMonths[month]))
        ++month;
    const auto day = Number(date, 0, 2);
    const auto year = Number(date, 7, 4);
    const auto hour = Number(date, 12, 2);
    const auto minute = Number(date, 15, 2);
    const auto second = Number(date, 18, 2);
    if (month == 12 || !day || !year || !hour || !minute || !second || *day < 1 || *day > 31 || *year < 1970 ||
        *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = *year - 1900;
    parts.tm_mon = month;
    parts.tm_mday = *day;
    parts.tm_hour = *hour;
    parts.tm_min = *minute;
    parts.tm_sec = *second;
    return static_cast<std::int64_t>(::timegm(&parts));
}

} // namespace velmora
