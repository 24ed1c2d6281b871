#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// How a client's script language quotes, named by the client's `Quote` key.
//  - Lftp: lftp's own syntax: double quotes with backslash escapes, literal
//    single quotes, ";" "!" "|" ">" and "&" outside quotes are syntax. The
//    default, since the shipped lftp template needs it.
//  - Sh: a POSIX shell's: single quotes outside, backslash escapes of
//    "\" "\"" "$" and "`" inside double quotes.
//  - None: values go in as they are, and a value holding a character that
//    could end a word or start a command refuses the launch.
enum class QuoteStyle { Lftp, Sh, None };

// "lftp", "sh" or "none", in any letter case; blank is Lftp. Empty for an
// unknown name.
std::optional<QuoteStyle> ParseQuoteStyle(std::string_view name);
const char* QuoteStyleName(QuoteStyle style);

// Builds a script from template text and values. The template is read with
// the language's own quoting, so a value inside a quoted word of the
// template is escaped for that word, and one outside any quotes becomes a
// quoted word of its own.
class ScriptQuoter {
public:
    explicit ScriptQuoter(QuoteStyle style) : m_style(style) {}

    // Appends the template's own character, following its quoting.
    void AddTemplate(char c);
    // Appends a value at the current place; false when the style cannot
    // carry it safely.
    bool AddValue(std::string_view value);
    const std::string& Text() const { return m_text; }

private:
    enum class State { Outside, InDouble, InSingle };

    QuoteStyle m_style;
    State m_state = State::Outside;
    bool m_escaped = false;
    std::string m_text;
};

} // namespace velmora
