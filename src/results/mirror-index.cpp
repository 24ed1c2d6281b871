#include "results/mirror-index.h"

#include <algorithm>

#include "platform/ascii-case.h"

namespace velmora {

std::string MirrorIndex::KeyOf(const ResultList& results, ResultId id)
{
    const std::optional<std::uint64_t> size = results.GetSize(id);
    if (!size || results.IsSizeApproximate(id))
        return {};
    std::string key(results.GetName(id));
    return key.append(1, '\0').append(std::to_string(*size));
}

void MirrorIndex::Note(const ResultList& results, ResultId id)
{
    if (id >= results.GetCount())
        return;
    const std::string key = KeyOf(results, id);
    if (key.empty())
        return;
    std::vector<ResultId>& same = m_byFile[key];
    if (std::find(same.begin(), same.end(), id) == same.end())
        same.push_back(id);
}

std::vector<ResultId> MirrorIndex::GetMirrors(const ResultList& results, ResultId id) const
{
    std::vector<ResultId> mirrors;
    if (id >= results.GetCount())
        return mirrors;
    const std::string key = KeyOf(results, id);
    const auto found = key.empty() ? m_byFile.end() : m_byFile.find(key);
    if (found == m_byFile.end() || found->second.size() < 2)
        return mirrors;
    std::vector<std::string> servers{LowerAscii(ServerKey(results.Get(id)))};
    for (const ResultId other : found->second) {
        // A result noted under a size a later check replaced is no mirror.
        if (other == id || KeyOf(results, other) != key)
            continue;
        std::string server = LowerAscii(ServerKey(results.Get(other)));
        if (std::find(servers.begin(), servers.end(), server) != servers.end())
            continue;
        servers.push_back(std::move(server));
        mirrors.push_back(other);
    }
    return mirrors;
}

} // namespace velmora
