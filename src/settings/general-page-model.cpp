#include "settings/general-page-model.h"

#include "search/query-words.h"

namespace velmora {

std::optional<int> ParseThreadLimit(std::string_view text)
{
    const std::string digits = TrimWhiteSpace(text);
    if (digits.empty() || digits.size() > 3)
        return std::nullopt;
    int value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < kMinThreads || value > kMaxThreads)
        return std::nullopt;
    return value;
}

} // namespace velmora
