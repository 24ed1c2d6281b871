#pragma once

#include <compare>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The "Date" stamp: day, month and full year, each right-aligned in its
// width with blanks ("%2d%2d%4d"), so 6 December 2026 is " 6122026".
std::string FormatDateStamp(int day, int month, int year);

// The stamp of today's local date.
std::string MakeDateStamp();

// A stamp read back as a date: the last four characters are the year, the
// two before them the month, the rest the day (blanks around each field
// allowed). Empty when the text is no such date.
struct StampDate {
    int year = 0;
    int month = 0;
    int day = 0;
    auto operator<=>(const StampDate&) const = default;
};
std::optional<StampDate> ParseDateStamp(std::string_view stamp);

// True when stamp `offered` is later than `local`: compared as dates when
// both read as dates, otherwise as the integers the profile store reads
// (`offeredDefault` and `localDefault` standing in for a missing stamp).
bool IsLaterStamp(std::string_view offered, std::string_view local, int offeredDefault = 1, int localDefault = 0);

} // namespace velmora
