#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <sqlite3.h>

#include "core/Expected.h"

namespace nabbit::simulate {

// The writing side of a database owned by another program: opens (and may create) the file,
// puts it in WAL mode as its owner does, and runs statements. Errors are texts for the user.
class SqliteConnection {
  public:
    static Expected<SqliteConnection, std::string> open(const std::string& path, bool create,
                                                        bool persistWal);
    // Opens the database at `path`; when `create` is set and the file is missing, creates it
    // (and its folders) with `schema`.
    static Expected<SqliteConnection, std::string> openWithSchema(const std::string& path,
                                                                  bool create, bool persistWal,
                                                                  const char* schema);

    sqlite3* handle() const { return db_.get(); }

    // Runs one or more statements without results.
    Expected<bool, std::string> exec(const std::string& sql);
    // The first column of the first row of a query with text parameters, or nothing.
    Expected<std::int64_t, std::string> queryInt(const std::string& sql,
                                                 std::initializer_list<std::string> params);
    std::string lastError() const;

  private:
    struct Close {
        void operator()(sqlite3* db) const { sqlite3_close(db); }
    };
    explicit SqliteConnection(sqlite3* db) : db_(db) {}

    std::unique_ptr<sqlite3, Close> db_;
};

// A prepared statement that finalizes itself.
class SqliteStatement {
  public:
    SqliteStatement(sqlite3* db, const std::string& sql);
    bool ok() const { return stmt_ != nullptr; }
    sqlite3_stmt* get() const { return stmt_.get(); }

    void bind(int index, const std::string& text);
    void bind(int index, std::int64_t value);
    void bindNull(int index);
    void bindBlob(int index, const void* data, std::size_t size);

  private:
    struct Finalize {
        void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
    };
    std::unique_ptr<sqlite3_stmt, Finalize> stmt_;
};

}  // namespace nabbit::simulate
