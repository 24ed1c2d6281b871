#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr const char* kAnonymousUser = "anonymous";
// The password of an anonymous login; FTP servers expect an e-mail address.
inline constexpr const char* kAnonymousPassword = "velmora@example.org";

// One result, whole: what a found link or a listed file says. The result
// list keeps results in a compact form and gives them back as this.
struct ResultEntry {
    std::uint32_t service = 0; // kServiceFtp, kServiceHttp, ...
    std::uint16_t port = 0;
    std::string description; // the anchor text, for http links
    std::string server;
    std::string path; // decoded
    std::string user;
    std::string password;
    std::uint64_t engineItem = 0; // the engine whose page held it; 0 for a listed file
    // What a directory listing told of the file; nothing for a found link.
    std::optional<std::uint64_t> size;
    std::optional<std::int64_t> modified; // seconds since 1970 (UTC)
    bool listed = false;                  // found by browsing the server
    bool sizeApproximate = false;         // the listing gave the size rounded ("2.3K")
};

// A found link's text (the URL, or the URL, a tab and a description) made
// into a record: split, decoded, and given the anonymous login when the URL
// names no user. Empty when the URL does not parse, or when its server,
// path, user or password holds a control character.
std::unique_ptr<ResultEntry> MakeResultEntry(std::string_view linkText, std::uint64_t engineItem);
// The same into `entry`, whose texts keep their room; false, and `entry` in
// no useful state, when MakeResultEntry would give nothing.
bool FillResultEntry(std::string_view linkText, std::uint64_t engineItem, ResultEntry& entry);

// How a server is named in the server tree, told apart by service, host
// and port: "ftp.example.org" (FTP on 21, HTTP on 80), "ftp.example.org:2121",
// "https://files.example.org" (on 443), "https://files.example.org:8443";
// an IPv6 address in brackets where a port follows. Results are grouped
// by it (letter case aside), and a server's verdict is kept under it.
std::string ServerLabel(std::uint32_t service, std::string_view host, unsigned port);
inline std::string ServerLabel(const ResultEntry& entry)
{
    return ServerLabel(entry.service, entry.server, entry.port);
}
// A server's name among all servers, FTP's and HTTP's: its label, with
// "ftp://" before an FTP server's ("ftp://files.org" and "files.org" are
// the two servers of one host). The result list groups results by it.
std::string ServerKey(std::uint32_t service, std::string_view host, unsigned port);
inline std::string ServerKey(const ResultEntry& entry)
{
    return ServerKey(entry.service, entry.server, entry.port);
}

// The word filter: every "+"-separated word of `filterWords` must occur in
// the lowercased path. No words accept every path.
bool AcceptsFilter(std::string_view path, std::string_view filterWords);

} // namespace velmora
