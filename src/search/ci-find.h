#pragma once

#include <cstddef>
#include <string_view>

namespace velmora {

// Finds `pattern` (lowercase ASCII) in `text` from `from` on, letters
// matching in either case, without a lowercased copy of the text.
// `pairAt` names two neighbouring pattern characters that are rare in the
// text; the search looks for those first, then checks the whole pattern.
std::size_t FindNoCase(std::string_view text, std::string_view pattern, std::size_t pairAt, std::size_t from);

// Remembers the last hit of a pattern so that a scan whose start positions
// only grow reads each byte of the text at most once, even when the pattern
// is far away or missing (an answer of "none" stays true further on).
class ForwardFinder {
public:
    ForwardFinder(std::string_view text, std::string_view pattern, std::size_t pairAt = 0);

    // First hit at or after `from`; npos when none. `from` must not shrink.
    std::size_t Next(std::size_t from);

private:
    std::string_view m_text;
    std::string_view m_pattern;
    std::size_t m_pairAt;
    std::size_t m_hit = 0;
    bool m_searched = false;
};

} // namespace velmora
