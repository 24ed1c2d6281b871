#include "store/search-recorder.h"

#include <ctime>

#include "results/result-list.h"
#include "results/server-probe.h"
#include "results/server-tree.h"

namespace velmora {

Result<SearchStore*> SearchRecorder::GetStore()
{
    m_writer.Flush();
    return OpenStore();
}

Result<SearchStore*> SearchRecorder::OpenStore()
{
    if (!m_store) {
        Result<std::unique_ptr<SearchStore>> opened = SearchStore::Open(m_folder);
        if (!opened)
            return opened.Error();
        m_store = std::move(*opened);
    }
    return m_store.get();
}

Result<void> SearchRecorder::Begin(std::string name, std::string words, std::vector<std::string> engines)
{
    // Saves of the same name still on their way count as earlier; other
    // searches' need not be waited for.
    m_writer.FlushName(name);
    m_recording = false;
    m_search = SearchUpdate{};
    if (!m_enabled)
        return {};
    const Result<SearchStore*> store = OpenStore();
    if (!store)
        return store.Error();
    m_heldUpTo = (*store)->FindLatest(name).value_or(0);
    m_search.name = std::move(name);
    m_search.words = std::move(words);
    m_search.engines = std::move(engines);
    m_search.when = static_cast<std::int64_t>(std::time(nullptr));
    m_saved = 0;
    m_filled.clear();
    m_checks.clear();
    m_lastSave = std::chrono::steady_clock::now();
    ++m_run;
    m_recording = true;
    m_markNew = true;
    return {};
}

void SearchRecorder::Continue(const SavedSearchInfo& info)
{
    m_search = SearchUpdate{};
    m_search.id = info.id;
    m_search.name = info.name;
    m_search.words = info.words;
    m_search.when = info.when;
    m_saved = static_cast<std::size_t>(info.results);
    m_filled.clear();
    m_checks.clear();
    ++m_run;
    m_recording = m_enabled && m_store != nullptr;
    m_markNew = false; // its results were told new or not when it ran
}

Result<std::int64_t> SearchRecorder::Forget(const std::string& name)
{
    const Result<SearchStore*> store = GetStore();
    if (!store)
        return store.Error();
    Result<std::int64_t> dropped = (*store)->Forget(name);
    if (dropped && m_search.name == name) {
        m_recording = false;
        m_search = SearchUpdate{};
    }
    return dropped;
}

void SearchRecorder::NoteFilled(std::size_t resultId)
{
    if (m_recording)
        m_filled.push_back(resultId);
}

void SearchRecorder::NoteChecked(std::size_t resultId, const FileCheck& check)
{
    if (m_recording)
        m_checks.push_back({static_cast<std::int64_t>(resultId), check});
}

bool SearchRecorder::IsNew(const ResultEntry& record) const
{
    if (!m_recording || !m_markNew)
        return false;
    return m_heldUpTo == 0 || !m_store->HeldBefore(m_search.name, m_heldUpTo, record.server, record.path);
}

bool SearchRecorder::IsBatchDue(std::size_t resultCount)
{
    if (!m_recording)
        return false;
    const std::size_t waiting = resultCount - m_saved;
    // The clock is read once in a while: this is asked for every result.
    if (waiting < kBatchResults && (waiting % 256 != 0 || std::chrono::steady_clock::now() - m_lastSave < kBatchWait))
        return false;
    return !m_writer.IsFull();
}

bool SearchRecorder::IsNextSaveDue(std::size_t resultCount) const
{
    if (!m_recording)
        return false;
    const std::size_t waiting = resultCount - m_saved;
    return m_saveAsked || waiting >= kBatchResults ||
           (waiting > 0 && std::chrono::steady_clock::now() - m_lastSave >= kBatchWait);
}

// The search's row and every verdict taken so far, without results.
SearchUpdate SearchRecorder::MakeUpdate(const ServerTree& servers)
{
    SearchUpdate update;
    update.id = m_search.id;
    update.name = m_search.name;
    update.words = m_search.words;
    update.when = m_search.when;
    if (update.id == 0)
        update.engines = m_search.engines;
    std::int64_t serverCount = 0;
    for (std::size_t group = 0; group < servers.GetGroups().size(); ++group) {
        for (const ServerItem& item : servers.GetGroups()[group].servers) {
            ++serverCount;
            if (!item.testJob || (item.state != kStateSuccess && item.state != kStateFailure))
                continue;
            const int verdict = item.testJob->verdict.load(std::memory_order_acquire);
            if (verdict == kVerdictPending)
                continue;
            update.verdicts.push_back({group, item.text, verdict == kVerdictGood, item.testJob->reply, item.testedAt});
        }
    }
    update.servers = serverCount;
    return update;
}

// Sizes and dates saved results got since the last save.
void SearchRecorder::AddFilled(SearchUpdate& update, const ResultList& results) const
{
    for (const std::size_t id : m_filled) {
        // A result not saved yet is written whole with the others.
        if (id >= m_saved)
            continue;
        const ResultEntry record = results.Get(static_cast<ResultId>(id));
        update.filled.push_back(
            {static_cast<std::int64_t>(id), record.sizeApproximate ? std::nullopt : record.size, record.modified});
    }
}

void SearchRecorder::AddChecks(SearchUpdate& update, std::size_t upTo)
{
    std::erase_if(m_checks, [&](SavedCheck& check) {
        if (check.n >= static_cast<std::int64_t>(upTo))
            return false;
        update.checks.push_back(std::move(check));
        return true;
    });
}

void SearchRecorder::Save(const ResultList& results, const ServerTree& servers, const EngineNamer& engineName,
                          bool force)
{
    if (!m_recording)
        return;
    if (!force && m_writer.IsFull()) {
        m_saveAsked = true; // the writer's report of a written one asks again
        return;
    }
    SearchUpdate update = MakeUpdate(servers);
    const std::size_t upTo = std::min(results.GetCount(), m_saved + kBatchResults);
    // Into the room of a written batch: this runs on the window's thread.
    update.newResults = m_writer.TakeSpareResults();
    update.newResults.resize(upTo - m_saved);
    std::uint64_t namedEngine = UINT64_MAX;
    std::string name;
    for (std::size_t id = m_saved; id < upTo; ++id) {
        SavedResult& saved = update.newResults[id - m_saved];
        results.GetInto(static_cast<ResultId>(id), saved.record);
        if (saved.record.engineItem != namedEngine) { // results of one engine come in runs
            namedEngine = saved.record.engineItem;
            name = engineName ? engineName(namedEngine) : std::string();
        }
        saved.engine.assign(name);
        saved.isNew = results.IsNew(static_cast<ResultId>(id));
    }
    AddFilled(update, results);
    AddChecks(update, upTo);
    HandOver(std::move(update), upTo);
    m_saveAsked = upTo < results.GetCount();
}

void SearchRecorder::SaveAndLetGo(ResultList&& results, const ServerTree& servers,
                                  std::unordered_map<std::uint64_t, std::string> engineNames)
{
    if (!m_recording)
        return;
    SearchUpdate update = MakeUpdate(servers);
    AddFilled(update, results);
    AddChecks(update, results.GetCount());
    LeftResults left{std::make_unique<ResultList>(std::move(results)), m_saved, std::move(engineNames)};
    const std::size_t count = left.list->GetCount();
    HandOver(std::move(update), count, std::move(left));
}

void SearchRecorder::HandOver(SearchUpdate update, std::size_t savedUpTo, LeftResults left)
{
    m_saved = savedUpTo;
    m_filled.clear();
    m_saveAsked = false;
    m_lastSave = std::chrono::steady_clock::now();
    m_writer.Hand(m_run, std::move(update), m_runsKept, std::move(left));
}

} // namespace velmora
