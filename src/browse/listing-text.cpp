#include "browse/listing-text.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <ctime>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

constexpr const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun", "jul", "aug", "sep", "oct", "nov", "dec"};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number of `count` digits at `at`, or nothing.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t count)
{
    if (at + count > text.size())
        return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (!IsDigit(text[i]))
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "Dec" (any case) at `at` as 1 to 12.
std::optional<int> Month(std::string_view text, std::size_t at)
{
    if (at + 3 > text.size())
        return std::nullopt;
    const std::string name = LowerAscii(text.substr(at, 3));
    for (int i = 0; i < 12; ++i) {
        if (name == kMonths[i])
            return i + 1;
    }
    return std::nullopt;
}

} // namespace

std::optional<std::uint64_t> ParseByteCount(std::string_view text)
{
    if (text.empty() || text.size() > 20)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c))
            return std::nullopt;
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

bool IsListableName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

std::optional<std::int64_t> MakeUtcTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1970 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
        minute < 0 || minute > 59 || second < 0 || second > 60)
        return std::nullopt;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return static_cast<std::int64_t>(::timegm(&parts));
}

namespace {

// A UTC time whose year (four digits) and month, day, hour, minute and
// second (two each) stand at these places of the text.
std::optional<std::int64_t> UtcTimeAt(std::string_view text, const std::array<std::size_t, 6>& at)
{
    std::array<int, 6> parts{};
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const auto part = Digits(text, at[i], i == 0 ? 4 : 2);
        if (!part)
            return std::nullopt;
        parts[i] = *part;
    }
    return MakeUtcTime(parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]);
}

} // namespace

std::optional<std::int64_t> ParseMlsdTime(std::string_view text)
{
    if (text.size() > 14 && text[14] != '.')
        return std::nullopt;
    return UtcTimeAt(text, {0, 4, 6, 8, 10, 12});
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text)
{
    if (text.size() < 19 || text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const auto utc = UtcTimeAt(text, {0, 5, 8, 11, 14, 17});
    // Fractions of a second are dropped; "+01:00" means an hour ahead of UTC.
    std::size_t at = 19;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && IsDigit(text[at]))
            ++at;
    }
    const std::string_view zone = text.substr(at);
    if (!utc || zone.empty() || zone == "Z" || zone == "z")
        return utc;
    const auto zoneHours = Digits(zone, 1, 2);
    const auto zoneMinutes = Digits(zone, 4, 2);
    if (zone.size() != 6 || (zone[0] != '+' && zone[0] != '-') || zone[3] != ':' || !zoneHours || !zoneMinutes)
        return std::nullopt;
    const std::int64_t offset = (*zoneHours * 60 + *zoneMinutes) * 60;
    const std::int64_t when = zone[0] == '+' ? *utc - offset : *utc + offset;
    // Within the years MakeUtcTime takes, whatever the offset.
    if (when < 0 || when > *MakeUtcTime(9999, 12, 31, 23, 59, 59))
        return std::nullopt;
    return when;
}

std::vector<std::string_view> SplitListingLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        at = end + 1;
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        lines.push_back(line);
    }
    return lines;
}

std::vector<ListedEntry> ParseMlsd(std::string_view text)
{
    std::vector<ListedEntry> entries;
    for (const std::string_view line : SplitListingLines(text)) {
        // Facts, then one blank, then the name (which may hold blanks).
        const std::size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            continue;
        ListedEntry entry;
        entry.name = std::string(line.substr(blank + 1));
        std::string type;
        std::string_view facts = line.substr(0, blank);
        while (!facts.empty()) {
            const std::size_t semicolon = facts.find(';');
            const std::string_view fact = facts.substr(0, semicolon);
            facts = semicolon == std::string_view::npos ? std::string_view() : facts.substr(semicolon + 1);
            const std::size_t equals = fact.find('=');
            if (equals == std::string_view::npos)
                continue;
            const std::string key = LowerAscii(fact.substr(0, equals));
            const std::string_view value = fact.substr(equals + 1);
            if (key == "type") {
                type = LowerAscii(value);
            } else if (key == "size") {
                entry.size = ParseByteCount(value);
            } else if (key == "modify") {
                entry.modified = ParseMlsdTime(value);
            }
        }
        if (type == "cdir" || type == "pdir" || !IsListableName(entry.name))
            continue;
        // "OS.unix=slink:/x" and the like count as files only when they say so.
        entry.isDirectory = type == "dir";
        if (!entry.isDirectory && type != "file")
            continue;
        if (entry.isDirectory)
            entry.size.reset();
        entries.push_back(std::move(entry));
    }
    return entries;
}

