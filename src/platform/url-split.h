#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// Service codes of a result, as stored with it.
inline constexpr std::uint32_t kServiceFtp = 1;
inline constexpr std::uint32_t kServiceHttp = 3;
inline constexpr std::uint32_t kServiceHttps = 4;

struct ParsedUrl {
    std::uint32_t service = 0;
    std::uint16_t port = 0;
    std::string server; // exactly as the URL writes it
    std::string path;   // from the first "/" after the host, dot segments resolved
    std::string user;
    std::string password;
};

// Every %XX escape decoded; a "%" without two hex digits stays.
std::string PercentDecode(std::string_view text);
// The same into `decoded`, which keeps its room; or after what it holds.
void PercentDecodeInto(std::string_view text, std::string& decoded);
void AppendPercentDecoded(std::string_view text, std::string& decoded);

// "." and ".." segments of an absolute path resolved.
std::string RemoveDotSegments(std::string_view path);

// Splits a found link as scheme://[user[:password]@]host[:port][/path]
// first, then percent-decodes each part on its own. Ports default to 21 for
// ftp, 80 for http and 443 for https. Empty when the text is no such URL
// (unknown scheme, a bad port, or a host that is no host name or IP
// literal).
std::optional<ParsedUrl> SplitUrl(std::string_view url);
// The same into `parsed`, whose texts keep their room: false, and `parsed`
// in no useful state, when the text is no such URL.
bool SplitUrlInto(std::string_view url, ParsedUrl& parsed);

// A host name (letters, digits, "-" and ".", starting with a letter or a
// digit) or a bracketed IPv6 literal. Anything else could carry script or
// shell syntax to an FTP client, or pass for an option on its command line.
bool IsValidServerName(std::string_view server);

// True when a text holds a byte below 0x20 or 0x7F: such bytes would reach
// protocol lines and scripts.
bool HasControlCharacter(std::string_view text);

} // namespace velmora
