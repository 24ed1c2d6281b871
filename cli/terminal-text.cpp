#include "terminal-text.h"

#include <cstdio>

#include "json-writer.h"

namespace velmora::cli {

namespace {

void AppendEscaped(std::string& out, const char* format, unsigned value)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, format, value);
    out += escaped;
}

} // namespace

std::string ForTerminal(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const auto byte = static_cast<unsigned char>(text[at]);
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0 || byte < 0x20 || byte == 0x7F) {
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
        out.append(text.substr(at, length));
        at += length;
    }
    return out;
}

} // namespace velmora::cli
