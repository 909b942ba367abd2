#include "core/SQLiteDB.h"

#include <sqlite3.h>

#include <utility>

namespace nabbit {

Expected<SQLiteDB, SQLiteError> SQLiteDB::open(const std::string& path, bool readOnly) {
    sqlite3* db = nullptr;
    // Never SQLITE_OPEN_CREATE: a missing database is an error, not a new empty file.
    const int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    const int result = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (result != SQLITE_OK) {
        std::string message = db != nullptr ? sqlite3_errmsg(db) : "unable to open database";
        sqlite3_close(db);
        return Unexpected{SQLiteError::openFailed(result, std::move(message))};
    }
    return SQLiteDB(db);
}

SQLiteDB::SQLiteDB(sqlite3* db) : connection_(std::make_shared<SQLiteConnection>()) {
    connection_->db = db;
}

SQLiteDB::~SQLiteDB() {
    close();
}

SQLiteDB& SQLiteDB::operator=(SQLiteDB&& other) noexcept {
    if (this != &other) {
        close();
        connection_ = std::move(other.connection_);
    }
    return *this;
}

Expected<SQLiteStatement, SQLiteError> SQLiteDB::prepare(const std::string& sql) {
    if (connection_ == nullptr || connection_->db == nullptr) {
        return Unexpected{SQLiteError::prepareFailed(SQLITE_MISUSE, sqlite3_errstr(SQLITE_MISUSE))};
    }
    sqlite3_stmt* statement = nullptr;
    const int result = sqlite3_prepare_v2(connection_->db, sql.c_str(), -1, &statement, nullptr);
    if (result != SQLITE_OK) {
        std::string message = sqlite3_errmsg(connection_->db);
        sqlite3_finalize(statement);
        return Unexpected{SQLiteError::prepareFailed(result, std::move(message))};
    }
    return SQLiteStatement(statement, connection_);
}

sqlite3* SQLiteDB::handle() const {
    return connection_ != nullptr ? connection_->db : nullptr;
}

void SQLiteDB::close() {
    if (connection_ == nullptr) {
        return;
    }
    if (connection_->db != nullptr) {
        // sqlite3_close refuses to close while statements are live, so finalize them first;
        // their wrappers see the expired connection and leave the handles alone.
        while (sqlite3_stmt* statement = sqlite3_next_stmt(connection_->db, nullptr)) {
            sqlite3_finalize(statement);
        }
        sqlite3_close(connection_->db);
    }
    connection_.reset();
}

}  // namespace nabbit
