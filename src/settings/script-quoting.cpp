#include "settings/script-quoting.h"

#include "platform/ascii-case.h"

namespace velmora {

namespace {

constexpr std::string_view kUnsafeUnquoted = "\"'`;!$\\|&<>\r\n";

std::string EscapeFor(std::string_view value, std::string_view special)
{
    std::string escaped;
    for (char c : value) {
        if (special.find(c) != std::string_view::npos)
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// Inside single quotes nothing is special but the closing quote: a quote in
// the value closes, adds an escaped quote and opens again.
std::string EscapeForSingle(std::string_view value)
{
    std::string escaped;
    for (char c : value) {
        if (c == '\'')
            escaped += "'\\''";
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

std::optional<QuoteStyle> ParseQuoteStyle(std::string_view name)
{
    const std::string folded = LowerAscii(name);
    if (folded.empty() || folded == "lftp")
        return QuoteStyle::Lftp;
    if (folded == "sh")
        return QuoteStyle::Sh;
    if (folded == "none")
        return QuoteStyle::None;
    return std::nullopt;
}

const char* QuoteStyleName(QuoteStyle style)
{
    switch (style) {
    case QuoteStyle::Lftp:
        return "lftp";
    case QuoteStyle::Sh:
        return "sh";
    case QuoteStyle::None:
        return "none";
    }
    return "lftp";
}

void ScriptQuoter::AddTemplate(char c)
{
    m_text += c;
    if (m_style == QuoteStyle::None)
        return;
    if (m_escaped) {
        m_escaped = false;
        return;
    }
    // lftp reads a script line by line: a quote left open ends with its line.
    if (c == '\n' && m_style == QuoteStyle::Lftp) {
        m_state = State::Outside;
        return;
    }
    switch (m_state) {
    case State::Outside:
        if (c == '\\')
            m_escaped = true;
        else if (c == '"')
            m_state = State::InDouble;
        else if (c == '\'')
            m_state = State::InSingle;
        break;
    case State::InDouble:
        if (c == '\\')
            m_escaped = true;
        else if (c == '"')
            m_state = State::Outside;
        break;
    case State::InSingle:
        if (c == '\'')
            m_state = State::Outside;
        break;
    }
}

bool ScriptQuoter::AddValue(std::string_view value)
{
    // A value right after a template backslash would lose its first
    // character to the escape.
    if (m_escaped)
        return false;
    switch (m_style) {
    case QuoteStyle::None:
        if (value.find_first_of(kUnsafeUnquoted) != std::string_view::npos)
            return false;
        m_text += value;
        return true;
    case QuoteStyle::Lftp: {
        const std::string inDouble = EscapeFor(value, "\\\"");
        // Appended piece by piece: a value in single quotes closes them,
        // goes in double quotes, and opens them again.
        const bool inSingle = m_state == State::InSingle;
        const bool quote = m_state != State::InDouble;
        m_text.append(inSingle ? "'" : "").append(quote ? "\"" : "").append(inDouble);
        m_text.append(quote ? "\"" : "").append(inSingle ? "'" : "");
        return true;
    }
    case QuoteStyle::Sh:
        if (m_state == State::InDouble)
            m_text += EscapeFor(value, "\\\"$`");
        else if (m_state == State::InSingle)
            m_text += EscapeForSingle(value);
        else
            m_text.append("'").append(EscapeForSingle(value)).append("'");
        return true;
    }
    return false;
}

} // namespace velmora
