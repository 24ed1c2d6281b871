#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>

#include "store/search-store.h"

namespace velmora {

class ResultList;
class ServerTree;

// Keeps the current search in the searches database as it grows: the
// results that came since the last save and every verdict, one
// transaction a save. It also knows which results no earlier search of the
// same name held. Owner's thread only.
class SearchRecorder {
public:
    using EngineNamer = std::function<std::string(std::uint64_t engineItem)>;

    explicit SearchRecorder(std::string folder) : m_strFolder(std::move(folder)) {}

    void SetEnabled(bool on) { m_bEnabled = on; }
    // How many runs of one name are kept: older ones are dropped when a new
    // run is first saved.
    void SetRunsKept(int runs) { m_nRunsKept = runs; }
    // The name the current search is kept under, or the reopened search's;
    // empty when neither.
    std::string GetName() const { return m_bRecording || m_search.id != 0 ? m_search.name : std::string(); }
    // Drops every run of `name`; the current search is no longer kept if
    // it is one of them. How many were dropped, or nothing with `error`.
    std::optional<std::int64_t> Forget(const std::string& name, std::string& error);
    bool IsEnabled() const { return m_bEnabled; }

    // A new search to keep under `name`. Empty, or why it will not be kept
    // (the search runs on unsaved).
    std::string Begin(std::string name, std::string words, std::vector<std::string> engines = {});
    // A reopened search: later saves add to it.
    void Continue(const SavedSearchInfo& info);
    // Nothing is kept of the current results any more.
    void Drop() { m_bRecording = false; }
    // True when the search is kept and no earlier one of its name held it.
    bool IsNew(const ResultEntry& record) const;

    // A result the list held got a size or date from a listing: a save
    // writes it into the saved result too.
    void NoteFilled(std::size_t resultId);

    // Saves what came since the last save. Empty, or why it failed (what
    // failed is tried again with the next save).
    std::string Save(const ResultList& results, const ServerTree& servers, const EngineNamer& engineName);

    // The database, opened on first use; null with `error` set when it
    // cannot be.
    SearchStore* GetStore(std::string& error);

private:
    std::string m_strFolder;
    std::unique_ptr<SearchStore> m_pStore;
    bool m_bEnabled = false;
    bool m_bRecording = false;
    bool m_bMarkNew = false; // a search begun here, not a reopened one
    SearchUpdate m_search;   // id, name, words and start of the current search
    std::size_t m_nSaved = 0;
    int m_nRunsKept = 5;
    std::vector<std::size_t> m_filled; // saved results filled in since the last save
    std::unordered_set<std::string> m_heldKeys;
};

} // namespace velmora
