#include "results/server-tree.h"

#include <utility>

#include "platform/ascii-case.h"
#include "platform/text-escape.h"

namespace velmora {

std::string DescribeServerState(ItemState state, std::string_view reply, bool testOnRequest, std::string_view why)
{
    const std::string_view firstLine = reply.substr(0, reply.find_first_of("\r\n"));
    const std::string said = EscapeControls(firstLine.substr(0, 200));
    switch (state) {
    case kStateRunning:
        return "Being tested.";
    case kStateSuccess:
        return "Answered as a working server" + (said.empty() ? std::string(".") : ": " + said);
    case kStateFailure:
        if (why.empty())
            return "Did not answer as a working server" + (said.empty() ? std::string(".") : ": " + said);
        // The reply may be the reason itself; then it is not said twice.
        return "Did not answer as a working server. " + std::string(why) +
               (said.empty() || said.find(why) != std::string::npos ? "" : " It said: " + said);
    default:
        return testOnRequest ? "Not tested automatically: it is on your own network or computer, and a page from "
                               "elsewhere named it. Tests > Re-Test Results tests it."
                             : "Not tested yet: Tests > Re-Test Results tests every server.";
    }
}

void ServerTree::Reset()
{
    m_groups.clear();
    for (auto& names : m_byText)
        names.clear();
    m_places.clear();
    m_firstHandle = m_nextHandle;
    m_groups.push_back({"FTP", {}});
    m_groups.push_back({"HTTP", {}});
}

ServerItem& ServerTree::AddServer(std::size_t group, const ResultEntry& first, std::string text)
{
    ServerItem item;
    item.handle = m_nextHandle++;
    item.text = std::move(text);
    item.first = first;
    if (group < std::size(m_byText))
        m_byText[group].emplace(LowerAscii(item.text), m_groups[group].servers.size());
    m_places.push_back({static_cast<std::uint32_t>(group), m_groups[group].servers.size()});
    m_groups[group].servers.push_back(std::move(item));
    return m_groups[group].servers.back();
}

bool ServerTree::FindByText(std::size_t group, const std::string& text, std::size_t& index) const
{
    if (group >= std::size(m_byText))
        return false;
    const auto found = m_byText[group].find(LoweredText(text).View());
    if (found == m_byText[group].end())
        return false;
    index = found->second;
    return true;
}

bool ServerTree::Find(std::uint64_t handle, std::size_t& group, std::size_t& index) const
{
    if (handle < m_firstHandle || handle - m_firstHandle >= m_places.size())
        return false;
    const Place& place = m_places[handle - m_firstHandle];
    group = place.group;
    index = place.index;
    return true;
}

ServerItem* ServerTree::GetServerItem(int position, std::size_t* group, std::size_t* index)
{
    int first = 1; // the position of the current group's root
    for (std::size_t g = 0; g < m_groups.size(); ++g) {
        const int count = static_cast<int>(m_groups[g].servers.size());
        if (position > first && position <= first + count) {
            const auto i = static_cast<std::size_t>(position - first - 1);
            if (group)
                *group = g;
            if (index)
                *index = i;
            return &m_groups[g].servers[i];
        }
        first += count + 1;
    }
    return nullptr;
}

int ServerTree::GetItemCount() const
{
    int count = 0;
    for (const ServerGroup& group : m_groups)
        count += 1 + static_cast<int>(group.servers.size());
    return count;
}

} // namespace velmora
