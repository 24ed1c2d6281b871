#include "store/search-store.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>

#include "platform/ascii-case.h"
#include "platform/paths.h"

namespace velmora {

namespace {

const char* const kCreateSchema = R"sql(
CREATE TABLE searches(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  words TEXT NOT NULL,
  started INTEGER NOT NULL,
  results INTEGER NOT NULL DEFAULT 0,
  servers INTEGER NOT NULL DEFAULT 0,
  engines TEXT NOT NULL DEFAULT '');
CREATE INDEX searches_by_name ON searches(name, id);
CREATE TABLE results(
  search INTEGER NOT NULL REFERENCES searches(id) ON DELETE CASCADE,
  n INTEGER NOT NULL,
  service INTEGER NOT NULL,
  server TEXT NOT NULL,
  port INTEGER NOT NULL,
  path TEXT NOT NULL,
  user TEXT NOT NULL,
  password TEXT NOT NULL,
  description TEXT NOT NULL,
  engine TEXT NOT NULL,
  size INTEGER,
  modified INTEGER,
  listed INTEGER NOT NULL,
  new INTEGER NOT NULL,
  file INTEGER NOT NULL DEFAULT 0,
  PRIMARY KEY(search, n));
CREATE INDEX results_by_file ON results(file);
CREATE TABLE verdicts(
  search INTEGER NOT NULL REFERENCES searches(id) ON DELETE CASCADE,
  grp INTEGER NOT NULL,
  server TEXT NOT NULL,
  good INTEGER NOT NULL,
  reply TEXT NOT NULL,
  taken INTEGER NOT NULL,
  PRIMARY KEY(search, grp, server));
PRAGMA user_version = 3;
)sql";
// The version kCreateSchema makes; the steps after it bring it up to date.
constexpr std::int64_t kCreatedVersion = 3;

// Version 1 kept no engines.
const char* const kAddEngines = R"sql(
ALTER TABLE searches ADD COLUMN engines TEXT NOT NULL DEFAULT '';
PRAGMA user_version = 2;
)sql";

// Version 2 had no index to tell whether an earlier search held a file.
const char* const kAddFileIndex = R"sql(
ALTER TABLE results ADD COLUMN file INTEGER NOT NULL DEFAULT 0;
UPDATE results SET file = velmora_file(server, path);
CREATE INDEX results_by_file ON results(file);
PRAGMA user_version = 3;
)sql";

// Version 3 kept no file checks, and kept verdicts by host alone.
const char* const kAddChecks = R"sql(
ALTER TABLE verdicts ADD COLUMN labelled INTEGER NOT NULL DEFAULT 0;
CREATE TABLE checks(
  search INTEGER NOT NULL REFERENCES searches(id) ON DELETE CASCADE,
  n INTEGER NOT NULL,
  alive INTEGER NOT NULL,
  status INTEGER NOT NULL,
  reason TEXT NOT NULL,
  taken INTEGER NOT NULL,
  PRIMARY KEY(search, n));
PRAGMA user_version = 4;
)sql";

// velmora_file(server, path) in SQL, for the rows a migration indexes.
void FileKeyFunction(sqlite3_context* context, int, sqlite3_value** values)
{
    const auto text = [](sqlite3_value* value) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite3_value_text(value));
        return std::string_view(bytes ? bytes : "", static_cast<std::size_t>(sqlite3_value_bytes(value)));
    };
    sqlite3_result_int64(context, SavedFileKey(text(values[0]), text(values[1])));
}

// Engine names hold no line break (a profile section name cannot).
std::string JoinLines(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text.append(text.empty() ? "" : "\n").append(name);
    return text;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> names;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        if (end > at)
            names.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return names;
}

} // namespace

