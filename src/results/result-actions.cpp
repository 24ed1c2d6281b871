#include "results/result-actions.h"

#include <cstdio>

#include "platform/paths.h"
#include "platform/process-launch.h"
#include "platform/url-split.h"
#include "results/client-launch.h"
#include "results/result-entry.h"

namespace velmora {

namespace {

// Bytes no URL may hold as they are. A backslash above all: browsers and
// URL readers that follow WHATWG take it for "/", so a Shift-JIS name
// holding the byte 0x5C would lead to another path.
constexpr std::string_view kNeverBare = "%?#\\\"<>`{}|^";

std::string Encode(std::string_view text, std::string_view alsoReserved)
{
    std::string encoded;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F || kNeverBare.find(c) != std::string_view::npos ||
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

namespace {

std::string BuildUrl(const ResultEntry& record, bool alwaysPort, bool withLogin)
{
    const bool ftp = record.service == kServiceFtp;
    const bool https = record.service == kServiceHttps;
    std::string url = ftp ? "ftp://" : https ? "https://" : "http://";
    if (withLogin && (ftp || record.user != kAnonymousUser))
        url.append(EncodeUrlLogin(record.user, true))
            .append(":")
            .append(EncodeUrlLogin(record.password, false))
            .append("@");
    url.append(record.server);
    const unsigned defaultPort = ftp ? 21 : https ? 443 : 80;
    if (alwaysPort || record.port != defaultPort)
        url.append(":").append(std::to_string(record.port));
    return url.append(EncodeUrlPath(record.path));
}

} // namespace

std::string BuildResultUrl(const ResultEntry& record, bool alwaysPort)
{
    return BuildUrl(record, alwaysPort, true);
}

std::string BuildUrlWithoutLogin(const ResultEntry& record)
{
    return BuildUrl(record, false, false);
}

std::string BuildGetFileUrl(const ResultEntry& record)
{
    return BuildResultUrl(record, record.service == kServiceHttp);
}

std::optional<std::string> BuildClipboardText(const ResultEntry& record)
{
    if (record.service != kServiceFtp && record.service != kServiceHttp && record.service != kServiceHttps)
        return std::nullopt;
    return BuildResultUrl(record);
}

LaunchResult StartDownloadProgram(const std::string& url, const std::string& workingDirectory)
{
    return StartDownloadProgram(std::vector<std::string>{url}, workingDirectory);
}

LaunchResult StartDownloadProgram(const std::vector<std::string>& urls, const std::string& workingDirectory)
{
    std::string program = FindProgram(kDownloadProgram);
    if (program.empty())
        program = JoinPath(GetExecutableDirectory(), kDownloadProgram);
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), urls.begin(), urls.end());
    auto started = StartWatched(argv, workingDirectory);
    if (!started)
        return {false,
                "The download program FileTransfer could not be started: it is neither on PATH nor beside "
                "Velmora.",
                {}};
    LaunchResult launched{true, {}, {}};
    launched.programs.push_back({kDownloadProgram, std::move(*started)});
    return launched;
}

LaunchResult GetFile(const ResultEntry& record, const std::string& settingsPath, const std::string& workingDirectory)
{
    if (record.service == kServiceFtp)
        return LaunchClient(record, true, settingsPath, workingDirectory);
    return StartDownloadProgram(BuildGetFileUrl(record), workingDirectory);
}

LaunchResult GetFiles(const std::vector<ResultEntry>& records, const std::string& settingsPath,
                      const std::string& workingDirectory)
{
    LaunchResult told{true, {}, {}};
    // The first failure is told; every program that did start is kept.
    const auto take = [&told](LaunchResult launched) {
        if (!launched.started && told.started) {
            told.started = false;
            told.message = std::move(launched.message);
        }
        for (StartedProgram& program : launched.programs)
            told.programs.push_back(std::move(program));
    };
    std::vector<std::string> downloads;
    for (const ResultEntry& record : records) {
        if (record.service == kServiceFtp)
            take(LaunchClient(record, true, settingsPath, workingDirectory));
        else
            downloads.push_back(BuildGetFileUrl(record));
    }
    if (!downloads.empty())
        take(StartDownloadProgram(downloads, workingDirectory));
    return told;
}

LaunchResult ConnectToServer(const ResultEntry& record, const std::string& settingsPath,
                             const std::string& workingDirectory)
{
    return LaunchClient(record, false, settingsPath, workingDirectory);
}

} // namespace velmora
