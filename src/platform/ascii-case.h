#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace velmora {

// Names, servers and paths compare without regard to the case of A to Z;
// other bytes compare as they are.
inline char LowerAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string LowerAscii(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower)
        c = LowerAscii(c);
    return lower;
}

// A text lowered for a lookup, NUL-terminated, without an allocation when
// it is as short as a host name; it lives as long as this object.
class LoweredText {
public:
    explicit LoweredText(std::string_view text)
    {
        char* out = m_short.data();
        if (text.size() >= m_short.size()) {
            m_long.resize(text.size());
            out = m_long.data();
        }
        std::transform(text.begin(), text.end(), out, [](char c) { return LowerAscii(c); });
        out[text.size()] = '\0';
        m_view = std::string_view(out, text.size());
    }
    LoweredText(const LoweredText&) = delete;
    LoweredText& operator=(const LoweredText&) = delete;

    std::string_view View() const { return m_view; }
    const char* CString() const { return m_view.data(); }

private:
    std::array<char, 256> m_short;
    std::string m_long;
    std::string_view m_view;
};

inline bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    }
    return true;
}

} // namespace velmora
