#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "store/search-store.h"
#include "store/search-writer.h"

namespace velmora {

class MessageQueue;
class ResultList;
class ServerTree;

// Keeps the current search in the searches database as it grows: the
// results that came since the last save and every verdict, handed in
// batches to a writer thread. It also asks the database which results no
// earlier search of the same name held. Owner's thread only.
class SearchRecorder {
public:
    using EngineNamer = std::function<std::string(std::uint64_t engineItem)>;

    // Results waiting for a save: at most this many, or this long. One save
    // takes at most this many.
    static constexpr std::size_t kBatchResults = SearchWriter::kWriterBatch;
    static constexpr std::chrono::milliseconds kBatchWait{500};

    // Failed saves are posted to `reports` (kMsgSaveFailed).
    SearchRecorder(std::string folder, std::shared_ptr<MessageQueue> reports)
        : m_folder(folder), m_writer(std::move(folder), std::move(reports))
    {
    }

    void SetEnabled(bool on) { m_enabled = on; }
    // How many runs of one name are kept: older ones are dropped when a new
    // run is first saved.
    void SetRunsKept(int runs) { m_runsKept = runs; }
    // The name the current search is kept under, or the reopened search's;
    // empty when neither.
    std::string GetName() const { return m_recording || m_search.id != 0 ? m_search.name : std::string(); }
    // Drops every run of `name`; the current search is no longer kept if
    // it is one of them. How many were dropped.
    Result<std::int64_t> Forget(const std::string& name);
    bool IsEnabled() const { return m_enabled; }

    // A new search to keep under `name`; a failure says why it will not be
    // kept (the search runs on unsaved).
    Result<void> Begin(std::string name, std::string words, std::vector<std::string> engines = {});
    // A reopened search: later saves add to it.
    void Continue(const SavedSearchInfo& info);
    // Nothing is kept of the current results any more.
    void Drop() { m_recording = false; }
    // True when the search is kept and no earlier one of its name held it.
    bool IsNew(const ResultEntry& record) const;

    // A result the list held got a size or date from a listing: a save
    // writes it into the saved result too.
    void NoteFilled(std::size_t resultId);
    // A result's file was checked: a save keeps the check with the result.
    void NoteChecked(std::size_t resultId, const FileCheck& check);

    // True when enough has come since the last save, or for long enough,
    // that the next should be made now: not while the writer has as many
    // saves waiting as it takes (its report of a written one asks again).
    bool IsBatchDue(std::size_t resultCount);
    // After a written save: true when a save was held back or left more
    // than it took, or when a batch's worth or its time has come since the
    // last. Results that come while one is written thus wait for their
    // batch, not a save each few of them.
    bool IsNextSaveDue(std::size_t resultCount) const;
    // True when a save is still to be made: results not handed over, or a
    // save asked for while the writer was busy.
    bool HasUnsaved(std::size_t resultCount) const
    {
        return m_recording && (m_saveAsked || resultCount > m_saved || !m_checks.empty() || !m_filled.empty());
    }
    // Hands at most a batch of what came since the last save, and every
    // verdict, to the writer; held back while the writer has as many saves
    // waiting as it takes. `force` hands it anyway. What is left beyond the
    // batch is due when the writer reports (IsNextSaveDue).
    void Save(const ResultList& results, const ServerTree& servers, const EngineNamer& engineName, bool force = false);
    // Hands all that is not saved yet of a list that is being let go of,
    // the list with it: the writer reads the rest and frees it.
    void SaveAndLetGo(ResultList&& results, const ServerTree& servers,
                      std::unordered_map<std::uint64_t, std::string> engineNames);
    // Returns once every save handed over is written or has failed.
    void Flush() { m_writer.Flush(); }

    // The database as it is after every save handed over, opened on first
    // use.
    Result<SearchStore*> GetStore();

private:
    Result<SearchStore*> OpenStore();
    SearchUpdate MakeUpdate(const ServerTree& servers);
    void AddFilled(SearchUpdate& update, const ResultList& results) const;
    // The checks of results saved up to `upTo`; later ones wait for them.
    void AddChecks(SearchUpdate& update, std::size_t upTo);
    void HandOver(SearchUpdate update, std::size_t savedUpTo, LeftResults left = {});

    std::string m_folder;
    std::unique_ptr<SearchStore> m_store; // this thread's: reads, Forget
    SearchWriter m_writer;
    bool m_enabled = false;
    bool m_recording = false;
    bool m_markNew = false; // a search begun here, not a reopened one
    SearchUpdate m_search;  // id, name, words and start of the current search
    std::uint64_t m_run = 0;
    std::size_t m_saved = 0;
    bool m_saveAsked = false;
    std::chrono::steady_clock::time_point m_lastSave;
    int m_runsKept = 5;
    std::int64_t m_heldUpTo = 0;       // the earlier searches new results are told from
    std::vector<std::size_t> m_filled; // saved results filled in since the last save
    std::vector<SavedCheck> m_checks;  // file checks since the last save
};

} // namespace velmora
