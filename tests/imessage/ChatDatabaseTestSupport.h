#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "RecordingParser.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

namespace nabbit::test {

// A Messages database built from the shared schema and written, as its owner writes it, by a
// second connection that stays open (so its WAL file stays too).
class ChatDatabase {
  public:
    ChatDatabase();

    std::int64_t insert(const simulate::SimulatedMessage& message);
    std::int64_t insert(const std::string& text);
    std::int64_t insertRaw(const std::string& sql);  // one INSERT of our own; its ROWID
    std::int64_t count(const std::string& sql);      // the first column of a query
    void close() { writer_.reset(); }
    void reopen(bool persistWal);
    // Deletes the database with its -wal and -shm files and creates an empty one in its place.
    void recreate();
    // Puts a copy of `backup` in place of the database, as a restore does.
    void restore(const std::filesystem::path& backup);
    // A consistent copy of the database as it is now.
    std::filesystem::path backup();

    sqlite3* handle();

  private:
    std::optional<simulate::ChatDatabaseWriter> writer_;
};

// Replaces the default SQLite VFS for the life of the object: opening the Messages database
// fails with SQLITE_AUTH, as it does when the system refuses access to it.
class DenyMessagesDatabase {
  public:
    DenyMessagesDatabase();
    ~DenyMessagesDatabase();
    DenyMessagesDatabase(const DenyMessagesDatabase&) = delete;
    DenyMessagesDatabase& operator=(const DenyMessagesDatabase&) = delete;

  private:
    sqlite3_vfs* original_;
    sqlite3_vfs deny_;
};

}  // namespace nabbit::test
