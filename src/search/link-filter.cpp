#include "search/link-filter.h"

#include <algorithm>

#include "platform/ascii-case.h"
#include "search/query-words.h"

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

bool Contains(std::string_view text, std::string_view part)
{
    return text.find(part) != npos;
}

} // namespace

bool IsFileLink(std::string_view link)
{
    if (EndsWithNoCase(link, ".html") || EndsWithNoCase(link, ".htm") || EndsWithNoCase(link, ".cgi") ||
        EndsWithNoCase(link, ".shtml"))
        return false;
    if (Contains(link, ".htm") || Contains(link, ".php") || Contains(link, ".asp"))
        return false;
    const std::size_t lastSlash = link.rfind('/');
    const std::size_t doubleSlash = link.find("//");
    // The second slash after the scheme; a link without "//" compares at 0.
    const std::size_t afterScheme = doubleSlash == npos ? 0 : doubleSlash + 1;
    if (lastSlash == afterScheme || lastSlash == npos)
        return false;
    const std::size_t lastDot = link.rfind('.');
    if (lastDot == npos || lastDot < lastSlash)
        return false;
    return !Contains(link, "?");
}

std::string CleanLinkText(std::string_view text)
{
    std::string kept;
    kept.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('<', at);
        const std::size_t close = open == npos ? npos : text.find('>', open);
        if (close == npos)
            break;
        kept.append(text.substr(at, open - at));
        at = close + 1;
    }
    kept.append(text.substr(at));
    std::erase_if(kept, [](char c) { return c == '\t' || c == '\r' || c == '\n'; });
    std::string trimmed = TrimWhiteSpace(kept);
    const auto end = std::unique(trimmed.begin(), trimmed.end(), [](char a, char b) { return a == ' ' && b == ' '; });
    trimmed.erase(end, trimmed.end());
    return trimmed;
}

} // namespace velmora
