#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Expected.h"
#include "tools/nabbit-simulate/SqliteConnection.h"

namespace nabbit::simulate {

// One envelope as Mail records it when a message arrives.
struct SimulatedMail {
    std::string subject;
    std::string summary;                // empty: no summary
    std::optional<std::string> sender;  // nothing: no sender row
    std::string mailbox = "imap://nabbit%40example.com@imap.example.com/INBOX";
};

// Writes envelopes into a Mail envelope database with its own connection, in WAL mode. Works
// with the current layout (subject, sender and summary are keys into their tables) and with
// the older one whose messages.summary holds the text.
class EnvelopeIndexWriter {
  public:
    // Opens the database at `path`; when `create` is set and the file is missing, creates it
    // with the current schema (or the older one with `legacyLayout`).
    static Expected<EnvelopeIndexWriter, std::string> open(const std::string& path, bool create,
                                                           bool legacyLayout = false,
                                                           bool persistWal = true);

    // The new envelope's ROWID.
    Expected<std::int64_t, std::string> insert(const SimulatedMail& mail);

    SqliteConnection& connection() { return db_; }

  private:
    EnvelopeIndexWriter(SqliteConnection db, bool summariesTable)
        : db_(std::move(db)), summariesTable_(summariesTable) {}

    // The ROWID of `value` in a table with a unique text column, added when missing.
    Expected<std::int64_t, std::string> internText(const std::string& table,
                                                   const std::string& column,
                                                   const std::string& value);

    SqliteConnection db_;
    bool summariesTable_;
};

}  // namespace nabbit::simulate
