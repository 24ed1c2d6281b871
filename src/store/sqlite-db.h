#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

struct sqlite3;
struct sqlite3_stmt;

namespace velmora {

// One open SQLite database. Every wait for a lock is bounded.
class SqliteDb {
public:
    SqliteDb() = default;
    ~SqliteDb();
    SqliteDb(const SqliteDb&) = delete;
    SqliteDb& operator=(const SqliteDb&) = delete;

    // Opens (creating) the file; an error when it cannot be opened.
    Result<void> Open(const std::string& path, int busyTimeoutMs);
    // Opens an existing file only to read it. `immutable` reads it as a file
    // nobody changes, which works in a folder where even the lock files of
    // WAL mode cannot be made.
    Result<void> OpenToRead(const std::string& path, int busyTimeoutMs, bool immutable);
    void Close();
    // Runs statements that return no rows.
    Result<void> Execute(const char* sql);
    // The last error's code and message.
    Failure LastError() const;
    std::int64_t LastInsertId() const;
    // Rows the last INSERT, UPDATE or DELETE changed.
    std::int64_t Changes() const;
    sqlite3* Handle() const { return m_db; }

private:
    Result<void> OpenWith(const std::string& name, int flags, int busyTimeoutMs);

    sqlite3* m_db = nullptr;
};

// One prepared statement; bind by position from 1, step, read columns
// from 0.
class SqliteStatement {
public:
    SqliteStatement(const SqliteDb& db, const char* sql);
    ~SqliteStatement();
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    SqliteStatement& Bind(int index, std::int64_t value);
    SqliteStatement& Bind(int index, std::string_view text);
    // Text that stays as it is, where it is, until the statement is reset:
    // SQLite reads it without a copy.
    SqliteStatement& BindUnchanged(int index, std::string_view text);
    SqliteStatement& BindNull(int index);
    // The value, or NULL when there is none.
    SqliteStatement& Bind(int index, const std::optional<std::int64_t>& value);
    // True while a row is there; false at the end or on an error (see
    // Failed).
    bool Step();
    bool Failed() const { return m_failed; }
    // Ready for new bindings.
    void Reset();

    std::int64_t Int(int column) const;
    std::optional<std::int64_t> OptionalInt(int column) const;
    std::string Text(int column) const;

private:
    sqlite3_stmt* m_stmt = nullptr;
    bool m_failed = false;
};

// A transaction that rolls back unless committed.
class SqliteTransaction {
public:
    explicit SqliteTransaction(SqliteDb& db) : m_db(db) {}
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    // BEGIN IMMEDIATE: takes the write lock now, so a busy database fails
    // here rather than halfway.
    Result<void> Begin();
    Result<void> Commit();

private:
    SqliteDb& m_db;
    bool m_open = false;
};

} // namespace velmora