std::int64_t SavedFileKey(std::string_view server, std::string_view path)
{
    // FNV-1a over the key's bytes: stable across builds, as stored keys
    // must be.
    std::uint64_t hash = 14695981039346656037ull;
    const auto add = [&hash](char c) {
        hash ^= static_cast<unsigned char>(LowerAscii(c));
        hash *= 1099511628211ull;
    };
    for (const char c : server)
        add(c);
    add('\n');
    for (const char c : path)
        add(c);
    return static_cast<std::int64_t>(hash);
}

std::string SavedResultKey(std::string_view server, std::string_view path)
{
    std::string key(server);
    key.push_back('\n');
    key.append(path);
    for (char& c : key)
        c = LowerAscii(c);
    return key;
}

Result<std::unique_ptr<SearchStore>> SearchStore::Open(const std::string& folder, int busyTimeoutMs)
{
    std::unique_ptr<SearchStore> store(new SearchStore());
    store->m_path = JoinPath(folder, kSearchesFile);
    if (auto opened = store->m_db.Open(store->m_path, busyTimeoutMs); !opened)
        return store->Describe(opened.Error(), "opened");
    // WAL: a writer killed mid-transaction leaves the last commit whole,
    // and readers never wait for it.
    // auto_vacuum takes only in a new file: pruned searches give their
    // pages back at once (an older file is rewritten at its first prune).
    const char* setup = "PRAGMA auto_vacuum=INCREMENTAL; PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; "
                        "PRAGMA foreign_keys=ON;";
    if (auto set = store->m_db.Execute(setup); !set)
        return store->Describe(set.Error(), "opened");
    if (auto migrated = store->Migrate(); !migrated)
        return migrated.Error();
    return store;
}

Result<std::unique_ptr<SearchStore>> SearchStore::OpenToRead(const std::string& folder, int busyTimeoutMs)
{
    std::unique_ptr<SearchStore> store(new SearchStore());
    store->m_path = JoinPath(folder, kSearchesFile);
    Failure problem;
    for (const bool immutable : {false, true}) {
        // Without the folder's leave to make WAL's lock files, the file can
        // still be read as one nobody is changing.
        store->m_db.Close();
        if (auto opened = store->m_db.OpenToRead(store->m_path, busyTimeoutMs, immutable); !opened) {
            problem = store->Describe(opened.Error(), "opened");
            continue;
        }
        const Result<std::int64_t> schema = store->SchemaVersion();
        if (!schema) {
            problem = schema.Error();
            continue;
        }
        store->m_schema = *schema;
        if (*schema > kSchemaVersion)
            return Failure{"The searches database " + store->m_path + " was written by a newer Velmora."};
        if (*schema == 0)
            return Failure{"The searches database " + store->m_path + " holds no searches yet."};
        return store;
    }
    return problem;
}

// PRAGMA user_version, the statement done with before anything else runs.
Result<std::int64_t> SearchStore::SchemaVersion()
{
    SqliteStatement version(m_db, "PRAGMA user_version");
    if (!version.Step())
        return Describe(m_db.LastError(), "read");
    return version.Int(0);
}

Result<void> SearchStore::Migrate()
{
    // The version is read by a statement that is finished before BEGIN
    // IMMEDIATE: one left pending would make SQLite refuse the write lock
    // at once (a possible deadlock) instead of waiting for it.
    const Result<std::int64_t> version = SchemaVersion();
    if (!version)
        return version.Error();
    if (*version == kSchemaVersion)
        return {};
    if (*version > kSchemaVersion)
        return Failure{"The searches database " + m_path +
                       " was written by a newer Velmora; it is left as it is and searches are not saved."};
    SqliteTransaction transaction(m_db);
    if (auto begun = transaction.Begin(); !begun)
        return Describe(begun.Error(), "prepared");
    // Another program may have created it while we waited for the lock.
    const Result<std::int64_t> again = SchemaVersion();
    if (!again)
        return again.Error();
    sqlite3_create_function(m_db.Handle(), "velmora_file", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
                            FileKeyFunction, nullptr, nullptr);
    const char* steps[] = {kAddEngines, kAddFileIndex, kAddChecks};
    std::int64_t from = *again;
    if (from == 0) {
        if (auto created = m_db.Execute(kCreateSchema); !created)
            return Describe(created.Error(), "prepared");
        from = kCreatedVersion;
    }
    for (; from < kSchemaVersion; ++from) {
        if (auto stepped = m_db.Execute(steps[from - 1]); !stepped)
            return Describe(stepped.Error(), "prepared");
    }
    if (auto committed = transaction.Commit(); !committed)
        return Describe(committed.Error(), "prepared");
    return {};
}

