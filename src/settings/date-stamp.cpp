#include "settings/date-stamp.h"

#include <cstdio>
#include <ctime>

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

} // namespace velmora
