#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace velmora {

// An HTTP date ("Wed, 21 Oct 2026 07:28:00 GMT", RFC 9110's IMF-fixdate) as
// seconds since 1970, read the same way whatever the user's locale; the
// day name is not checked. Nothing when the text is no such date.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);

} // namespace velmora
