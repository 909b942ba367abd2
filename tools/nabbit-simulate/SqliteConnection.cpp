#include "tools/nabbit-simulate/SqliteConnection.h"

#include <filesystem>

namespace nabbit::simulate {

Expected<SqliteConnection, std::string> SqliteConnection::open(const std::string& path, bool create,
                                                               bool persistWal) {
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    SqliteConnection connection(raw);
    if (rc != SQLITE_OK) {
        return Unexpected{"cannot open " + path + ": " +
                          (raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc))};
    }
    // The owning programs write with a busy timeout and keep their WAL between writes.
    sqlite3_busy_timeout(raw, 5000);
    if (auto wal = connection.exec("PRAGMA journal_mode=WAL;"); !wal) {
        return Unexpected{wal.error()};
    }
    if (persistWal) {
        int persist = 1;
        sqlite3_file_control(raw, "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
    }
    return connection;
}

Expected<SqliteConnection, std::string> SqliteConnection::openWithSchema(const std::string& path,
                                                                         bool create,
                                                                         bool persistWal,
                                                                         const char* schema) {
    std::error_code ec;
    const bool existed = std::filesystem::exists(path, ec);
    if (!existed && create) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    }
    auto db = open(path, create, persistWal);
    if (!db) {
        return Unexpected{db.error()};
    }
    if (!existed) {
        if (auto created = db->exec(schema); !created) {
            return Unexpected{"cannot create the tables: " + created.error()};
        }
    }
    return db;
}

Expected<bool, std::string> SqliteConnection::exec(const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::string message = error ? error : lastError();
        sqlite3_free(error);
        return Unexpected{message};
    }
    return true;
}

Expected<std::int64_t, std::string> SqliteConnection::queryInt(
    const std::string& sql, std::initializer_list<std::string> params) {
    SqliteStatement statement(db_.get(), sql);
    if (!statement.ok()) {
        return Unexpected{lastError()};
    }
    int index = 1;
    for (const auto& param : params) {
        statement.bind(index++, param);
    }
    const int rc = sqlite3_step(statement.get());
    if (rc == SQLITE_ROW) {
        return static_cast<std::int64_t>(sqlite3_column_int64(statement.get(), 0));
    }
    return Unexpected{rc == SQLITE_DONE ? std::string("no row") : lastError()};
}

std::string SqliteConnection::lastError() const {
    return sqlite3_errmsg(db_.get());
}

SqliteStatement::SqliteStatement(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) == SQLITE_OK) {
        stmt_.reset(raw);
    } else {
        sqlite3_finalize(raw);
    }
}

void SqliteStatement::bind(int index, const std::string& text) {
    sqlite3_bind_text(stmt_.get(), index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

void SqliteStatement::bind(int index, std::int64_t value) {
    sqlite3_bind_int64(stmt_.get(), index, value);
}

void SqliteStatement::bindNull(int index) {
    sqlite3_bind_null(stmt_.get(), index);
}

void SqliteStatement::bindBlob(int index, const void* data, std::size_t size) {
    sqlite3_bind_blob(stmt_.get(), index, data, static_cast<int>(size), SQLITE_TRANSIENT);
}

}  // namespace nabbit::simulate
