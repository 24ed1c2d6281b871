#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace velmora {

// Texts kept end to end in blocks of 1 MiB, each ending in a NUL, named by a
// 32-bit reference: a million file names cost their bytes and a few block
// allocations, not a million strings. A text longer than a block gets a
// block of its own. Texts never move, so views into them stay valid until
// Clear. Reference 0 is the empty text.
class TextArena {
public:
    using Ref = std::uint32_t;

    TextArena();
    // Empty when the arena is full (4096 blocks) or the text holds a NUL.
    std::optional<Ref> Add(std::string_view text);
    std::string_view Get(Ref ref) const;
    void Clear();
    std::size_t GetBlockCount() const { return m_blocks.size(); }

private:
    static constexpr unsigned kOffsetBits = 20;
    static constexpr std::size_t kBlockSize = std::size_t{1} << kOffsetBits;
    static constexpr std::size_t kMaxBlocks = std::size_t{1} << (32 - kOffsetBits);

    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_used = 0; // in the last block
    std::size_t m_size = 0; // of the last block
};

} // namespace velmora
