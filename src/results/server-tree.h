#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "results/item-state.h"
#include "results/result-entry.h"

namespace velmora {

struct TestJob;

inline constexpr std::size_t kGroupFtp = 0;
inline constexpr std::size_t kGroupHttp = 1;

struct ServerItem {
    std::uint64_t handle = 0;
    std::string text; // the server name
    ItemState state = kStateUntested;
    ResultEntry first;                // the server's first record: how it is reached
    std::shared_ptr<TestJob> testJob; // its latest test
    std::int64_t testedAt = 0;        // when its verdict came, seconds since 1970 (UTC)
    // A server on the user's own network or machine named by a page from
    // outside it: probed only when the user asks for a test pass.
    bool testOnRequest = false;
    // Its results no earlier saved search of the same words held.
    std::uint32_t newResults = 0;
};

struct ServerGroup {
    std::string text; // "FTP" or "HTTP"
    std::vector<ServerItem> servers;
};

// What a server's mark means, with the first line of what it said and, for
// a bad verdict, why (TestJob::why, when known): the tooltip of its item.
std::string DescribeServerState(ItemState state, std::string_view reply, bool testOnRequest = false,
                                std::string_view why = {});

// The servers found by the current search, under "FTP" and "HTTP". Empty
// (no groups) until the first search starts.
class ServerTree {
public:
    // Deletes everything and inserts the two groups.
    void Reset();
    ServerItem& AddServer(std::size_t group, const ResultEntry& first, std::string text);

    // Where the server with that handle stands; false when it is gone.
    bool Find(std::uint64_t handle, std::size_t& group, std::size_t& index) const;
    // Where the server of that name (any letter case) stands in a group;
    // false when it is not listed.
    bool FindByText(std::size_t group, const std::string& text, std::size_t& index) const;
    // Items from the top with both groups open, counting from 1: the "FTP"
    // root, its servers, the "HTTP" root, its servers. Null for a root or
    // a position past the end.
    ServerItem* GetServerItem(int position, std::size_t* group = nullptr, std::size_t* index = nullptr);
    // Roots included.
    int GetItemCount() const;

    const std::vector<ServerGroup>& GetGroups() const { return m_groups; }
    std::vector<ServerGroup>& GetGroups() { return m_groups; }

private:
    std::vector<ServerGroup> m_groups;
    std::uint64_t m_nextHandle = 1;
    // Where each server since the last Reset is, by its handle less
    // m_firstHandle: a test pass finds each of a hundred thousand servers
    // as its test starts and ends.
    std::uint64_t m_firstHandle = 1;
    struct Place {
        std::uint32_t group;
        std::size_t index;
    };
    std::vector<Place> m_places;
    // A server's place by group and name: a million results name their
    // servers a million times.
    // Looked up by a view: a lookup for every found link costs no
    // allocation.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
    };
    std::unordered_map<std::string, std::size_t, TextHash, std::equal_to<>> m_byText[2];
};

} // namespace velmora
