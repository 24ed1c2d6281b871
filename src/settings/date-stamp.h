#pragma once

#include <string>

namespace velmora {

// The "Date" stamp: day, month and full year, each right-aligned in its
// width with blanks ("%2d%2d%4d"), so 6 December 2026 is " 6122026".
std::string FormatDateStamp(int day, int month, int year);

// The stamp of today's local date.
std::string MakeDateStamp();

} // namespace velmora