Failure SearchStore::Describe(const Failure& error, std::string_view doing) const
{
    if (error.code == SQLITE_CORRUPT || error.code == SQLITE_NOTADB)
        return {"The searches database " + m_path + " is damaged (" + error.text +
                    "). Move it away and Velmora starts a new one.",
                error.code};
    if (error.code == SQLITE_BUSY || error.code == SQLITE_LOCKED)
        return {"The searches database " + m_path + " stayed locked by another program.", error.code};
    return {"The searches database " + m_path + " could not be " + std::string(doing) + " (" + error.text + ").",
            error.code};
}

void SearchStore::SetCacheKiB(int kib)
{
    (void)m_db.Execute(("PRAGMA cache_size=-" + std::to_string(kib) + ";").c_str());
}

Result<std::int64_t> SearchStore::Save(const SearchUpdate& update)
{
    SqliteTransaction transaction(m_db);
    if (auto begun = transaction.Begin(); !begun)
        return Describe(begun.Error(), "written");
    std::int64_t count = 0;
    const Result<std::int64_t> id = SaveSearchRow(update, count);
    if (!id)
        return id;
    Result<void> saved = SaveResults(*id, update.newResults, count);
    if (saved)
        saved = SaveVerdicts(*id, update.verdicts);
    if (saved)
        saved = SaveFilled(*id, update.filled);
    if (saved)
        saved = SaveChecks(*id, update.checks);
    if (!saved)
        return saved.Error();
    SqliteStatement totals(m_db, "UPDATE searches SET results = ?, servers = ? WHERE id = ?");
    totals.Bind(1, count).Bind(2, update.servers).Bind(3, *id);
    totals.Step();
    if (totals.Failed())
        return Describe(m_db.LastError(), "written");
    if (auto committed = transaction.Commit(); !committed)
        return Describe(committed.Error(), "written");
    return id;
}

// A new search's row, or the count of results an earlier save kept.
Result<std::int64_t> SearchStore::SaveSearchRow(const SearchUpdate& update, std::int64_t& count)
{
    if (update.id == 0) {
        SqliteStatement insert(m_db, "INSERT INTO searches(name, words, started, engines) VALUES(?, ?, ?, ?)");
        insert.Bind(1, update.name).Bind(2, update.words).Bind(3, update.when).Bind(4, JoinLines(update.engines));
        insert.Step();
        if (insert.Failed())
            return Describe(m_db.LastError(), "written");
        count = 0;
        return m_db.LastInsertId();
    }
    SqliteStatement select(m_db, "SELECT results FROM searches WHERE id = ?");
    select.Bind(1, update.id);
    if (!select.Step()) {
        if (select.Failed())
            return Describe(m_db.LastError(), "read");
        return Failure{"The saved search is no longer in the searches database " + m_path + "."};
    }
    count = select.Int(0);
    return update.id;
}

