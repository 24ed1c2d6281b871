// The session's results views and the View menu's saved choices.

#include "app/search-session.h"
#include "settings/profile-store.h"
#include "settings/settings-keys.h"

namespace velmora {

SearchSession::ResultsRefresh SearchSession::RefreshResults(std::uint64_t selectedServer) const
{
    ResultsRefresh refresh;
    std::size_t group = 0;
    std::size_t index = 0;
    if (m_nSearchMode != 1 || !m_servers.Find(selectedServer, group, index))
        return refresh;
    const ServerItem& item = m_servers.GetGroups()[group].servers[index];
    const ResultEntry& record = *item.record;
    refresh.hasDetails = true;
    refresh.details = {record.server, std::to_string(record.port), record.user, record.password,
                       GetServerResponse(item)};
    refresh.items = BuildResultsView(m_results, item.text, m_nViewStyle);
    return refresh;
}

std::string SearchSession::GetServerResponse(const ServerItem& item) const
{
    const auto& job = item.record->testJob;
    if (!job || job->verdict.load(std::memory_order_acquire) == kVerdictPending)
        return {};
    return job->reply;
}

void SearchSession::SetViewStyle(int style)
{
    m_nViewStyle = style;
    WritePrivateProfileStringA(keys::kSettingsSection, keys::kViewStyle, std::to_string(style), m_strSettingsPath);
}

void SearchSession::FlipFilterResults()
{
    m_bFilterResults = !m_bFilterResults;
    WritePrivateProfileStringA(keys::kSettingsSection, keys::kFilter, m_bFilterResults ? "1" : "0", m_strSettingsPath);
}

void SearchSession::SetServerDetailsShown(bool shown)
{
    m_bServerDetails = shown;
    WritePrivateProfileStringA(keys::kSettingsSection, keys::kServerDetails, shown ? "1" : "0", m_strSettingsPath);
}

} // namespace velmora
