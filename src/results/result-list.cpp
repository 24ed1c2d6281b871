#include "results/result-list.h"

#include "platform/ascii-case.h"

namespace velmora {

std::optional<ResultList::Added> ResultList::Add(std::unique_ptr<ResultEntry> entry)
{
    std::string serverKey = LowerAscii(entry->server);
    // Servers hold no control character, so a NUL cannot be part of one.
    std::string pathKey = serverKey;
    pathKey.append(1, '\0').append(LowerAscii(entry->path));
    if (!m_serverPaths.insert(std::move(pathKey)).second)
        return std::nullopt;
    ResultEntry* added = entry.get();
    m_entries.push_back(std::move(entry));
    m_serverRecords[serverKey].push_back(added);
    const bool newServer = m_servers.emplace(std::move(serverKey), added).second;
    return Added{added, newServer};
}

void ResultList::Clear()
{
    m_entries.clear();
    m_servers.clear();
    m_serverRecords.clear();
    m_serverPaths.clear();
}

ResultEntry* ResultList::FindServer(std::string_view server) const
{
    const auto found = m_servers.find(LowerAscii(server));
    return found == m_servers.end() ? nullptr : found->second;
}

const std::vector<ResultEntry*>& ResultList::GetServerRecords(std::string_view server) const
{
    static const std::vector<ResultEntry*> none;
    const auto found = m_serverRecords.find(LowerAscii(server));
    return found == m_serverRecords.end() ? none : found->second;
}

} // namespace velmora
