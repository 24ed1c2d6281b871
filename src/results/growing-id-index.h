#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <optional>

namespace velmora {

// A hash index of 32-bit ids whose keys live elsewhere (the caller hashes a
// key and tells whether an id's key equals it). It grows without a pause:
// a larger table is taken zeroed from the system, and the old one's
// entries move over a few at each insert, so no single insert pays for
// rehashing a million entries. 8 bytes a slot, at most three quarters full.
//
// The next table is taken before it is needed and its pages written one an
// insert: a fresh page read before it is written is the system's shared
// zero page, and the write after it must then be taken back from every
// processor the program runs on, an interrupt each (the save's thread runs
// on the other one) that made an insert wait on that processor.
class GrowingIdIndex {
public:
    GrowingIdIndex() { Clear(); }

    // The id held under a key equal to the one `hash` and `same` stand for.
    template <typename Same> std::optional<std::uint32_t> Find(std::uint32_t hash, Same same)
    {
        if (auto found = Find(m_current, hash, same))
            return found;
        return m_old.cells ? Find(m_old, hash, same) : std::nullopt;
    }

    // Adds `id` under `hash`; the caller has made sure no equal key is held.
    void Add(std::uint32_t hash, std::uint32_t id)
    {
        MoveSome();
        PrepareNext();
        Put(m_current, Slot(hash, id));
        if (++m_count * 4 > m_current.capacity * 3)
            Grow();
    }

    void Clear()
    {
        m_old = {};
        m_next = {};
        m_current = MakeTable(kFirstCapacity);
        m_moved = 0;
        m_touched = 0;
        m_count = 0;
    }
    std::size_t GetCount() const { return m_count; }

private:
    struct Free {
        void operator()(std::uint64_t* cells) const { std::free(cells); }
    };
    struct Table {
        std::unique_ptr<std::uint64_t[], Free> cells;
        std::size_t capacity = 0;
    };
    static constexpr std::size_t kFirstCapacity = 1024;
    static constexpr std::size_t kMovesPerAdd = 32;
    static constexpr std::size_t kCellsPerPage = 4096 / sizeof(std::uint64_t);

    static std::uint64_t Slot(std::uint32_t hash, std::uint32_t id)
    {
        return (std::uint64_t{hash} << 32) | (std::uint64_t{id} + 1);
    }
    static Table MakeTable(std::size_t capacity)
    {
        // calloc hands out fresh pages already zeroed: no pass over them.
        Table table;
        table.cells.reset(static_cast<std::uint64_t*>(std::calloc(capacity, sizeof(std::uint64_t))));
        if (!table.cells)
            throw std::bad_alloc();
        table.capacity = capacity;
        return table;
    }
    template <typename Same>
    static std::optional<std::uint32_t> Find(const Table& table, std::uint32_t hash, Same& same)
    {
        const std::size_t mask = table.capacity - 1;
        for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
            const std::uint64_t slot = table.cells[at];
            if (slot == 0)
                return std::nullopt;
            const auto id = static_cast<std::uint32_t>((slot & 0xFFFFFFFFu) - 1);
            if ((slot >> 32) == hash && same(id))
                return id;
        }
    }
    static void Put(Table& table, std::uint64_t slot)
    {
        const std::size_t mask = table.capacity - 1;
        std::size_t at = (slot >> 32) & mask;
        while (table.cells[at] != 0)
            at = (at + 1) & mask;
        table.cells[at] = slot;
    }
    void Grow()
    {
        // The previous move is over long before: it needs a thirty-second
        // of the inserts that fill the table again.
        while (m_old.cells)
            MoveSome();
        if (!m_next.cells)
            m_next = MakeTable(m_current.capacity * 2);
        m_old = std::move(m_current);
        m_current = std::move(m_next);
        m_next = {};
        m_moved = 0;
        m_touched = 0;
    }
    // From five eighths full on: the table after this one, a page written
    // an insert. It has a page for every 512 of this table's slots, and an
    // eighth of them are inserts before it is needed.
    void PrepareNext()
    {
        if (!m_next.cells) {
            if (m_count * 8 <= m_current.capacity * 5)
                return;
            m_next = MakeTable(m_current.capacity * 2);
        }
        if (m_touched > m_next.capacity)
            return;
        const std::size_t at = std::min(m_touched, m_next.capacity - 1); // the last page too
        static_cast<volatile std::uint64_t*>(m_next.cells.get())[at] = 0;
        m_touched += kCellsPerPage;
    }
    void MoveSome()
    {
        if (!m_old.cells)
            return;
        const std::size_t end = std::min(m_moved + kMovesPerAdd, m_old.capacity);
        for (; m_moved < end; ++m_moved) {
            if (m_old.cells[m_moved] != 0)
                Put(m_current, m_old.cells[m_moved]);
        }
        if (m_moved == m_old.capacity)
            m_old = {};
    }

    Table m_current;
    Table m_old;
    Table m_next;
    std::size_t m_moved = 0;
    std::size_t m_touched = 0; // the next table's first cell not yet written
    std::size_t m_count = 0;
};

} // namespace velmora
