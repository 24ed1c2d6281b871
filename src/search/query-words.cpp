#include "search/query-words.h"

#include <algorithm>

#include "platform/ascii-case.h"
#include "platform/plain-text.h"
#include "platform/text-escape.h"

namespace velmora {

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

} // namespace velmora
