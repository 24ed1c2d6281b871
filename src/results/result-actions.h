#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/client-launch.h"

namespace velmora {

struct ResultEntry;

// A URL part percent-encoded where a URL cannot carry the byte as it is:
// blanks, control bytes, bytes above 0x7F, "%", "?" and "#"; in a login also
// "/", and ":" in the user name. An "@" in a password (the anonymous e-mail
// address) stays: the last "@" ends the login.
std::string EncodeUrlPath(std::string_view path);
std::string EncodeUrlLogin(std::string_view login, bool userName);

// A result as a valid URL: its scheme (ftp, http or https), the login (for
// ftp always, "anonymous" included; for http and https only a named one),
// the server, the port, and the percent-encoded path. `alwaysPort` writes
// the port even when it is the scheme's default.
std::string BuildResultUrl(const ResultEntry& record, bool alwaysPort = false);
// The same URL without the login, for a program that takes the login apart
// (libcurl does not read an "@" in a URL's password).
std::string BuildUrlWithoutLogin(const ResultEntry& record);

// The URL "Get File" hands to the download program: an http URL always
// carries its port, an https one only when it is not 443.
std::string BuildGetFileUrl(const ResultEntry& record);

// "Copy To Clipboard": the result's URL, with its port when it is not the
// scheme's default; nothing for an unknown service.
std::optional<std::string> BuildClipboardText(const ResultEntry& record);

// The download program: FileTransfer on PATH, else beside this program,
// started in the working directory so it finds the Local Directory that
// settings.dat there names.
LaunchResult StartDownloadProgram(const std::string& url, const std::string& workingDirectory);
// One download program for all the URLs: it fetches them one after another.
LaunchResult StartDownloadProgram(const std::vector<std::string>& urls, const std::string& workingDirectory);

// "Get File": an FTP result to the FTP client in file mode, any other to the
// download program. "Connect To Server": the FTP client, connection only.
// Both report whether a program started, and if not, why.
LaunchResult GetFile(const ResultEntry& record, const std::string& settingsPath, const std::string& workingDirectory);
// "Get File" on several results: the ftp ones each to the FTP client, the
// others together to one download program. The first failure is told.
LaunchResult GetFiles(const std::vector<ResultEntry>& records, const std::string& settingsPath,
                      const std::string& workingDirectory);
LaunchResult ConnectToServer(const ResultEntry& record, const std::string& settingsPath,
                             const std::string& workingDirectory);

} // namespace velmora
