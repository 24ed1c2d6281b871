#include "search/link-filter.h"

#include <algorithm>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// ".htm", ".php" or ".asp" anywhere, as written: every page and script
// link is dropped, whatever follows. One look at each dot.
bool ContainsPageExtension(std::string_view link)
{
    for (auto dot = link.find('.'); dot != npos && dot + 4 <= link.size(); dot = link.find('.', dot + 1)) {
        const std::string_view extension = link.substr(dot + 1, 3);
        if (extension == "htm" || extension == "php" || extension == "asp")
            return true;
    }
    return false;
}

// The same rules as IsFileLink, in one pass over the link.
bool IsShortFileLink(std::string_view link)
{
    // Most links that are no file's have no dot in their last segment.
    std::size_t segment = link.size();
    bool dotted = false;
    for (; segment > 0 && link[segment - 1] != '/'; --segment)
        dotted = dotted || link[segment - 1] == '.';
    if (!dotted || segment == 0)
        return false;
    std::size_t lastSlash = npos;
    std::size_t lastDot = npos;
    std::size_t doubleSlash = npos;
    for (std::size_t i = 0; i < link.size(); ++i) {
        const char c = link[i];
        if (c == '?')
            return false;
        if (c == '/') {
            if (doubleSlash == npos && i + 1 < link.size() && link[i + 1] == '/')
                doubleSlash = i;
            lastSlash = i;
        } else if (c == '.') {
            // ".htm", ".php" or ".asp" anywhere, as written.
            if (i + 4 <= link.size()) {
                const std::string_view extension = link.substr(i + 1, 3);
                if (extension == "htm" || extension == "php" || extension == "asp")
                    return false;
            }
            lastDot = i;
        }
    }
    const std::size_t afterScheme = doubleSlash == npos ? 0 : doubleSlash + 1;
    if (lastSlash == afterScheme || lastSlash == npos || lastDot == npos || lastDot < lastSlash)
        return false;
    // A page's ending (".html", ".htm", ".cgi", ".shtml") is what follows
    // the last dot.
    const std::string_view ending = link.substr(lastDot + 1);
    return !(EqualsNoCase(ending, "html") || EqualsNoCase(ending, "htm") || EqualsNoCase(ending, "cgi") ||
             EqualsNoCase(ending, "shtml"));
}

} // namespace

bool IsFileLink(std::string_view link)
{
    // One look at each byte finds what the rules below ask of a short link:
    // most links on a page are short, and a hostile page is all links.
    if (link.size() <= 64)
        return IsShortFileLink(link);
    if (link.find('?') != npos)
        return false;
    if (EndsWithNoCase(link, ".html") || EndsWithNoCase(link, ".htm") || EndsWithNoCase(link, ".cgi") ||
        EndsWithNoCase(link, ".shtml"))
        return false;
    if (ContainsPageExtension(link))
        return false;
    const std::size_t lastSlash = link.rfind('/');
    const std::size_t doubleSlash = link.find("//");
    // The second slash after the scheme; a link without "//" compares at 0.
    const std::size_t afterScheme = doubleSlash == npos ? 0 : doubleSlash + 1;
    if (lastSlash == afterScheme || lastSlash == npos)
        return false;
    const std::size_t lastDot = link.rfind('.');
    return lastDot != npos && lastDot > lastSlash;
}

std::string CleanLinkText(std::string_view text)
{
    std::string kept;
    AppendCleanLinkText(kept, text);
    return kept;
}

void AppendCleanLinkText(std::string& out, std::string_view text)
{
    const std::size_t start = out.size();
    out.reserve(start + text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find('<', at);
        const std::size_t close = open == npos ? npos : text.find('>', open);
        if (close == npos)
            break;
        out.append(text.substr(at, open - at));
        at = close + 1;
    }
    out.append(text.substr(at));
    // Line breaks and tabs go, the ends are trimmed and runs of blanks
    // folded, all in the one string.
    const auto first = out.begin() + static_cast<std::ptrdiff_t>(start);
    out.erase(std::remove_if(first, out.end(), [](char c) { return c == '\t' || c == '\r' || c == '\n'; }), out.end());
    const auto isWhite = [](char c) { return c == ' ' || c == '\v' || c == '\f'; };
    const auto kept = out.begin() + static_cast<std::ptrdiff_t>(start);
    const auto last =
        std::find_if_not(std::make_reverse_iterator(out.end()), std::make_reverse_iterator(kept), isWhite).base();
    out.erase(last, out.end());
    const auto begin = out.begin() + static_cast<std::ptrdiff_t>(start);
    out.erase(begin, std::find_if_not(begin, out.end(), isWhite));
    const auto from = out.begin() + static_cast<std::ptrdiff_t>(start);
    out.erase(std::unique(from, out.end(), [](char a, char b) { return a == ' ' && b == ' '; }), out.end());
}

} // namespace velmora
