#include "results/file-filter.h"

#include <cmath>
#include <ctime>
#include <limits>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

bool EndsWithNoCase(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && EqualsNoCase(text.substr(text.size() - tail.size()), tail);
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number of `text` (digits with one optional fraction), or nothing.
std::optional<double> ParseNumber(std::string_view text)
{
    if (text.empty() || text.size() > 20 || !IsDigit(text.front()) || !IsDigit(text.back()))
        return std::nullopt;
    double value = 0;
    double scale = 0; // after the point: the place of the next digit
    for (const char c : text) {
        if (c == '.' && scale == 0) {
            scale = 0.1;
        } else if (IsDigit(c)) {
            if (scale == 0) {
                value = value * 10 + (c - '0');
            } else {
                value += (c - '0') * scale;
                scale /= 10;
            }
        } else {
            return std::nullopt;
        }
    }
    return value;
}

Failure NotAFilter(std::string_view word, const char* expected)
{
    return {"\"" + std::string(word) + "\" is not understood: " + expected + "."};
}

} // namespace

bool FileFilter::Matches(std::string_view name, std::optional<std::uint64_t> size,
                         std::optional<std::int64_t> modified) const
{
    if (!extensions.empty()) {
        bool named = false;
        for (const std::string& extension : extensions)
            named = named || EndsWithNoCase(name, "." + extension);
        if (!named)
            return false;
    }
    if ((minSize || maxSize) && !size)
        return false;
    if ((minSize && *size < *minSize) || (maxSize && *size > *maxSize))
        return false;
    return !since || (modified && *modified >= *since);
}

std::optional<std::uint64_t> ParseFileSize(std::string_view text)
{
    double unit = 1;
    if (!text.empty()) {
        switch (LowerAscii(text.back())) {
        case 'k':
            unit = 1024.0;
            break;
        case 'm':
            unit = 1024.0 * 1024;
            break;
        case 'g':
            unit = 1024.0 * 1024 * 1024;
            break;
        default:
            break;
        }
        if (unit != 1)
            text.remove_suffix(1);
    }
    const std::optional<double> number = ParseNumber(text);
    if (!number)
        return std::nullopt;
    const double bytes = std::floor(*number * unit);
    if (bytes >= static_cast<double>(std::numeric_limits<std::int64_t>::max()))
        return std::nullopt;
    return static_cast<std::uint64_t>(bytes);
}

std::optional<std::int64_t> ParseFilterDate(std::string_view text)
{
    // YYYY-MM-DD exactly, a real day of the calendar.
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return std::nullopt;
    for (const std::size_t at : {0u, 1u, 2u, 3u, 5u, 6u, 8u, 9u}) {
        if (!IsDigit(text[at]))
            return std::nullopt;
    }
    const auto number = [&](std::size_t at, std::size_t length) {
        int value = 0;
        for (std::size_t i = at; i < at + length; ++i)
            value = value * 10 + (text[i] - '0');
        return value;
    };
    std::tm parts{};
    parts.tm_year = number(0, 4) - 1900;
    parts.tm_mon = number(5, 2) - 1;
    parts.tm_mday = number(8, 2);
    const int year = parts.tm_year;
    const int month = parts.tm_mon;
    const int day = parts.tm_mday;
    const std::time_t midnight = ::timegm(&parts);
    // timegm carries a 31st of April into May: such a day is not one.
    if (parts.tm_year != year || parts.tm_mon != month || parts.tm_mday != day)
        return std::nullopt;
    return static_cast<std::int64_t>(midnight);
}

std::optional<std::vector<std::string>> ParseExtensions(std::string_view list)
{
    std::vector<std::string> extensions;
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        std::string_view one = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
        while (one.starts_with('.'))
            one.remove_prefix(1);
        if (!one.empty() && one.find_first_of("/ \t") == std::string_view::npos)
            extensions.push_back(LowerAscii(one));
    }
    if (extensions.empty())
        return std::nullopt;
    return extensions;
}

namespace {

// "size>N", "size>=N", "size<N" or "size<=N" into the filter's bounds.
Result<void> TakeSizeWord(std::string_view word, FileFilter& filter)
{
    const bool above = word[4] == '>';
    const bool orEqual = word.size() > 6 && word[5] == '=';
    const auto size = ParseFileSize(word.substr(orEqual ? 6 : 5));
    if (!size)
        return NotAFilter(word, "a size reads as 700, 100K, 1.5M or 2G");
    if (above) {
        filter.minSize = orEqual ? *size : *size + 1;
    } else if (*size == 0 && !orEqual) {
        // Nothing is smaller than nothing.
        filter.minSize = 1;
        filter.maxSize = 0;
    } else {
        filter.maxSize = orEqual ? *size : *size - 1;
    }
    return {};
}

// Takes one word into the filter: false for a word that is no filter's (a
// name word), a failure for one that is but does not read.
Result<bool> TakeFilterWord(std::string_view word, FileFilter& filter)
{
    if (word.size() > 4 && EqualsNoCase(word.substr(0, 4), "ext:")) {
        auto extensions = ParseExtensions(word.substr(4));
        if (!extensions)
            return NotAFilter(word, "ext: takes extensions, as in ext:iso,img");
        filter.extensions.insert(filter.extensions.end(), extensions->begin(), extensions->end());
        return true;
    }
    if (word.size() > 5 && EqualsNoCase(word.substr(0, 4), "size") && (word[4] == '>' || word[4] == '<')) {
        if (Result<void> taken = TakeSizeWord(word, filter); !taken)
            return taken.Error();
        return true;
    }
    if (word.size() > 6 && EqualsNoCase(word.substr(0, 6), "since:")) {
        const auto day = ParseFilterDate(word.substr(6));
        if (!day)
            return NotAFilter(word, "since: takes a day, as in since:2025-01-01");
        filter.since = *day;
        return true;
    }
    return false;
}

} // namespace

Result<FilterWords> ParseFilterWords(std::string_view text)
{
    FilterWords words;
    while (!text.empty()) {
        const std::size_t start = text.find_first_not_of(" \t");
        if (start == std::string_view::npos)
            break;
        text.remove_prefix(start);
        const std::size_t end = text.find_first_of(" \t");
        const std::string_view word = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end);
        const Result<bool> taken = TakeFilterWord(word, words.filter);
        if (!taken)
            return taken.Error();
        if (!*taken)
            words.names += (words.names.empty() ? "" : " ") + std::string(word);
    }
    return words;
}

} // namespace velmora
