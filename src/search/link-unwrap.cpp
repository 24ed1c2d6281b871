#include "search/link-unwrap.h"

#include <vector>

#include "platform/ascii-case.h"
#include "platform/url-split.h"

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

void AppendUtf8(std::string& out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The code point of a numeric reference's body ("#38", "#x26"); 0 when it
// is none or names no character.
unsigned long NumericReference(std::string_view body)
{
    const bool hex = body.size() > 1 && (body[1] == 'x' || body[1] == 'X');
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 7)
        return 0;
    unsigned long code = 0;
    for (char c : digits) {
        const int value = (c >= '0' && c <= '9')          ? c - '0'
                          : hex && (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : hex && (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                          : -1;
        if (value < 0)
            return 0;
        code = code * (hex ? 16 : 10) + static_cast<unsigned long>(value);
    }
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code == 0 || code > 0x10FFFF || surrogate ? 0 : code;
}

std::optional<std::string_view> NamedReference(std::string_view name)
{
    static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
        {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
    for (const auto& [named, text] : kNames) {
        if (name == named)
            return text;
    }
    return std::nullopt;
}

struct Parameter {
    std::string_view name;
    std::string_view value; // as written
};

// The query's parameters, without the fragment.
std::vector<Parameter> QueryParameters(std::string_view url)
{
    std::vector<Parameter> parameters;
    url = url.substr(0, url.find('#'));
    const auto question = url.find('?');
    if (question == npos)
        return parameters;
    std::string_view query = url.substr(question + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto equals = pair.find('=');
        if (equals != npos)
            parameters.push_back({pair.substr(0, equals), pair.substr(equals + 1)});
        if (amp == npos)
            break;
        query.remove_prefix(amp + 1);
    }
    return parameters;
}

bool IsAbsoluteTarget(std::string_view url)
{
    const auto schemeEnd = url.find("://");
    if (schemeEnd == npos)
        return false;
    const std::string_view scheme = url.substr(0, schemeEnd);
    return EqualsNoCase(scheme, "http") || EqualsNoCase(scheme, "https") || EqualsNoCase(scheme, "ftp");
}

// "/RU=<target>/RK=..." or ".../RS=...".
std::optional<std::string> YahooTarget(std::string_view link)
{
    const auto at = link.find("/RU=");
    if (at == npos)
        return std::nullopt;
    const std::string_view rest = link.substr(at + 4);
    const auto slash = rest.find('/');
    if (slash == npos)
        return std::nullopt;
    const std::string_view next = rest.substr(slash + 1);
    if (!next.starts_with("RK=") && !next.starts_with("RS="))
        return std::nullopt;
    return PercentDecode(rest.substr(0, slash));
}

std::optional<std::string> BingTarget(std::string_view link)
{
    const auto value = QueryParameter(link, "u");
    if (!value || !value->starts_with("a1"))
        return std::nullopt;
    return DecodeBase64Url(std::string_view(*value).substr(2));
}

std::optional<std::string> RedirectPageTarget(std::string_view link)
{
    const std::string_view path = link.substr(0, link.find('?'));
    if (!path.ends_with("/url"))
        return std::nullopt;
    if (auto target = QueryParameter(link, "q"))
        return target;
    return QueryParameter(link, "url");
}

std::optional<std::string> OnlyUrlParameter(std::string_view link)
{
    std::optional<std::string> found;
    for (const Parameter& parameter : QueryParameters(link)) {
        std::string value = PercentDecode(parameter.value);
        if (!IsAbsoluteTarget(value))
            continue;
        if (found)
            return std::nullopt; // more than one: no way to tell which
        found = std::move(value);
    }
    return found;
}

// After an "=": the start of an absolute http, https or ftp URL, written
// plainly or percent-encoded, or Bing's "a1".
bool StartsTarget(std::string_view rest)
{
    const auto startsNoCase = [&](std::string_view prefix) {
        return rest.size() >= prefix.size() && EqualsNoCase(rest.substr(0, prefix.size()), prefix);
    };
    return startsNoCase("http") || startsNoCase("ftp") || rest.starts_with("a1");
}

} // namespace

std::string DecodeCharacterReferences(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto semicolon = text[i] == '&' ? text.find(';', i + 1) : npos;
        if (semicolon == npos || semicolon - i > 10) {
            out += text[i];
            continue;
        }
        const std::string_view body = text.substr(i + 1, semicolon - i - 1);
        if (!body.empty() && body[0] == '#') {
            if (const unsigned long code = NumericReference(body)) {
                AppendUtf8(out, code);
                i = semicolon;
                continue;
            }
        } else if (const auto named = NamedReference(body)) {
            out += *named;
            i = semicolon;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::optional<std::string> QueryParameter(std::string_view url, std::string_view name)
{
    for (const Parameter& parameter : QueryParameters(url)) {
        if (parameter.name == name)
            return PercentDecode(parameter.value);
    }
    return std::nullopt;
}

std::optional<std::string> DecodeBase64Url(std::string_view text)
{
    std::string decoded;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        int value = -1;
        if (c >= 'A' && c <= 'Z')
            value = c - 'A';
        else if (c >= 'a' && c <= 'z')
            value = c - 'a' + 26;
        else if (c >= '0' && c <= '9')
            value = c - '0' + 52;
        else if (c == '-' || c == '+')
            value = 62;
        else if (c == '_' || c == '/')
            value = 63;
        else if (c == '=')
            break;
        if (value < 0)
            return std::nullopt;
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            decoded += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    if (decoded.empty())
        return std::nullopt;
    return decoded;
}

// Runs on every href of every page, so it reads each byte once at most and
// decides most links by the absence of a "?".
bool MayCarryTarget(std::string_view link)
{
    auto equals = link.find('=');
    if (equals == npos)
        return false;
    const auto question = link.find('?');
    for (; equals != npos; equals = link.find('=', equals + 1)) {
        if (equals >= 3 && link.substr(equals - 3, 3) == "/RU")
            return true;
        if (question < equals && StartsTarget(link.substr(equals + 1)))
            return true;
    }
    return false;
}

std::optional<std::string> UnwrapLink(std::string_view written)
{
    if (!MayCarryTarget(written))
        return std::nullopt;
    const std::string link = DecodeCharacterReferences(written);
    std::optional<std::string> target = QueryParameter(link, "uddg");
    if (!target)
        target = RedirectPageTarget(link);
    if (!target)
        target = YahooTarget(link);
    if (!target)
        target = BingTarget(link);
    if (!target)
        target = OnlyUrlParameter(link);
    if (!target || !IsAbsoluteTarget(*target))
        return std::nullopt;
    return target;
}

} // namespace velmora
