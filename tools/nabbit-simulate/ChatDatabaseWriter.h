#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Expected.h"
#include "tools/nabbit-simulate/SqliteConnection.h"

namespace nabbit::simulate {

// One received (or sent) message, as the Messages program would record it.
struct SimulatedMessage {
    // Where the text goes: the `text` column, the rich `attributedBody` only (text NULL, as on
    // many rows of recent releases), or both.
    enum class Body { text, rich, both };

    std::string text;
    std::optional<std::string> handle = "+15555550100";  // nothing: handle_id 0, no sender row
    std::string service = "SMS";
    bool fromMe = false;
    std::optional<std::string> group;  // cache_roomnames
    std::optional<std::string> guid;   // generated when absent
    Body body = Body::both;
};

// Writes messages into a Messages database with its own connection, as its owner does: WAL
// mode, a handle row per (id, service), dates in nanoseconds since 2001-01-01 UTC.
class ChatDatabaseWriter {
  public:
    // Opens the database at `path`; when `create` is set and the file is missing, creates it
    // with the real schema. With `persistWal` the WAL file stays when the connection closes,
    // as it does while the owning program runs.
    static Expected<ChatDatabaseWriter, std::string> open(const std::string& path, bool create,
                                                          bool persistWal = true);

    // The new row's ROWID.
    Expected<std::int64_t, std::string> insert(const SimulatedMessage& message);

    SqliteConnection& connection() { return db_; }

  private:
    explicit ChatDatabaseWriter(SqliteConnection db) : db_(std::move(db)) {}

    SqliteConnection db_;
};

// A random UUID in its upper-case text form, as message guids are written.
std::string randomGuid();

// Now as nanoseconds since 2001-01-01 00:00:00 UTC.
std::int64_t appleNanosecondsNow();

}  // namespace nabbit::simulate
