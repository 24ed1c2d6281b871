#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

// Length of the valid UTF-8 sequence at `at`, or 0 when the byte there does
// not start one.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// Text from the web made safe to show: control bytes (C0, DEL, and C1
// whether written as UTF-8 or as lone bytes), the bidirectional overrides
// that could make a name read backwards, and bytes that are not valid UTF-8
// are written escaped ("\x1b", "\u009b", "\u202e"); other valid UTF-8
// text stays as it is. With `keepLineBreaks`, tabs, CR and LF stay too (a server's reply
// shown in a text box).
std::string EscapeControls(std::string_view text, bool keepLineBreaks = false);

// Every byte but the unreserved ones (letters, digits, "-._~")
// percent-encoded, as a query's value must be; with `spaceAsPlus` a blank
// becomes "+" (the form search engines read).
std::string EncodeQueryValue(std::string_view text, bool spaceAsPlus = false);

// A name as a server sent it, made readable: itself when it is valid UTF-8,
// else read as Latin-1 (what older FTP servers mostly send), so "caf\xE9"
// shows as "café". Only for showing: the name's own bytes still make its
// URL.
std::string ReadableName(std::string_view bytes);

} // namespace velmora
