#include "platform/text-escape.h"

#include <cstdio>

namespace velmora {

namespace {

void AppendEscaped(std::string& out, const char* format, unsigned value)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, format, value);
    out += escaped;
}

} // namespace

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

std::string EscapeControls(std::string_view text, bool keepLineBreaks)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8SequenceLength(text, at);
        const bool lineBreak = byte == '\n' || byte == '\r' || byte == '\t';
        if (length == 0 || ((byte < 0x20 || byte == 0x7F) && !(keepLineBreaks && lineBreak))) {
            AppendEscaped(out, "\\x%02x", byte);
            ++at;
            continue;
        }
        // U+0080 to U+009F, the C1 controls, are C2 80 to C2 9F in UTF-8.
        if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) {
            AppendEscaped(out, "\\u%04x", static_cast<unsigned char>(text[at + 1]));
            at += 2;
            continue;
        }
        // The bidirectional overrides and isolates (U+202A to U+202E, U+2066
        // to U+2069) would let a name show in another order than it has.
        if (length == 3 && byte == 0xE2) {
            const auto second = static_cast<unsigned char>(text[at + 1]);
            const auto third = static_cast<unsigned char>(text[at + 2]);
            if ((second == 0x80 && third >= 0xAA && third <= 0xAE) ||
                (second == 0x81 && third >= 0xA6 && third <= 0xA9)) {
                AppendEscaped(out, "\\u%04x", 0x2000u + ((second & 0x3Fu) << 6) + (third & 0x3Fu));
                at += 3;
                continue;
            }
        }
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

std::string EncodeQueryValue(std::string_view text, bool spaceAsPlus)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
            c == '_' || c == '~') {
            encoded += c;
        } else if (c == ' ' && spaceAsPlus) {
            encoded += '+';
        } else {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        }
    }
    return encoded;
}

std::string ReadableName(std::string_view bytes)
{
    bool valid = true;
    for (std::size_t at = 0; at < bytes.size() && valid;) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        valid = length > 0;
        at += length;
    }
    if (valid)
        return std::string(bytes);
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else {
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return text;
}

} // namespace velmora
