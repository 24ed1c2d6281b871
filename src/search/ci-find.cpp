#include "search/ci-find.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace velmora {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool IsLetter(char c)
{
    return c >= 'a' && c <= 'z';
}

// For a lowercase letter, OR-ing 0x20 folds its capital onto it; any other
// character must match exactly.
unsigned char FoldMask(char c)
{
    return IsLetter(c) ? 0x20 : 0x00;
}

bool MatchesAt(std::string_view text, std::string_view pattern, std::size_t at)
{
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[at + i]);
        if (static_cast<unsigned char>(c | FoldMask(pattern[i])) != static_cast<unsigned char>(pattern[i]))
            return false;
    }
    return true;
}

std::size_t FindSingle(std::string_view text, char c, std::size_t from)
{
    if (!IsLetter(c)) {
        const void* hit = std::memchr(text.data() + from, c, text.size() - from);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : npos;
    }
    for (std::size_t i = from; i < text.size(); ++i) {
        if ((text[i] | 0x20) == c)
            return i;
    }
    return npos;
}

} // namespace

std::size_t FindNoCase(std::string_view text, std::string_view pattern, std::size_t pairAt, std::size_t from)
{
    if (from > text.size() || pattern.size() > text.size() - from)
        return npos;
    if (pattern.size() == 1)
        return FindSingle(text, pattern[0], from);
    const std::size_t last = text.size() - pattern.size(); // last possible start
    std::size_t start = from;
#if defined(__SSE2__)
    const __m128i fold1 = _mm_set1_epi8(static_cast<char>(FoldMask(pattern[pairAt])));
    const __m128i fold2 = _mm_set1_epi8(static_cast<char>(FoldMask(pattern[pairAt + 1])));
    const __m128i want1 = _mm_set1_epi8(pattern[pairAt]);
    const __m128i want2 = _mm_set1_epi8(pattern[pairAt + 1]);
    // Sixteen candidate starts at a time, while both loads stay in the text.
    while (start + 16 <= last + 1) {
        const char* at = text.data() + start + pairAt;
        const __m128i first = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), fold1);
        const __m128i second = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), fold2);
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, want1), _mm_cmpeq_epi8(second, want2))));
        while (mask != 0) {
            const auto bit = static_cast<std::size_t>(__builtin_ctz(mask));
            if (MatchesAt(text, pattern, start + bit))
                return start + bit;
            mask &= mask - 1;
        }
        start += 16;
    }
#else
    (void)pairAt;
#endif
    for (; start <= last; ++start) {
        if (MatchesAt(text, pattern, start))
            return start;
    }
    return npos;
}

ForwardFinder::ForwardFinder(std::string_view text, std::string_view pattern, std::size_t pairAt)
    : m_text(text), m_pattern(pattern), m_pairAt(pairAt)
{
    // The pattern as one word, laid out as the text's bytes load into one:
    // OR-ing m_fold folds capitals, m_mask keeps the pattern's bytes.
    if (pattern.size() <= sizeof(std::uint64_t)) {
        unsigned char fold[8] = {};
        unsigned char want[8] = {};
        unsigned char mask[8] = {};
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            fold[i] = FoldMask(pattern[i]);
            want[i] = static_cast<unsigned char>(pattern[i]);
            mask[i] = 0xFF;
        }
        std::memcpy(&m_fold, fold, sizeof fold);
        std::memcpy(&m_want, want, sizeof want);
        std::memcpy(&m_mask, mask, sizeof mask);
    }
}

bool ForwardFinder::MatchesSlowly(std::size_t at) const
{
    return MatchesAt(m_text, m_pattern, at);
}

std::size_t ForwardFinder::Search(std::size_t from)
{
    m_searched = true;
    if (const std::size_t near = SearchWindows(from); near != npos)
        return m_hit = near;
    m_hit = FindNoCase(m_text, m_pattern, m_pairAt, from);
    return m_hit;
}

// The hit in the window at `from` or the next one, if there is one; else
// npos with `from` moved past what was read, for the wide search to go on.
std::size_t ForwardFinder::SearchWindows(std::size_t& from)
{
#if defined(__SSE2__)
    if (m_mask == 0 || m_pattern.size() < 2)
        return npos;
    for (int window = 0; window < 2; ++window) {
        if (!m_windowValid || from < m_windowStart || from >= m_windowStart + 64) {
            // Room for the window's loads and a whole word at its last start.
            if (m_text.size() < 64 + 16 + sizeof(std::uint64_t) ||
                from > m_text.size() - 64 - 16 - sizeof(std::uint64_t))
                return npos;
            m_windowStart = from;
            m_window = 0;
            const __m128i fold1 = _mm_set1_epi8(static_cast<char>(FoldMask(m_pattern[m_pairAt])));
            const __m128i fold2 = _mm_set1_epi8(static_cast<char>(FoldMask(m_pattern[m_pairAt + 1])));
            const __m128i want1 = _mm_set1_epi8(m_pattern[m_pairAt]);
            const __m128i want2 = _mm_set1_epi8(m_pattern[m_pairAt + 1]);
            for (std::size_t block = 0; block < 64; block += 16) {
                const char* at = m_text.data() + from + block + m_pairAt;
                const __m128i first = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)), fold1);
                const __m128i second = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), fold2);
                const auto bits = static_cast<unsigned>(
                    _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, want1), _mm_cmpeq_epi8(second, want2))));
                m_window |= std::uint64_t{bits} << block;
            }
            m_windowValid = true;
        }
        std::uint64_t candidates = m_window & (~std::uint64_t{0} << (from - m_windowStart));
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::size_t at = m_windowStart + static_cast<std::size_t>(__builtin_ctzll(candidates));
            if (MatchesNear(at))
                return at;
        }
        from = m_windowStart + 64;
    }
#else
    (void)from;
#endif
    return npos;
}

} // namespace velmora
