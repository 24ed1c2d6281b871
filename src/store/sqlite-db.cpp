#include "store/sqlite-db.h"

#include <sqlite3.h>

namespace velmora {

SqliteDb::~SqliteDb()
{
    sqlite3_close_v2(m_db);
}

Result<void> SqliteDb::Open(const std::string& path, int busyTimeoutMs)
{
    return OpenWith(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, busyTimeoutMs);
}

Result<void> SqliteDb::OpenWith(const std::string& name, int flags, int busyTimeoutMs)
{
    // Counting memory takes a lock around every allocation SQLite makes;
    // nothing here reads the count. Only before SQLite's first use.
    static const bool configured = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0) == SQLITE_OK;
    (void)configured;
    flags |= SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_NOFOLLOW;
    if (sqlite3_open_v2(name.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        Failure error = LastError();
        Close();
        return error;
    }
    sqlite3_extended_result_codes(m_db, 0);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    return {};
}

void SqliteDb::Close()
{
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

Result<void> SqliteDb::OpenToRead(const std::string& path, int busyTimeoutMs, bool immutable)
{
    // As a URI, so the read-only options can be given: the path's own "%",
    // "?" and "#" are escaped.
    std::string uri = "file:";
    for (const char c : path) {
        if (c == '%' || c == '?' || c == '#') {
            static constexpr char kHex[] = "0123456789ABCDEF";
            uri += '%';
            uri += kHex[static_cast<unsigned char>(c) >> 4];
            uri += kHex[static_cast<unsigned char>(c) & 0x0F];
        } else {
            uri += c;
        }
    }
    uri += immutable ? "?mode=ro&immutable=1" : "?mode=ro";
    return OpenWith(uri, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, busyTimeoutMs);
}

Result<void> SqliteDb::Execute(const char* sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return LastError();
    return {};
}

std::int64_t SqliteDb::Changes() const
{
    return m_db ? sqlite3_changes64(m_db) : 0;
}

Failure SqliteDb::LastError() const
{
    if (!m_db)
        return {"cannot be opened", SQLITE_CANTOPEN};
    return {sqlite3_errmsg(m_db), sqlite3_errcode(m_db) & 0xFF};
}

std::int64_t SqliteDb::LastInsertId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

SqliteStatement::SqliteStatement(const SqliteDb& db, const char* sql)
{
    if (sqlite3_prepare_v2(db.Handle(), sql, -1, &m_stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
        m_failed = true;
    }
}

SqliteStatement::~SqliteStatement()
{
    sqlite3_finalize(m_stmt);
}

SqliteStatement& SqliteStatement::Bind(int index, std::int64_t value)
{
    if (m_stmt && sqlite3_bind_int64(m_stmt, index, value) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, std::string_view text)
{
    if (m_stmt &&
        sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement& SqliteStatement::BindUnchanged(int index, std::string_view text)
{
    if (m_stmt && sqlite3_bind_text64(m_stmt, index, text.data(), text.size(), SQLITE_STATIC, SQLITE_UTF8) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement& SqliteStatement::BindNull(int index)
{
    if (m_stmt && sqlite3_bind_null(m_stmt, index) != SQLITE_OK)
        m_failed = true;
    return *this;
}

SqliteStatement& SqliteStatement::Bind(int index, const std::optional<std::int64_t>& value)
{
    return value ? Bind(index, *value) : BindNull(index);
}

bool SqliteStatement::Step()
{
    if (!m_stmt || m_failed)
        return false;
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        m_failed = true;
    return false;
}

void SqliteStatement::Reset()
{
    if (m_stmt) {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
}

std::int64_t SqliteStatement::Int(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

std::optional<std::int64_t> SqliteStatement::OptionalInt(int column) const
{
    if (sqlite3_column_type(m_stmt, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(m_stmt, column);
}

std::string SqliteStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
    if (!text)
        return {};
    return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, column)));
}

SqliteTransaction::~SqliteTransaction()
{
    if (m_open)
        (void)m_db.Execute("ROLLBACK");
}

Result<void> SqliteTransaction::Begin()
{
    Result<void> begun = m_db.Execute("BEGIN IMMEDIATE");
    m_open = begun.Ok();
    return begun;
}

Result<void> SqliteTransaction::Commit()
{
    Result<void> committed = m_db.Execute("COMMIT");
    if (committed)
        m_open = false;
    return committed;
}

} // namespace velmora
