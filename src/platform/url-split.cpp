#include "platform/url-split.h"

#include <algorithm>

#include "platform/ascii-case.h"

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<std::uint16_t> ParsePort(std::string_view text, std::uint16_t defaultPort)
{
    if (text.empty())
        return defaultPort;
    if (text.size() > 5)
        return std::nullopt;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 65535)
        return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

struct Scheme {
    const char* name;
    std::uint32_t service;
    std::uint16_t port;
};
constexpr Scheme kSchemes[] = {{"ftp", kServiceFtp, 21}, {"http", kServiceHttp, 80}, {"https", kServiceHttps, 443}};

} // namespace

std::string PercentDecode(std::string_view text)
{
    std::string decoded;
    PercentDecodeInto(text, decoded);
    return decoded;
}

void PercentDecodeInto(std::string_view text, std::string& decoded)
{
    decoded.clear();
    AppendPercentDecoded(text, decoded);
}

void AppendPercentDecoded(std::string_view text, std::string& decoded)
{
    // Runs without a "%" are copied whole: most of a URL is plain.
    std::size_t done = 0;
    for (std::size_t i = text.find('%'); i != npos; i = text.find('%', i + 1)) {
        if (i + 2 >= text.size())
            break;
        const int high = HexValue(text[i + 1]);
        const int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0)
            continue;
        decoded.append(text.substr(done, i - done));
        decoded += static_cast<char>(high * 16 + low);
        done = i + 3;
        i += 2;
    }
    decoded.append(text.substr(done));
}

std::string RemoveDotSegments(std::string_view path)
{
    if (path.find("/.") == npos)
        return std::string(path);
    std::string out;
    const auto dropLastSegment = [&out] {
        const auto slash = out.rfind('/');
        out.resize(slash == std::string::npos ? 0 : slash);
    };
    std::size_t at = 0;
    while (at < path.size()) {
        const std::string_view rest = path.substr(at);
        if (rest.starts_with("/./")) {
            at += 2;
        } else if (rest == "/.") {
            out += '/';
            break;
        } else if (rest.starts_with("/../")) {
            at += 3;
            dropLastSegment();
        } else if (rest == "/..") {
            dropLastSegment();
            out += '/';
            break;
        } else {
            const auto next = path.find('/', at + 1);
            const std::size_t end = next == npos ? path.size() : next;
            out.append(path.substr(at, end - at));
            at = end;
        }
    }
    return out;
}

bool HasControlCharacter(std::string_view text)
{
    // No early exit: the loop vectorises, and texts are short.
    bool found = false;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        found |= (byte < 0x20) | (byte == 0x7F);
    }
    return found;
}

bool IsValidServerName(std::string_view server)
{
    if (server.empty() || server.size() > 255)
        return false;
    if (server.front() == '[') {
        if (server.size() < 4 || server.back() != ']')
            return false;
        const std::string_view address = server.substr(1, server.size() - 2);
        return address.find(':') != npos && address.find_first_not_of("0123456789abcdefABCDEF:.") == npos;
    }
    const auto isAlnum = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    };
    if (!isAlnum(server.front()))
        return false;
    return std::all_of(server.begin(), server.end(), [&](char c) { return isAlnum(c) || c == '-' || c == '.'; });
}

// The URL is split on its own delimiters first and each part is decoded on
// its own, so an encoded ":", "@" or "/" stays inside the part it was
// written in.
std::optional<ParsedUrl> SplitUrl(std::string_view url)
{
    ParsedUrl parsed;
    if (!SplitUrlInto(url, parsed))
        return std::nullopt;
    return parsed;
}

namespace {

// What follows the host ("/a%20b", "?q", or nothing), decoded, as a path
// from "/".
void DecodePath(std::string_view rest, std::string& path)
{
    if (rest.starts_with('/')) {
        PercentDecodeInto(rest, path);
        if (path.find("/.") != npos)
            path = RemoveDotSegments(path);
    } else {
        path.assign(1, '/');
        AppendPercentDecoded(rest, path);
    }
}

const Scheme* FindScheme(std::string_view name)
{
    for (const Scheme& scheme : kSchemes) {
        if (EqualsNoCase(name, scheme.name))
            return &scheme;
    }
    return nullptr;
}

// Where the authority ends: at the path, the query or the fragment.
std::size_t AuthorityEnd(std::string_view rest)
{
    // By hand: find_first_of looks each character up in the set.
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != '/' && rest[end] != '?' && rest[end] != '#')
        ++end;
    return end == rest.size() ? npos : end;
}

// Takes "user:password@" off the front of `authority`, decoded into `parsed`.
void TakeLogin(std::string_view& authority, ParsedUrl& parsed)
{
    const auto at = authority.rfind('@');
    if (at == npos)
        return;
    const std::string_view login = authority.substr(0, at);
    const auto colon = login.find(':');
    PercentDecodeInto(login.substr(0, colon), parsed.user);
    if (colon != npos)
        PercentDecodeInto(login.substr(colon + 1), parsed.password);
    authority.remove_prefix(at + 1);
}

// The host and port of what is left of the authority.
bool TakeHostAndPort(std::string_view authority, std::uint16_t defaultPort, ParsedUrl& parsed)
{
    // A bracketed IPv6 address keeps its brackets, as written.
    std::size_t hostEnd = authority.find(':');
    if (authority.starts_with('[')) {
        const auto close = authority.find(']');
        if (close == npos)
            return false;
        hostEnd = close + 1 < authority.size() ? close + 1 : npos;
        if (hostEnd != npos && authority[hostEnd] != ':')
            return false;
    }
    PercentDecodeInto(authority.substr(0, hostEnd), parsed.server);
    const auto port = ParsePort(hostEnd == npos ? std::string_view() : authority.substr(hostEnd + 1), defaultPort);
    if (!IsValidServerName(parsed.server) || !port)
        return false;
    parsed.port = *port;
    return true;
}

} // namespace

bool SplitUrlInto(std::string_view url, ParsedUrl& parsed)
{
    parsed.service = 0;
    parsed.user.clear();
    parsed.password.clear();
    const auto schemeEnd = url.find("://");
    const Scheme* scheme = schemeEnd == npos ? nullptr : FindScheme(url.substr(0, schemeEnd));
    if (scheme == nullptr)
        return false;
    parsed.service = scheme->service;

    const std::string_view rest = url.substr(schemeEnd + 3);
    const std::size_t authorityEnd = AuthorityEnd(rest);
    std::string_view authority = rest.substr(0, authorityEnd);
    DecodePath(authorityEnd == npos ? std::string_view() : rest.substr(authorityEnd), parsed.path);
    TakeLogin(authority, parsed);
    return TakeHostAndPort(authority, scheme->port, parsed);
}

} // namespace velmora
