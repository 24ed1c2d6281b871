#include "search/link-filter.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

bool IsPageEnding(std::string_view ending)
{
    return EqualsNoCase(ending, "html") || EqualsNoCase(ending, "htm") || EqualsNoCase(ending, "cgi") ||
           EqualsNoCase(ending, "shtml");
}

bool IsLongFileLink(std::string_view link)
{
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

#if defined(__SSE2__)
// Where `c` stands in the 64 bytes at `block`, one bit a byte.
std::uint64_t BytesEqual(const char* block, char c)
{
    const __m128i want = _mm_set1_epi8(c);
    std::uint64_t bits = 0;
    for (int part = 0; part < 4; ++part) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
        bits |= std::uint64_t{static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, want)))} << (16 * part);
    }
    return bits;
}
#endif

// The same rules as IsFileLink for a link of at most 64 bytes: its "?",
// "/" and "." found sixteen bytes at a time, the rules read from where they
// stand. Most links on a page are short, and a hostile page is all links.
bool IsShortFileLink(std::string_view link)
{
#if defined(__SSE2__)
    alignas(16) char block[64] = {};
    std::memcpy(block, link.data(), link.size());
    if (BytesEqual(block, '?') != 0)
        return false;
    const std::uint64_t slashes = BytesEqual(block, '/');
    const std::uint64_t dots = BytesEqual(block, '.');
    if (slashes == 0 || dots == 0)
        return false;
    const auto lastSlash = static_cast<std::size_t>(63 - __builtin_clzll(slashes));
    const auto lastDot = static_cast<std::size_t>(63 - __builtin_clzll(dots));
    // Most links that are no file's have no dot in their last segment.
    if (lastDot < lastSlash)
        return false;
    // The second slash after the scheme; a link without "//" compares at 0.
    const std::uint64_t doubled = slashes & (slashes >> 1);
    const std::size_t afterScheme = doubled == 0 ? 0 : static_cast<std::size_t>(__builtin_ctzll(doubled)) + 1;
    if (lastSlash == afterScheme)
        return false;
    // ".htm", ".php" or ".asp" anywhere, as written.
    for (std::uint64_t each = dots; each != 0; each &= each - 1) {
        const auto dot = static_cast<std::size_t>(__builtin_ctzll(each));
        if (dot + 4 <= link.size()) {
            const std::string_view extension(block + dot + 1, 3);
            if (extension == "htm" || extension == "php" || extension == "asp")
                return false;
        }
    }
    return !IsPageEnding(link.substr(lastDot + 1));
#else
    return IsLongFileLink(link);
#endif
}

} // namespace

bool IsFileLink(std::string_view link)
{
    return link.size() <= 64 ? IsShortFileLink(link) : IsLongFileLink(link);
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
