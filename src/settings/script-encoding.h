#pragma once

#include <string>
#include <string_view>

namespace velmora {

// A client script is stored on one line: CRs are dropped and each LF
// becomes a backslash and "n". Not escaped: a typed backslash-n comes back
// as a line break.
std::string EncodeScript(std::string_view script);

// Each backslash-"n" becomes CR LF.
std::string DecodeScript(std::string_view stored);

} // namespace velmora
