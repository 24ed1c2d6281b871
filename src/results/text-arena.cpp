#include "results/text-arena.h"

#include <cstring>

namespace velmora {

TextArena::TextArena()
{
    Clear();
}

void TextArena::Clear()
{
    m_blocks.clear();
    // Block 0 starts with the empty text, so reference 0 names it.
    m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
    m_blocks.back()[0] = '\0';
    m_used = 1;
    m_size = kBlockSize;
}

std::optional<TextArena::Ref> TextArena::Add(std::string_view text)
{
    if (text.empty())
        return Ref{0};
    if (text.find('\0') != std::string_view::npos)
        return std::nullopt;
    const std::size_t needed = text.size() + 1;
    // A reference keeps 20 bits of offset, so a text may not start past
    // them even in a block made large for one long text.
    if (m_used + needed > m_size || m_used >= kBlockSize) {
        if (m_blocks.size() >= kMaxBlocks)
            return std::nullopt;
        m_size = needed > kBlockSize ? needed : kBlockSize;
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(m_size));
        m_used = 0;
    }
    char* at = m_blocks.back().get() + m_used;
    std::memcpy(at, text.data(), text.size());
    at[text.size()] = '\0';
    const auto ref = static_cast<Ref>(((m_blocks.size() - 1) << kOffsetBits) | m_used);
    m_used += needed;
    return ref;
}

std::string_view TextArena::Get(Ref ref) const
{
    const std::size_t block = ref >> kOffsetBits;
    const std::size_t offset = ref & (kBlockSize - 1);
    if (block >= m_blocks.size())
        return {};
    return std::string_view(m_blocks[block].get() + offset);
}

} // namespace velmora
