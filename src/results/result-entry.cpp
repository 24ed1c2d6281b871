#include "results/result-entry.h"

#include "platform/ascii-case.h"
#include "results/url-split.h"

namespace velmora {

std::unique_ptr<ResultEntry> MakeResultEntry(std::string_view linkText, std::uint64_t engineItem)
{
    auto entry = std::make_unique<ResultEntry>();
    std::string_view url = linkText;
    const auto tab = linkText.find('\t');
    if (tab != std::string_view::npos) {
        entry->description = std::string(linkText.substr(tab + 1));
        url = linkText.substr(0, tab);
    }
    entry->engineItem = engineItem;
    auto parsed = SplitUrl(url);
    if (!parsed)
        return nullptr;
    // Only an escape can bring a control character the raw text lacks.
    if (HasControlCharacter(url))
        return nullptr;
    if (url.find('%') != std::string_view::npos &&
        (HasControlCharacter(parsed->server) || HasControlCharacter(parsed->path) ||
         HasControlCharacter(parsed->user) || HasControlCharacter(parsed->password)))
        return nullptr;
    entry->service = parsed->service;
    entry->port = parsed->port;
    entry->server = std::move(parsed->server);
    entry->path = std::move(parsed->path);
    entry->user = std::move(parsed->user);
    entry->password = std::move(parsed->password);
    if (entry->user.empty()) {
        entry->user = kAnonymousUser;
        entry->password = kAnonymousPassword;
    }
    return entry;
}

bool AcceptsFilter(std::string_view path, std::string_view filterWords)
{
    const std::string lower = LowerAscii(path);
    std::size_t at = 0;
    while (at < filterWords.size()) {
        const auto plus = filterWords.find('+', at);
        const std::size_t end = plus == std::string_view::npos ? filterWords.size() : plus;
        if (end > at && lower.find(filterWords.substr(at, end - at)) == std::string::npos)
            return false;
        at = end + 1;
    }
    return true;
}

} // namespace velmora
