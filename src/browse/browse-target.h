#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct ResultEntry;

// The server a browse lists and where it starts: its service, host, port
// and login (anonymous or the result's own), and the start directory
// (decoded, "/" at both ends). The fallback directories are tried, each
// once, when the start cannot be listed (a server root that refuses
// listing) or lists nothing (a home page, not an index).
struct BrowseTarget {
    std::uint32_t service = 0;
    std::string server;
    std::uint16_t port = 0;
    std::string user;
    std::string password;
    std::string startDirectory = "/";
    std::vector<std::string> fallbackDirectories;

    bool IsFtp() const;
};

// A result's directory: the path itself when it ends in "/", else the part
// before its last "/". Nothing for a service that cannot be browsed.
std::optional<BrowseTarget> MakeBrowseTarget(const ResultEntry& record);

// The URL a directory is listed at: scheme, host, port and the
// percent-encoded path, without the login (it goes to the connection).
std::string MakeDirectoryUrl(const BrowseTarget& target, std::string_view directory);

// The URL shown for a directory or a file of the target, with the port
// only when it is not the scheme's default.
std::string MakeShownUrl(const BrowseTarget& target, std::string_view path);

} // namespace velmora
