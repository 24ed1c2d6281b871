#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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
    std::size_t Next(std::size_t from)
    {
        if (m_searched && (m_hit == npos || m_hit >= from))
            return m_hit;
        // The next hit in the window already read, as on a page dense with hits.
        if (m_windowValid && from >= m_windowStart && from - m_windowStart < 64) {
            std::uint64_t candidates = m_window & (~std::uint64_t{0} << (from - m_windowStart));
            for (; candidates != 0; candidates &= candidates - 1) {
                const std::size_t at = m_windowStart + static_cast<std::size_t>(__builtin_ctzll(candidates));
                if (MatchesNear(at))
                    return m_hit = at;
            }
        }
        return Search(from);
    }

private:
    static constexpr std::size_t npos = std::string_view::npos;
    std::size_t Search(std::size_t from);
    std::size_t SearchWindows(std::size_t& from);
    bool MatchesNear(std::size_t at) const
    {
        if (m_mask != 0 && m_text.size() - at >= sizeof(std::uint64_t)) {
            std::uint64_t word = 0;
            std::memcpy(&word, m_text.data() + at, sizeof word);
            return ((word | m_fold) & m_mask) == m_want;
        }
        return MatchesSlowly(at);
    }
    bool MatchesSlowly(std::size_t at) const;

    std::string_view m_text;
    std::string_view m_pattern;
    std::size_t m_pairAt;
    std::size_t m_hit = 0;
    bool m_searched = false;
    std::uint64_t m_fold = 0;
    std::uint64_t m_want = 0;
    std::uint64_t m_mask = 0; // 0: the pattern is longer than a word
    // Where the pattern's rare pair stands in the 64 bytes from
    // m_windowStart: a page dense with hits is read 64 bytes at a time.
    std::size_t m_windowStart = 0;
    std::uint64_t m_window = 0;
    bool m_windowValid = false;
};

} // namespace velmora