namespace {

// "Dec 7 12:00", "Dec 7 8:00" or "Dec 7 2025" with blanks collapsed, from
// its day on; the month is read.
std::optional<std::int64_t> ParseUnixListTime(std::string_view compact, int month, std::int64_t now)
{
    std::size_t at = 4;
    int day = 0;
    // Two digits at most: a longer run is no day (and would overflow).
    const std::size_t dayStart = at;
    while (at < compact.size() && IsDigit(compact[at]) && at - dayStart < 2)
        day = day * 10 + (compact[at++] - '0');
    if (at == dayStart || at >= compact.size() || compact[at] != ' ')
        return std::nullopt;
    const std::string_view given = compact.substr(at + 1);
    // "8:00": a one-digit hour.
    const std::string padded = given.size() == 4 && given[1] == ':' ? "0" + std::string(given) : std::string();
    const std::string_view rest = padded.empty() ? given : std::string_view(padded);
    if (rest.size() == 4) {
        const auto year = Digits(rest, 0, 4);
        return year ? MakeUtcTime(*year, month, day, 0, 0, 0) : std::nullopt;
    }
    const auto hour = Digits(rest, 0, 2);
    const auto minute = Digits(rest, 3, 2);
    if (rest.size() != 5 || rest[2] != ':' || !hour || !minute)
        return std::nullopt;
    // No year: the most recent such date not after tomorrow.
    std::time_t nowTime = static_cast<std::time_t>(now);
    std::tm today{};
    ::gmtime_r(&nowTime, &today);
    const int year = today.tm_year + 1900;
    const auto thisYear = MakeUtcTime(year, month, day, *hour, *minute, 0);
    if (thisYear && *thisYear <= now + 86400)
        return thisYear;
    return MakeUtcTime(year - 1, month, day, *hour, *minute, 0);
}

// DOS: "12-07-25 12:00PM".
std::optional<std::int64_t> ParseDosListTime(std::string_view compact)
{
    const auto month = Digits(compact, 0, 2);
    const auto day = Digits(compact, 3, 2);
    const auto year = Digits(compact, 6, 2);
    const auto hour = Digits(compact, 9, 2);
    const auto minute = Digits(compact, 12, 2);
    if (!month || !day || !year || !hour || !minute || compact.size() != 16 || compact[2] != '-' || compact[5] != '-' ||
        compact[8] != ' ' || compact[11] != ':')
        return std::nullopt;
    const std::string half = LowerAscii(compact.substr(14));
    if (half != "am" && half != "pm")
        return std::nullopt;
    const int hour24 = (*hour % 12) + (half == "pm" ? 12 : 0);
    return MakeUtcTime(*year < 70 ? 2000 + *year : 1900 + *year, *month, *day, hour24, *minute, 0);
}

} // namespace

std::optional<std::int64_t> ParseListTime(std::string_view text, std::int64_t now)
{
    // Blanks collapse: "Dec  7 12:00" and "Dec 7 12:00" alike.
    std::string compact;
    for (char c : text) {
        if (c != ' ' || (!compact.empty() && compact.back() != ' '))
            compact += c;
    }
    while (!compact.empty() && compact.back() == ' ')
        compact.pop_back();
    if (const auto month = Month(compact, 0); month && compact.size() > 4 && compact[3] == ' ')
        return ParseUnixListTime(compact, *month, now);
    return ParseDosListTime(compact);
}

