#include "results/result-entry.h"

#include "platform/ascii-case.h"
#include "platform/url-split.h"

namespace velmora {

std::unique_ptr<ResultEntry> MakeResultEntry(std::string_view linkText, std::uint64_t engineItem)
{
    auto entry = std::make_unique<ResultEntry>();
    if (!FillResultEntry(linkText, engineItem, *entry))
        return nullptr;
    return entry;
}

bool FillResultEntry(std::string_view linkText, std::uint64_t engineItem, ResultEntry& entry)
{
    // Every link of a search passes here on the window's thread: the parts
    // are split into texts that keep their room from link to link.
    thread_local ParsedUrl parsed;
    std::string_view url = linkText;
    const auto tab = linkText.find('\t');
    if (tab != std::string_view::npos) {
        entry.description.assign(linkText.substr(tab + 1));
        url = linkText.substr(0, tab);
    } else {
        entry.description.clear();
    }
    entry.engineItem = engineItem;
    entry.size.reset();
    entry.modified.reset();
    entry.listed = false;
    entry.sizeApproximate = false;
    if (!SplitUrlInto(url, parsed))
        return false;
    // Only an escape can bring a control character the raw text lacks.
    if (HasControlCharacter(url))
        return false;
    if (url.find('%') != std::string_view::npos &&
        (HasControlCharacter(parsed.server) || HasControlCharacter(parsed.path) || HasControlCharacter(parsed.user) ||
         HasControlCharacter(parsed.password)))
        return false;
    entry.service = parsed.service;
    entry.port = parsed.port;
    entry.server.assign(parsed.server);
    entry.path.assign(parsed.path);
    if (parsed.user.empty()) {
        entry.user.assign(kAnonymousUser);
        entry.password.assign(kAnonymousPassword);
    } else {
        entry.user.assign(parsed.user);
        entry.password.assign(parsed.password);
    }
    return true;
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

std::string ServerLabel(std::uint32_t service, std::string_view host, unsigned port)
{
    const bool https = service == kServiceHttps;
    const unsigned usual = service == kServiceFtp ? 21 : https ? 443 : 80;
    std::string label = https ? "https://" : "";
    const bool withPort = port != usual;
    const bool bracket = withPort && host.find(':') != std::string_view::npos;
    label.append(bracket ? "[" : "").append(host).append(bracket ? "]" : "");
    if (withPort)
        label.append(":").append(std::to_string(port));
    return label;
}

std::string ServerKey(std::uint32_t service, std::string_view host, unsigned port)
{
    return (service == kServiceFtp ? "ftp://" : "") + ServerLabel(service, host, port);
}

} // namespace velmora
