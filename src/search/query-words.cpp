#include "search/query-words.h"

#include <algorithm>

#include "platform/ascii-case.h"
#include "platform/text-escape.h"

namespace velmora {

static bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string TrimWhiteSpace(std::string_view text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsWhiteSpace(text[first]))
        ++first;
    while (last > first && IsWhiteSpace(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

std::string MakeFilterWords(std::string_view searchText)
{
    std::string words = LowerAscii(TrimWhiteSpace(searchText));
    std::replace(words.begin(), words.end(), ' ', '+');
    return words;
}

std::string MakeQueryWords(std::string_view searchText)
{
    return EncodeQueryValue(LowerAscii(TrimWhiteSpace(searchText)), true);
}

std::string RemoveLineBreaks(std::string_view text)
{
    std::string line;
    for (char c : text) {
        if (c != '\r' && c != '\n')
            line += c;
    }
    return line;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to)
{
    if (from.empty())
        return std::string(text);
    std::string result;
    std::size_t at = 0;
    for (auto hit = text.find(from); hit != std::string_view::npos; hit = text.find(from, at)) {
        result.append(text.substr(at, hit - at));
        result.append(to);
        at = hit + from.size();
    }
    result.append(text.substr(at));
    return result;
}

} // namespace velmora
