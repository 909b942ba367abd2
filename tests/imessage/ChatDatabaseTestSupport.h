#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include <sqlite3.h>

#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

namespace nabbit::test {

// A Messages database built from the real schema and written, as its owner writes it, by a
// second connection that stays open (so its WAL file stays too).
class ChatDatabase {
  public:
    ChatDatabase();

    std::int64_t insert(const simulate::SimulatedMessage& message);
    std::int64_t insert(const std::string& text);
    std::int64_t exec(const std::string& sql);   // SQL of our own; the last inserted ROWID
    std::int64_t count(const std::string& sql);  // the first column of a query
    void close() { writer_.reset(); }
    void reopen(bool persistWal);
    // Deletes the database with its -wal and -shm files and creates an empty one in its place.
    void recreate();
    // A consistent copy of the database as it is now.
    std::filesystem::path backup();
    // Puts a copy of `backup` in place of the database, as a restore does: a new file, or the
    // same file overwritten.
    void restore(const std::filesystem::path& backup, bool inPlace = false);

  private:
    std::optional<simulate::ChatDatabaseWriter> writer_;
};

}  // namespace nabbit::test
