#include "browse/list-lines.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>

#include "browse/listing-text.h"
#include "platform/ascii-case.h"

namespace velmora {

namespace {

// One blank-separated word of a line and where it starts.
struct Word {
    std::string_view text;
    std::size_t at = 0;
};

std::vector<Word> SplitWords(std::string_view line, std::size_t most)
{
    std::vector<Word> words;
    std::size_t at = 0;
    while (words.size() < most) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos)
            break;
        const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
        words.push_back({line.substr(at, end - at), at});
        at = end;
    }
    return words;
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

bool IsMonth(std::string_view text)
{
    static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                                 "jul", "aug", "sep", "oct", "nov", "dec"};
    const std::string lower = LowerAscii(text);
    return text.size() == 3 && std::find(kMonths.begin(), kMonths.end(), lower) != kMonths.end();
}

// "drwxr-xr-x", with one ACL or attribute mark after it at most.
bool IsPermissions(std::string_view text)
{
    if (text.size() < 10 || text.size() > 11 || std::string_view("-dlbcps").find(text[0]) == std::string_view::npos)
        return false;
    if (text.substr(1, 9).find_first_not_of("rwxsStTlL-") != std::string_view::npos)
        return false;
    return text.size() == 10 || std::string_view("+@.").find(text[10]) != std::string_view::npos;
}

// "12:00", "8:00" or "2025".
bool IsTimeOrYear(std::string_view text)
{
    if (text.size() == 4 && AllDigits(text))
        return true;
    const std::size_t colon = text.find(':');
    return (colon == 1 || colon == 2) && text.size() == colon + 3 && AllDigits(text.substr(0, colon)) &&
           AllDigits(text.substr(colon + 1));
}

// Only a link's target tells a folder from a file, and only by its look: a
// last segment without an extension ("12.0" is a version, "x.iso" a file)
// is taken for a folder.
bool LinkLooksLikeFolder(std::string_view target)
{
    if (target.ends_with('/'))
        return true;
    const std::size_t slash = target.rfind('/');
    const std::string_view last = target.substr(slash == std::string_view::npos ? 0 : slash + 1);
    const std::size_t dot = last.rfind('.');
    if (dot == std::string_view::npos)
        return true;
    const std::string_view extension = last.substr(dot + 1);
    return std::none_of(extension.begin(), extension.end(),
                        [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

std::optional<ListedEntry> ParseUnixLine(std::string_view line, std::int64_t now)
{
    const std::vector<Word> words = SplitWords(line, 9);
    if (words.empty() || !IsPermissions(words[0].text))
        return std::nullopt;
    // The size is the number before the month; owner, group and link count
    // may each be missing, so the date is looked for, not counted to.
    for (std::size_t m = 2; m + 2 < words.size(); ++m) {
        if (!IsMonth(words[m].text) || !AllDigits(words[m + 1].text) || words[m + 1].text.size() > 2 ||
            !IsTimeOrYear(words[m + 2].text) || !AllDigits(words[m - 1].text))
            continue;
        const std::size_t nameAt = words[m + 2].at + words[m + 2].text.size() + 1;
        if (nameAt >= line.size())
            return std::nullopt;
        ListedEntry entry;
        entry.name = std::string(line.substr(nameAt));
        const char kind = words[0].text[0];
        if (kind == 'l') {
            const std::size_t arrow = entry.name.find(" -> ");
            const std::string target = arrow == std::string::npos ? std::string() : entry.name.substr(arrow + 4);
            if (arrow != std::string::npos)
                entry.name.resize(arrow);
            entry.isDirectory = LinkLooksLikeFolder(target);
        } else {
            entry.isDirectory = kind == 'd';
            if (!entry.isDirectory)
                entry.size = ParseByteCount(words[m - 1].text);
        }
        const std::size_t dateEnd = words[m + 2].at + words[m + 2].text.size();
        entry.modified = ParseListTime(line.substr(words[m].at, dateEnd - words[m].at), now);
        return entry;
    }
    return std::nullopt;
}

// "02-01-26" or "02-01-2026", then "08:00AM" or "20:00".
std::optional<std::int64_t> ParseDosTime(std::string_view date, std::string_view time)
{
    if ((date.size() != 8 && date.size() != 10) || date[2] != '-' || date[5] != '-')
        return std::nullopt;
    const std::string_view half = time.size() == 7 ? time.substr(5) : std::string_view();
    const std::string_view clock = time.substr(0, 5);
    if (!(time.size() == 5 || time.size() == 7) || clock[2] != ':' || !AllDigits(clock.substr(0, 2)) ||
        !AllDigits(clock.substr(3)) || !AllDigits(date.substr(0, 2)) || !AllDigits(date.substr(3, 2)) ||
        !AllDigits(date.substr(6)))
        return std::nullopt;
    const std::string lowerHalf = LowerAscii(half);
    if (!half.empty() && lowerHalf != "am" && lowerHalf != "pm")
        return std::nullopt;
    int year = std::stoi(std::string(date.substr(6)));
    if (date.size() == 8)
        year += year < 70 ? 2000 : 1900;
    int hour = std::stoi(std::string(clock.substr(0, 2)));
    if (!half.empty())
        hour = hour % 12 + (lowerHalf == "pm" ? 12 : 0);
    return MakeUtcTime(year, std::stoi(std::string(date.substr(0, 2))), std::stoi(std::string(date.substr(3, 2))), hour,
                       std::stoi(std::string(clock.substr(3))), 0);
}

std::optional<ListedEntry> ParseDosLine(std::string_view line)
{
    const std::vector<Word> words = SplitWords(line, 4);
    if (words.size() < 4)
        return std::nullopt;
    const auto modified = ParseDosTime(words[0].text, words[1].text);
    const bool folder = LowerAscii(words[2].text) == "<dir>";
    if (!modified || (!folder && !AllDigits(words[2].text)))
        return std::nullopt;
    ListedEntry entry;
    entry.name = std::string(line.substr(words[3].at));
    entry.isDirectory = folder;
    entry.modified = modified;
    if (!folder)
        entry.size = ParseByteCount(words[2].text);
    return entry;
}

// Lines that say nothing about an entry and are not unreadable either.
bool IsPassedOver(std::string_view line)
{
    const std::vector<Word> words = SplitWords(line, 2);
    if (words.empty())
        return true;
    if (LowerAscii(words[0].text) == "total" && (words.size() == 1 || AllDigits(words[1].text)))
        return true;
    // Devices, pipes and sockets are readable, but no file to fetch.
    return IsPermissions(words[0].text) && std::string_view("bcps").find(words[0].text[0]) != std::string_view::npos;
}

} // namespace

ListLines ParseListLines(std::string_view text, std::int64_t now)
{
    ListLines listed;
    for (const std::string_view line : SplitListingLines(text)) {
        if (IsPassedOver(line))
            continue;
        std::optional<ListedEntry> entry = ParseUnixLine(line, now);
        if (!entry)
            entry = ParseDosLine(line);
        if (!entry) {
            ++listed.unreadable;
            continue;
        }
        if (IsListableName(entry->name))
            listed.entries.push_back(std::move(*entry));
    }
    return listed;
}

} // namespace velmora
