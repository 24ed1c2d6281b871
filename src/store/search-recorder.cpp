#include "store/search-recorder.h"

#include <ctime>

#include "results/result-list.h"
#include "results/server-probe.h"
#include "results/server-tree.h"

namespace velmora {

SearchStore* SearchRecorder::GetStore(std::string& error)
{
    if (!m_pStore) {
        SearchStore::Opening opening = SearchStore::Open(m_strFolder);
        if (!opening.store) {
            error = opening.error;
            return nullptr;
        }
        m_pStore = std::move(opening.store);
    }
    return m_pStore.get();
}

std::string SearchRecorder::Begin(std::string name, std::string words, std::vector<std::string> engines)
{
    m_bRecording = false;
    m_heldKeys.clear();
    m_search = SearchUpdate{};
    if (!m_bEnabled)
        return {};
    std::string error;
    SearchStore* store = GetStore(error);
    if (!store)
        return error;
    m_heldKeys = store->HeldKeys(name);
    m_search = SearchUpdate{};
    m_search.name = std::move(name);
    m_search.words = std::move(words);
    m_search.engines = std::move(engines);
    m_search.when = static_cast<std::int64_t>(std::time(nullptr));
    m_nSaved = 0;
    m_filled.clear();
    m_bRecording = true;
    m_bMarkNew = true;
    return {};
}

void SearchRecorder::Continue(const SavedSearchInfo& info)
{
    m_heldKeys.clear();
    m_search = SearchUpdate{};
    m_search.id = info.id;
    m_search.name = info.name;
    m_search.words = info.words;
    m_search.when = info.when;
    m_nSaved = static_cast<std::size_t>(info.results);
    m_filled.clear();
    m_bRecording = m_bEnabled && m_pStore != nullptr;
    m_bMarkNew = false; // its results were told new or not when it ran
}

std::optional<std::int64_t> SearchRecorder::Forget(const std::string& name, std::string& error)
{
    SearchStore* store = GetStore(error);
    if (!store)
        return std::nullopt;
    const auto dropped = store->Forget(name, error);
    if (dropped && m_search.name == name) {
        m_bRecording = false;
        m_search = SearchUpdate{};
    }
    return dropped;
}

void SearchRecorder::NoteFilled(std::size_t resultId)
{
    if (m_bRecording)
        m_filled.push_back(resultId);
}

bool SearchRecorder::IsNew(const ResultEntry& record) const
{
    return m_bRecording && m_bMarkNew && !m_heldKeys.contains(SavedResultKey(record.server, record.path));
}

std::string SearchRecorder::Save(const ResultList& results, const ServerTree& servers, const EngineNamer& engineName)
{
    if (!m_bRecording || !m_pStore)
        return {};
    SearchUpdate update;
    update.id = m_search.id;
    update.name = m_search.name;
    update.words = m_search.words;
    update.when = m_search.when;
    if (update.id == 0)
        update.engines = m_search.engines;
    for (std::size_t id = m_nSaved; id < results.GetCount(); ++id) {
        SavedResult saved;
        saved.record = results.Get(static_cast<ResultId>(id));
        saved.engine = engineName ? engineName(saved.record.engineItem) : std::string();
        saved.isNew = results.IsNew(static_cast<ResultId>(id));
        update.newResults.push_back(std::move(saved));
    }
    for (const std::size_t id : m_filled) {
        // A result not saved yet is written whole with the others.
        if (id >= m_nSaved)
            continue;
        const ResultEntry record = results.Get(static_cast<ResultId>(id));
        update.filled.push_back(
            {static_cast<std::int64_t>(id), record.sizeApproximate ? std::nullopt : record.size, record.modified});
    }
    std::int64_t serverCount = 0;
    for (std::size_t group = 0; group < servers.GetGroups().size(); ++group) {
        for (const ServerItem& item : servers.GetGroups()[group].servers) {
            ++serverCount;
            if (!item.testJob || (item.mark != kMarkSuccess && item.mark != kMarkFailure))
                continue;
            const int verdict = item.testJob->verdict.load(std::memory_order_acquire);
            if (verdict == kVerdictPending)
                continue;
            update.verdicts.push_back({group, item.text, verdict == kVerdictGood, item.testJob->reply, item.testedAt});
        }
    }
    update.servers = serverCount;
    std::string error;
    const auto id = m_pStore->Save(update, error);
    if (!id)
        return error;
    const bool newRun = m_search.id == 0;
    m_search.id = *id;
    m_nSaved = results.GetCount();
    m_filled.clear();
    // A new run pushes the oldest of its name out. The search itself is
    // saved either way: a prune that fails is tried again by the next run.
    if (newRun)
        m_pStore->Prune(m_search.name, m_nRunsKept, error);
    return {};
}

} // namespace velmora
