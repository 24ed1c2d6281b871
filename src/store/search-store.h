#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "results/file-check.h"
#include "results/result-entry.h"
#include "store/sqlite-db.h"

namespace velmora {

inline constexpr const char* kSearchesFile = "velmora.db";

// A saved result: the record, the engine that found it, and whether no
// earlier saved search of the same name held it.
struct SavedResult {
    ResultEntry record;
    std::string engine;
    bool isNew = false;
};

// A server's test verdict as it was taken.
struct SavedVerdict {
    std::size_t group = 0; // kGroupFtp or kGroupHttp
    std::string server;    // the server's label (ServerLabel), or its host when not `labelled`
    bool good = false;
    std::string reply;
    std::int64_t taken = 0; // seconds since 1970 (UTC)
    // Kept by label; a search saved before servers were told apart by
    // service and port kept the host alone.
    bool labelled = true;
};

// A size or date a listing told of a result saved before: filled in where
// the saved result has none.
struct FilledResult {
    std::int64_t n = 0; // the result's place in its search
    std::optional<std::uint64_t> size;
    std::optional<std::int64_t> modified;
};

// A file's latest check, by the result's place in its search.
struct SavedCheck {
    std::int64_t n = 0;
    FileCheck check;
};

struct SavedSearchInfo {
    std::int64_t id = 0;
    std::string name;
    std::string words;
    std::int64_t when = 0; // when it started, seconds since 1970 (UTC)
    std::int64_t results = 0;
    std::int64_t servers = 0;
    // The engines it ran with, in the order they were asked; empty for a
    // search saved before they were kept.
    std::vector<std::string> engines;
};

struct SavedSearch {
    SavedSearchInfo info;
    std::vector<SavedResult> results; // in the order they came
    std::vector<SavedVerdict> verdicts;
    std::vector<SavedCheck> checks;
};

// What one save adds to a search: results after those already saved, and
// verdicts (a server's newer verdict replaces its older one). A search with
// id 0 is created by its first save, so a search is never there without
// the results of that save.
struct SearchUpdate {
    std::int64_t id = 0;
    std::string name;
    std::string words;
    std::int64_t when = 0;
    std::int64_t servers = 0;
    std::vector<std::string> engines; // written with a new search's row
    std::vector<SavedResult> newResults;
    std::vector<SavedVerdict> verdicts;
    std::vector<FilledResult> filled; // sizes and dates of results saved before
    std::vector<SavedCheck> checks;   // of results saved before or with this save
};

// A key that compares results as the duplicate check does: the server and
// the path without regard to letter case.
std::string SavedResultKey(std::string_view server, std::string_view path);
// The same key as a number, as the database indexes it (equal for equal
// keys; a few unequal ones may share it).
std::int64_t SavedFileKey(std::string_view server, std::string_view path);

// The searches database, velmora.db in the working folder: searches, their
// results and their servers' verdicts. Every save is one transaction in WAL
// mode, so a crash at any moment leaves every finished save whole.
class SearchStore {
public:
    static constexpr int kSchemaVersion = 4;

    // Opens or creates the database and brings its schema up to date. A
    // locked, damaged or newer database gives an error.
    static Result<std::unique_ptr<SearchStore>> Open(const std::string& folder, int busyTimeoutMs = 2000);
    // Opens an existing database only to read it (listing, exporting): it
    // is never created or changed, and a folder the user may not write to
    // is no obstacle.
    static Result<std::unique_ptr<SearchStore>> OpenToRead(const std::string& folder, int busyTimeoutMs = 2000);

    // How many KiB of the file the connection may keep in memory.
    void SetCacheKiB(int kib);
    // One save; the search's id.
    Result<std::int64_t> Save(const SearchUpdate& update);

    // Newest first, at most `limit`.
    std::vector<SavedSearchInfo> List(std::size_t limit = SIZE_MAX) const;
    // The latest run of each name, newest first, at most `limit`.
    std::vector<SavedSearchInfo> ListLatestOfEach(std::size_t limit) const;
    // Drops the runs of `name` older than its newest `keep`, and gives the
    // space back; how many were dropped.
    Result<std::int64_t> Prune(std::string_view name, std::int64_t keep);
    // Drops every run of `name`, the same way.
    Result<std::int64_t> Forget(std::string_view name);
    std::optional<SavedSearch> Load(std::int64_t id) const;
    // The latest search of that name, or the latest of all.
    std::optional<std::int64_t> FindLatest(std::optional<std::string_view> name) const;
    // Whether a search of `name` with an id up to `upTo` held the file, as
    // the duplicate check compares files. An indexed look-up.
    bool HeldBefore(std::string_view name, std::int64_t upTo, std::string_view server, std::string_view path) const;

private:
    SearchStore() = default;
    Result<void> Migrate();
    Result<std::int64_t> SchemaVersion();
    Result<std::int64_t> SaveSearchRow(const SearchUpdate& update, std::int64_t& count);
    Result<void> SaveResults(std::int64_t id, const std::vector<SavedResult>& results, std::int64_t& count);
    Result<void> SaveVerdicts(std::int64_t id, const std::vector<SavedVerdict>& verdicts);
    Result<void> SaveFilled(std::int64_t id, const std::vector<FilledResult>& filled);
    Result<void> SaveChecks(std::int64_t id, const std::vector<SavedCheck>& checks);
    bool LoadVerdicts(std::int64_t id, std::vector<SavedVerdict>& out) const;
    bool LoadChecks(std::int64_t id, std::vector<SavedCheck>& out) const;
    // A sentence for people: what could not be done to which file, and why.
    Failure Describe(const Failure& error, std::string_view doing) const;
    void GiveSpaceBack();
    std::vector<SavedSearchInfo> ListBy(const char* sql, std::size_t limit) const;

    std::string m_path;
    SqliteDb m_db;
    std::int64_t m_schema = kSchemaVersion; // a reader may find an older one
    // Prepared once: it is asked for every result that comes in. Declared
    // after the database, so it is finished before the database closes.
    mutable std::unique_ptr<SqliteStatement> m_heldQuery;
};

} // namespace velmora
