#include "browse/browse-target.h"

#include "platform/url-split.h"
#include "results/result-actions.h"
#include "results/result-entry.h"

namespace velmora {

namespace {

std::string_view SchemeOf(std::uint32_t service)
{
    return service == kServiceFtp ? "ftp" : (service == kServiceHttps ? "https" : "http");
}

std::uint16_t DefaultPort(std::uint32_t service)
{
    return service == kServiceFtp ? 21 : (service == kServiceHttps ? 443 : 80);
}

std::string Origin(const BrowseTarget& target, bool alwaysPort)
{
    std::string url(SchemeOf(target.service));
    url.append("://").append(target.server);
    if (alwaysPort || target.port != DefaultPort(target.service))
        url.append(":").append(std::to_string(target.port));
    return url;
}

} // namespace

bool BrowseTarget::IsFtp() const
{
    return service == kServiceFtp;
}

std::optional<BrowseTarget> MakeBrowseTarget(const ResultEntry& record)
{
    if (record.service != kServiceFtp && record.service != kServiceHttp && record.service != kServiceHttps)
        return std::nullopt;
    if (!IsValidServerName(record.server) || HasControlCharacter(record.path))
        return std::nullopt;
    BrowseTarget target;
    target.service = record.service;
    target.server = record.server;
    target.port = record.port != 0 ? record.port : DefaultPort(record.service);
    target.user = record.user.empty() ? kAnonymousUser : record.user;
    target.password = record.user.empty() ? kAnonymousPassword : record.password;
    const std::string path = RemoveDotSegments(record.path.empty() ? "/" : record.path);
    const std::size_t slash = path.rfind('/');
    target.startDirectory = slash == std::string::npos ? "/" : path.substr(0, slash + 1);
    if (!target.startDirectory.starts_with('/'))
        target.startDirectory.insert(0, "/");
    return target;
}

std::string MakeDirectoryUrl(const BrowseTarget& target, std::string_view directory)
{
    return Origin(target, true) + EncodeUrlPath(directory);
}

std::string MakeShownUrl(const BrowseTarget& target, std::string_view path)
{
    return Origin(target, false) + EncodeUrlPath(path);
}

} // namespace velmora
