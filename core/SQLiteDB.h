#pragma once

#include <memory>
#include <string>

#include "core/Expected.h"
#include "core/SQLiteConnection.h"
#include "core/SQLiteError.h"
#include "core/SQLiteStatement.h"

namespace nabbit {

// Owns one SQLite connection. Opening never creates a database and sets nothing up (no busy
// timeout, no pragma, no extended result codes). Destroying it finalizes every statement
// still live on the connection and then closes it, whichever wrapper goes first.
class SQLiteDB {
  public:
    static Expected<SQLiteDB, SQLiteError> open(const std::string& path, bool readOnly);

    ~SQLiteDB();
    SQLiteDB(SQLiteDB&& other) noexcept = default;
    SQLiteDB& operator=(SQLiteDB&& other) noexcept;
    SQLiteDB(const SQLiteDB&) = delete;
    SQLiteDB& operator=(const SQLiteDB&) = delete;

    // Compiles one statement; a failure leaves the connection open and usable.
    Expected<SQLiteStatement, SQLiteError> prepare(const std::string& sql);

    // The connection for the sqlite3 functions; null after a move.
    sqlite3* handle() const;

  private:
    explicit SQLiteDB(sqlite3* db);
    void close();

    std::shared_ptr<SQLiteConnection> connection_;
};

}  // namespace nabbit
