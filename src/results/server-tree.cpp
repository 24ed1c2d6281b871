#include "results/server-tree.h"

#include <utility>

namespace velmora {

void ServerTree::Reset()
{
    m_groups.clear();
    m_groups.push_back({"FTP", {}});
    m_groups.push_back({"HTTP", {}});
}

ServerItem& ServerTree::AddServer(std::size_t group, ResultEntry* record, std::string text)
{
    ServerItem item;
    item.handle = m_nNextHandle++;
    item.text = std::move(text);
    item.record = record;
    m_groups[group].servers.push_back(std::move(item));
    return m_groups[group].servers.back();
}

} // namespace velmora