namespace {

// A size as SQLite keeps it: none past its largest integer.
std::optional<std::int64_t> StoredSize(std::optional<std::uint64_t> size)
{
    if (!size || *size > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    return static_cast<std::int64_t>(*size);
}

} // namespace

// The results after the `count` already kept; `count` grows with them.
Result<void> SearchStore::SaveResults(std::int64_t id, const std::vector<SavedResult>& results, std::int64_t& count)
{
    SqliteStatement insert(m_db, "INSERT INTO results(search, n, service, server, port, path, user, password, "
                                 "description, engine, size, modified, listed, new, file) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const SavedResult& result : results) {
        const ResultEntry& record = result.record;
        insert.Reset();
        insert.Bind(1, id).Bind(2, count++).Bind(3, std::int64_t{record.service}).BindUnchanged(4, record.server);
        insert.Bind(5, std::int64_t{record.port}).BindUnchanged(6, record.path).BindUnchanged(7, record.user);
        insert.BindUnchanged(8, record.password).BindUnchanged(9, record.description);
        insert.BindUnchanged(10, result.engine);
        // A rounded size is no count of bytes: it is not kept as one.
        insert.Bind(11, record.sizeApproximate ? std::nullopt : StoredSize(record.size));
        insert.Bind(12, record.modified);
        insert.Bind(13, std::int64_t{record.listed}).Bind(14, std::int64_t{result.isNew});
        insert.Bind(15, SavedFileKey(record.server, record.path));
        insert.Step();
        if (insert.Failed())
            return Describe(m_db.LastError(), "written");
    }
    return {};
}

// What a saved result lacked is filled in; what it had stays.
Result<void> SearchStore::SaveFilled(std::int64_t id, const std::vector<FilledResult>& filled)
{
    SqliteStatement update(m_db, "UPDATE results SET size = COALESCE(size, ?), modified = COALESCE(modified, ?) "
                                 "WHERE search = ? AND n = ?");
    for (const FilledResult& result : filled) {
        update.Reset();
        update.Bind(1, StoredSize(result.size)).Bind(2, result.modified).Bind(3, id).Bind(4, result.n);
        update.Step();
        if (update.Failed())
            return Describe(m_db.LastError(), "written");
    }
    return {};
}

// A file's newer check replaces its older one, and what it told of the
// file's size and date replaces what the result had.
Result<void> SearchStore::SaveChecks(std::int64_t id, const std::vector<SavedCheck>& checks)
{
    SqliteStatement insert(m_db, "INSERT OR REPLACE INTO checks(search, n, alive, status, reason, taken) "
                                 "VALUES(?, ?, ?, ?, ?, ?)");
    SqliteStatement update(m_db, "UPDATE results SET size = COALESCE(?, size), modified = COALESCE(?, modified) "
                                 "WHERE search = ? AND n = ?");
    for (const SavedCheck& saved : checks) {
        const FileCheck& check = saved.check;
        insert.Reset();
        insert.Bind(1, id).Bind(2, saved.n).Bind(3, std::int64_t{check.alive}).Bind(4, std::int64_t{check.status});
        insert.Bind(5, check.reason).Bind(6, check.checkedAt);
        insert.Step();
        if (insert.Failed())
            return Describe(m_db.LastError(), "written");
        update.Reset();
        update.Bind(1, StoredSize(check.size)).Bind(2, check.modified).Bind(3, id).Bind(4, saved.n);
        update.Step();
        if (update.Failed())
            return Describe(m_db.LastError(), "written");
    }
    return {};
}

// A server's newer verdict replaces its older one.
Result<void> SearchStore::SaveVerdicts(std::int64_t id, const std::vector<SavedVerdict>& verdicts)
{
    SqliteStatement insert(m_db, "INSERT OR REPLACE INTO verdicts(search, grp, server, good, reply, taken, labelled) "
                                 "VALUES(?, ?, ?, ?, ?, ?, ?)");
    for (const SavedVerdict& taken : verdicts) {
        insert.Reset();
        insert.Bind(1, id).Bind(2, static_cast<std::int64_t>(taken.group)).Bind(3, taken.server);
        insert.Bind(4, std::int64_t{taken.good}).Bind(5, taken.reply).Bind(6, taken.taken);
        insert.Bind(7, std::int64_t{taken.labelled});
        insert.Step();
        if (insert.Failed())
            return Describe(m_db.LastError(), "written");
    }
    return {};
}

// The searches a query of their columns names, at most `limit`.
std::vector<SavedSearchInfo> SearchStore::ListBy(const char* sql, std::size_t limit) const
{
    std::vector<SavedSearchInfo> searches;
    SqliteStatement select(m_db, sql);
    select.Bind(1, static_cast<std::int64_t>(std::min<std::size_t>(limit, INT64_MAX)));
    while (select.Step())
        searches.push_back(
            {select.Int(0), select.Text(1), select.Text(2), select.Int(3), select.Int(4), select.Int(5), {}});
    return searches;
}

std::vector<SavedSearchInfo> SearchStore::List(std::size_t limit) const
{
    return ListBy("SELECT id, name, words, started, results, servers FROM searches ORDER BY id DESC LIMIT ?", limit);
}

std::vector<SavedSearchInfo> SearchStore::ListLatestOfEach(std::size_t limit) const
{
    return ListBy("SELECT id, name, words, started, results, servers FROM searches "
                  "WHERE id IN (SELECT max(id) FROM searches GROUP BY name) ORDER BY id DESC LIMIT ?",
                  limit);
}

Result<std::int64_t> SearchStore::Prune(std::string_view name, std::int64_t keep)
{
    // Their results and verdicts go with them (ON DELETE CASCADE).
    SqliteStatement drop(m_db, "DELETE FROM searches WHERE name = ? AND id NOT IN "
                               "(SELECT id FROM searches WHERE name = ? ORDER BY id DESC LIMIT ?)");
    drop.Bind(1, name).Bind(2, name).Bind(3, std::max<std::int64_t>(keep, 0));
    drop.Step();
    if (drop.Failed())
        return Describe(m_db.LastError(), "written");
    const std::int64_t dropped = m_db.Changes();
    if (dropped > 0)
        GiveSpaceBack();
    return dropped;
}

Result<std::int64_t> SearchStore::Forget(std::string_view name)
{
    return Prune(name, 0);
}

// Pages freed by dropped searches go back to the file system: a database
// made before kept them, so it is rewritten once to keep them from then on.
void SearchStore::GiveSpaceBack()
{
    SqliteStatement mode(m_db, "PRAGMA auto_vacuum");
    const bool incremental = mode.Step() && mode.Int(0) == 2;
    mode.Reset();
    // Space not given back is no loss of data: nobody is told.
    if (incremental)
        (void)m_db.Execute("PRAGMA incremental_vacuum;");
    else
        (void)m_db.Execute("PRAGMA auto_vacuum = INCREMENTAL; VACUUM;");
}

std::optional<SavedSearch> SearchStore::Load(std::int64_t id) const
{
    SqliteStatement head(
        m_db, m_schema >= 2 ? "SELECT id, name, words, started, results, servers, engines FROM searches "
                              "WHERE id = ?"
                            : "SELECT id, name, words, started, results, servers, '' FROM searches WHERE id = ?");
    head.Bind(1, id);
    if (!head.Step())
        return std::nullopt;
    SavedSearch search;
    search.info = {
        head.Int(0), head.Text(1), head.Text(2), head.Int(3), head.Int(4), head.Int(5), SplitLines(head.Text(6))};

    SqliteStatement results(m_db, "SELECT service, server, port, path, user, password, description, engine, "
                                  "size, modified, listed, new FROM results WHERE search = ? ORDER BY n");
    results.Bind(1, id);
    while (results.Step()) {
        SavedResult result;
        ResultEntry& record = result.record;
        record.service = static_cast<std::uint32_t>(results.Int(0));
        record.server = results.Text(1);
        record.port = static_cast<std::uint16_t>(results.Int(2));
        record.path = results.Text(3);
        record.user = results.Text(4);
        record.password = results.Text(5);
        record.description = results.Text(6);
        result.engine = results.Text(7);
        if (const auto size = results.OptionalInt(8); size && *size >= 0)
            record.size = static_cast<std::uint64_t>(*size);
        record.modified = results.OptionalInt(9);
        record.listed = results.Int(10) != 0;
        result.isNew = results.Int(11) != 0;
        search.results.push_back(std::move(result));
    }
    if (results.Failed())
        return std::nullopt;

    if (!LoadVerdicts(id, search.verdicts) || !LoadChecks(id, search.checks))
        return std::nullopt;
    return search;
}

bool SearchStore::LoadVerdicts(std::int64_t id, std::vector<SavedVerdict>& out) const
{
    SqliteStatement verdicts(
        m_db, m_schema >= 4 ? "SELECT grp, server, good, reply, taken, labelled FROM verdicts WHERE search = ?"
                            : "SELECT grp, server, good, reply, taken, 0 FROM verdicts WHERE search = ?");
    verdicts.Bind(1, id);
    while (verdicts.Step())
        out.push_back({static_cast<std::size_t>(verdicts.Int(0)), verdicts.Text(1), verdicts.Int(2) != 0,
                       verdicts.Text(3), verdicts.Int(4), verdicts.Int(5) != 0});
    return !verdicts.Failed();
}

// A check's size and date are its result's, which the check wrote.
bool SearchStore::LoadChecks(std::int64_t id, std::vector<SavedCheck>& out) const
{
    if (m_schema < 4)
        return true;
    SqliteStatement checks(m_db, "SELECT c.n, c.alive, c.status, c.reason, c.taken, r.size, r.modified "
                                 "FROM checks c JOIN results r ON r.search = c.search AND r.n = c.n "
                                 "WHERE c.search = ? ORDER BY c.n");
    checks.Bind(1, id);
    while (checks.Step()) {
        SavedCheck saved;
        saved.n = checks.Int(0);
        saved.check.alive = checks.Int(1) != 0;
        saved.check.status = static_cast<int>(checks.Int(2));
        saved.check.reason = checks.Text(3);
        saved.check.checkedAt = checks.Int(4);
        if (const auto size = checks.OptionalInt(5); size && *size >= 0 && saved.check.alive)
            saved.check.size = static_cast<std::uint64_t>(*size);
        saved.check.modified = saved.check.alive ? checks.OptionalInt(6) : std::nullopt;
        out.push_back(std::move(saved));
    }
    return !checks.Failed();
}

std::optional<std::int64_t> SearchStore::FindLatest(std::optional<std::string_view> name) const
{
    SqliteStatement select(m_db, name ? "SELECT max(id) FROM searches WHERE name = ?" : "SELECT max(id) FROM searches");
    if (name)
        select.Bind(1, *name);
    if (!select.Step())
        return std::nullopt;
    return select.OptionalInt(0);
}

bool SearchStore::HeldBefore(std::string_view name, std::int64_t upTo, std::string_view server,
                             std::string_view path) const
{
    // By the file first: a search of that name may hold a million rows.
    if (!m_heldQuery)
        m_heldQuery = std::make_unique<SqliteStatement>(
            m_db, "SELECT r.server, r.path FROM results r INDEXED BY results_by_file "
                  "JOIN searches s ON s.id = r.search WHERE r.file = ? AND s.name = ? AND s.id <= ?");
    SqliteStatement& query = *m_heldQuery;
    query.Reset();
    query.Bind(1, SavedFileKey(server, path)).Bind(2, name).Bind(3, upTo);
    bool held = false;
    // The key is a hash: a row is the file only when its names match too.
    while (!held && query.Step())
        held = EqualsNoCase(query.Text(0), server) && EqualsNoCase(query.Text(1), path);
    // Reset at once: a statement left open would hold a read transaction
    // that keeps the write-ahead log from being folded in.
    query.Reset();
    return held;
}

} // namespace velmora
