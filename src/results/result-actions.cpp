#include "results/result-actions.h"

#include <cstdio>

#include "platform/paths.h"
#include "platform/process-launch.h"
#include "results/client-launch.h"
#include "results/result-entry.h"
#include "results/url-split.h"

namespace velmora {

namespace {

std::string Encode(std::string_view text, std::string_view alsoReserved)
{
    std::string encoded;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || c == '%' || c == '?' || c == '#' ||
            alsoReserved.find(c) != std::string_view::npos) {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", byte);
            encoded += escape;
        } else {
            encoded += c;
        }
    }
    return encoded;
}

constexpr const char* kDownloadProgram = "FileTransfer";

} // namespace

std::string EncodeUrlPath(std::string_view path)
{
    return Encode(path, "");
}

std::string EncodeUrlLogin(std::string_view login, bool userName)
{
    return Encode(login, userName ? ":/" : "/");
}

std::string BuildGetFileUrl(const ResultEntry& record)
{
    std::string url = "http://";
    if (record.user != kAnonymousUser)
        url += EncodeUrlLogin(record.user, true) + ":" + EncodeUrlLogin(record.password, false) + "@";
    return url + record.server + ":" + std::to_string(record.port) + EncodeUrlPath(record.path);
}

std::optional<std::string> BuildClipboardText(const ResultEntry& record)
{
    const char* scheme = record.service == kServiceFtp    ? "ftp://"
                         : record.service == kServiceHttp ? "http://"
                                                          : nullptr;
    if (scheme == nullptr)
        return std::nullopt;
    return std::string(scheme) + EncodeUrlLogin(record.user, true) + ":" + EncodeUrlLogin(record.password, false) +
           "@" + record.server + EncodeUrlPath(record.path);
}

LaunchResult StartDownloadProgram(const std::string& url)
{
    std::string program = FindProgram(kDownloadProgram);
    if (program.empty())
        program = JoinPath(GetExecutableDirectory(), kDownloadProgram);
    if (StartDetached({program, url}, {}))
        return {true, {}};
    return {false, "The download program FileTransfer could not be started: it is neither on PATH nor beside "
                   "Velmora."};
}

LaunchResult GetFile(const ResultEntry& record, const std::string& settingsPath, const std::string& workingDirectory)
{
    if (record.service == kServiceFtp)
        return LaunchClient(record, true, settingsPath, workingDirectory);
    return StartDownloadProgram(BuildGetFileUrl(record));
}

LaunchResult ConnectToServer(const ResultEntry& record, const std::string& settingsPath,
                             const std::string& workingDirectory)
{
    return LaunchClient(record, false, settingsPath, workingDirectory);
}

} // namespace velmora