std::optional<std::uint64_t> ParseRoundedSize(std::string_view text)
{
    std::size_t at = 0;
    std::uint64_t whole = 0;
    while (at < text.size() && IsDigit(text[at]) && at < 12)
        whole = whole * 10 + static_cast<std::uint64_t>(text[at++] - '0');
    if (at == 0)
        return std::nullopt;
    double value = static_cast<double>(whole);
    if (at < text.size() && text[at] == '.') {
        double scale = 0.1;
        const std::size_t fraction = ++at;
        while (at < text.size() && IsDigit(text[at]) && at - fraction < 3) {
            value += (text[at++] - '0') * scale;
            scale /= 10;
        }
        if (at == fraction)
            return std::nullopt;
    }
    if (at < text.size() && text[at] == ' ')
        ++at;
    const std::string unit = LowerAscii(text.substr(at));
    static constexpr std::pair<const char*, int> kUnits[] = {{"k", 1},   {"kb", 1},  {"kib", 1}, {"m", 2},    {"mb", 2},
                                                             {"mib", 2}, {"g", 3},   {"gb", 3},  {"gib", 3},  {"t", 4},
                                                             {"tb", 4},  {"tib", 4}, {"b", 0},   {"bytes", 0}};
    for (const auto& [name, power] : kUnits) {
        if (unit == name) {
            for (int i = 0; i < power; ++i)
                value *= 1024;
            return static_cast<std::uint64_t>(value + 0.5);
        }
    }
    return std::nullopt;
}

namespace {

// The day of an index page's date that starts at `at`, and where its time
// starts: "07-Dec-2026 ", "2026-Dec-07 " or "2026-12-07 ". The caller
// leaves 16 characters from `at`.
struct IndexDay {
    int year = 0;
    int month = 0;
    int day = 0;
    std::size_t time = 0;
};

std::optional<IndexDay> ReadIndexDay(std::string_view text, std::size_t at)
{
    std::optional<int> month;
    if (IsDigit(text[at + 1]) && text[at + 2] == '-' && (month = Month(text, at + 3)) && text[at + 6] == '-') {
        // 07-Dec-2026 12:00
        const auto year = Digits(text, at + 7, 4);
        if (!year)
            return std::nullopt;
        return IndexDay{*year, *month, *Digits(text, at, 2), at + 12};
    }
    const auto year = Digits(text, at, 4);
    if (!year || text[at + 4] != '-')
        return std::nullopt;
    if ((month = Month(text, at + 5)) && text[at + 8] == '-') {
        // 2026-Dec-07 12:00:00
        if (const auto day = Digits(text, at + 9, 2))
            return IndexDay{*year, *month, *day, at + 12};
    } else if ((month = Digits(text, at + 5, 2)) && text[at + 7] == '-') {
        // 2026-12-07 12:00
        if (const auto day = Digits(text, at + 8, 2))
            return IndexDay{*year, *month, *day, at + 11};
    }
    return std::nullopt;
}

} // namespace

std::optional<std::int64_t> FindIndexDate(std::string_view text, std::size_t* end)
{
    for (std::size_t at = 0; at + 16 <= text.size(); ++at) {
        if (!IsDigit(text[at]) || (at > 0 && IsDigit(text[at - 1])))
            continue;
        const auto date = ReadIndexDay(text, at);
        if (!date)
            continue;
        const std::size_t time = date->time;
        if (time + 5 > text.size() || text[time - 1] != ' ')
            continue;
        const auto hour = Digits(text, time, 2);
        const auto minute = Digits(text, time + 3, 2);
        if (!hour || !minute || text[time + 2] != ':')
            continue;
        std::size_t after = time + 5;
        int second = 0;
        if (after + 3 <= text.size() && text[after] == ':' && Digits(text, after + 1, 2)) {
            second = *Digits(text, after + 1, 2);
            after += 3;
        }
        const auto when = MakeUtcTime(date->year, date->month, date->day, *hour, *minute, second);
        if (!when)
            continue;
        if (end)
            *end = after;
        return when;
    }
    return std::nullopt;
}

} // namespace velmora
