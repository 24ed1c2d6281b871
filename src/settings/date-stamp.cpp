#include "settings/date-stamp.h"

#include <cstdio>
#include <ctime>

#include "settings/profile-file.h"
#include "settings/profile-store.h"

namespace velmora {

std::string FormatDateStamp(int day, int month, int year)
{
    char text[40];
    std::snprintf(text, sizeof text, "%2d%2d%4d", day, month, year);
    return text;
}

std::string MakeDateStamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatDateStamp(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
}

namespace {

std::optional<int> ReadField(std::string_view text)
{
    text = TrimBlanks(text);
    if (text.empty() || text.size() > 4)
        return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<StampDate> ParseDateStamp(std::string_view stamp)
{
    stamp = TrimBlanks(stamp);
    if (stamp.size() < 6 || stamp.size() > 8)
        return std::nullopt;
    const auto year = ReadField(stamp.substr(stamp.size() - 4));
    const auto month = ReadField(stamp.substr(stamp.size() - 6, 2));
    const auto day = ReadField(stamp.substr(0, stamp.size() - 6));
    if (!year || !month || !day || *year < 1000 || *month < 1 || *month > 12 || *day < 1 || *day > 31)
        return std::nullopt;
    return StampDate{*year, *month, *day};
}

bool IsLaterStamp(std::string_view offered, std::string_view local, int offeredDefault, int localDefault)
{
    const auto offeredDate = ParseDateStamp(offered);
    const auto localDate = ParseDateStamp(local);
    if (offeredDate && localDate)
        return *offeredDate > *localDate;
    const int offeredValue = TrimBlanks(offered).empty() ? offeredDefault : ParseProfileInt(offered);
    const int localValue = TrimBlanks(local).empty() ? localDefault : ParseProfileInt(local);
    return offeredValue > localValue;
}

} // namespace velmora
