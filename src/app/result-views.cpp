// The session's results views.

#include "app/search-session.h"
#include "platform/url-split.h"

namespace velmora {

SearchSession::ResultsRefresh SearchSession::RefreshResults(std::uint64_t selectedServer) const
{
    ResultsRefresh refresh;
    std::size_t group = 0;
    std::size_t index = 0;
    if (!m_searched || !m_servers.Find(selectedServer, group, index))
        return refresh;
    const ServerItem& item = m_servers.GetGroups()[group].servers[index];
    const ResultEntry& record = item.first;
    refresh.hasDetails = true;
    // An http(s) request carries no login but one the link named: the
    // anonymous one results get by default is FTP's alone.
    const bool madeUpLogin =
        record.service != kServiceFtp && record.user == kAnonymousUser && record.password == kAnonymousPassword;
    refresh.details = {record.server, std::to_string(record.port), madeUpLogin ? std::string() : record.user,
                       madeUpLogin ? std::string() : record.password, GetServerResponse(item)};
    refresh.server = ServerKey(item.first);
    return refresh;
}

std::string SearchSession::GetServerResponse(const ServerItem& item) const
{
    const auto& job = item.testJob;
    if (!job || job->verdict.load(std::memory_order_acquire) == kVerdictPending)
        return {};
    // What the server said, then why it does not count, unless it says so.
    if (job->why.empty() || job->reply.find(job->why) != std::string::npos)
        return job->reply;
    return job->reply + "\r\n\r\n" + job->why;
}

std::string SearchSession::GetServerWhy(const ServerItem& item) const
{
    const auto& job = item.testJob;
    if (!job || job->verdict.load(std::memory_order_acquire) == kVerdictPending)
        return {};
    return job->why;
}

} // namespace velmora
