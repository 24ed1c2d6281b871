#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "results/result-list.h"

namespace velmora {

// Results that are one file on several servers: the same name and the same
// exact size (a rounded size never counts). Results are noted as their
// size becomes known, so the window asks about a file without a pass over
// a million results. Owner's thread only.
class MirrorIndex {
public:
    void Clear() { m_byFile.clear(); }
    // The result's exact size is known now (or again, after a check).
    void Note(const ResultList& results, ResultId id);
    // The same file on other servers, one result a server, in the order
    // they came; none for a result of unknown or rounded size.
    std::vector<ResultId> GetMirrors(const ResultList& results, ResultId id) const;

private:
    static std::string KeyOf(const ResultList& results, ResultId id);
    std::unordered_map<std::string, std::vector<ResultId>> m_byFile; // name and size -> results
};

} // namespace velmora
