#pragma once

#include <memory>

#include "core/SQLiteConnection.h"

struct sqlite3_stmt;

namespace nabbit {

// Owns one prepared statement. Destroying it finalizes the statement, unless the connection
// that prepared it has already been closed (closing finalizes every statement first).
class SQLiteStatement {
  public:
    ~SQLiteStatement();

    SQLiteStatement(SQLiteStatement&& other) noexcept;
    SQLiteStatement& operator=(SQLiteStatement&& other) noexcept;
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    // The statement for the sqlite3_bind/step/column functions; null once its connection is
    // closed or after a move.
    sqlite3_stmt* handle() const;

  private:
    friend class SQLiteDB;  // the only maker of statements
    SQLiteStatement(sqlite3_stmt* handle, std::weak_ptr<SQLiteConnection> connection);

    void finalize();

    sqlite3_stmt* handle_ = nullptr;
    std::weak_ptr<SQLiteConnection> connection_;
};

}  // namespace nabbit
