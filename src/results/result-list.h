#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "results/result-entry.h"

namespace velmora {

// The records of the current search. Servers and paths compare without
// regard to letter case; service, port and login play no part, so the same
// file reached by ftp and by http is one result. Both look-ups are hashed:
// one more link costs the same with a million records held as with none.
class ResultList {
public:
    struct Added {
        ResultEntry* entry;
        bool newServer; // no earlier record named this server
    };

    // Takes the record unless it repeats a held server and path.
    std::optional<Added> Add(std::unique_ptr<ResultEntry> entry);
    void Clear();

    std::size_t GetCount() const { return m_entries.size(); }
    // The i-th record from the newest (0) to the oldest.
    const ResultEntry& GetNewest(std::size_t i) const { return *m_entries[m_entries.size() - 1 - i]; }
    // The first record of a server, or null.
    ResultEntry* FindServer(std::string_view server) const;
    // Every record of a server, oldest first.
    const std::vector<ResultEntry*>& GetServerRecords(std::string_view server) const;

private:
    std::vector<std::unique_ptr<ResultEntry>> m_entries; // oldest first
    std::unordered_map<std::string, ResultEntry*> m_servers;
    std::unordered_map<std::string, std::vector<ResultEntry*>> m_serverRecords;
    std::unordered_set<std::string> m_serverPaths;
};

} // namespace velmora
