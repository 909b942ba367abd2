#include "tools/nabbit-simulate/EnvelopeIndexWriter.h"

#include <chrono>

#include "tools/nabbit-simulate/DatabaseSchemas.h"

namespace nabbit::simulate {

Expected<EnvelopeIndexWriter, std::string> EnvelopeIndexWriter::open(const std::string& path,
                                                                     bool create, bool legacyLayout,
                                                                     bool persistWal) {
    auto db = SqliteConnection::openWithSchema(
        path, create, persistWal, legacyLayout ? kLegacyEnvelopeSchema : kEnvelopeSchema);
    if (!db) {
        return Unexpected{db.error()};
    }
    auto summaries =
        db->queryInt("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table' AND name = ?",
                     {std::string("summaries")});
    if (!summaries) {
        return Unexpected{summaries.error()};
    }
    return EnvelopeIndexWriter(std::move(*db), *summaries > 0);
}

Expected<std::int64_t, std::string> EnvelopeIndexWriter::internText(const std::string& table,
                                                                    const std::string& column,
                                                                    const std::string& value) {
    SqliteStatement add(db_.handle(),
                        "INSERT OR IGNORE INTO " + table + " (" + column + ") VALUES (?)");
    if (!add.ok()) {
        return Unexpected{db_.lastError()};
    }
    add.bind(1, value);
    if (sqlite3_step(add.get()) != SQLITE_DONE) {
        return Unexpected{db_.lastError()};
    }
    return db_.queryInt("SELECT ROWID FROM " + table + " WHERE " + column + " = ?", {value});
}

Expected<std::int64_t, std::string> EnvelopeIndexWriter::insert(const SimulatedMail& mail) {
    if (auto begin = db_.exec("BEGIN IMMEDIATE"); !begin) {
        return Unexpected{begin.error()};
    }
    auto rollback = [this](std::string error) -> Expected<std::int64_t, std::string> {
        (void)db_.exec("ROLLBACK");
        return Unexpected{std::move(error)};
    };

    auto mailbox = internText("mailboxes", "url", mail.mailbox);
    if (!mailbox) {
        return rollback(mailbox.error());
    }
    auto subject = internText("subjects", "subject", mail.subject);
    if (!subject) {
        return rollback(subject.error());
    }
    std::optional<std::int64_t> sender;
    if (mail.sender) {
        SqliteStatement add(db_.handle(),
                            "INSERT OR IGNORE INTO addresses (address, comment) VALUES (?, '')");
        add.bind(1, *mail.sender);
        if (!add.ok() || sqlite3_step(add.get()) != SQLITE_DONE) {
            return rollback(db_.lastError());
        }
        auto id = db_.queryInt("SELECT ROWID FROM addresses WHERE address = ? AND comment = ''",
                               {*mail.sender});
        if (!id) {
            return rollback(id.error());
        }
        sender = *id;
    }
    std::optional<std::int64_t> summaryKey;
    if (summariesTable_ && !mail.summary.empty()) {
        auto id = internText("summaries", "summary", mail.summary);
        if (!id) {
            return rollback(id.error());
        }
        summaryKey = *id;
    }

    SqliteStatement insert(db_.handle(),
                           "INSERT INTO messages (message_id, global_message_id, sender, subject, "
                           "summary, date_sent, date_received, mailbox, flags, read, size) "
                           "VALUES (0, ?, ?, ?, ?, ?, ?, ?, 0, 0, ?)");
    if (!insert.ok()) {
        return rollback(db_.lastError());
    }
    const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    auto nextGlobal =
        db_.queryInt("SELECT IFNULL(MAX(global_message_id), 0) + 1 FROM messages", {});
    if (!nextGlobal) {
        return rollback(nextGlobal.error());
    }
    insert.bind(1, *nextGlobal);
    sender ? insert.bind(2, *sender) : insert.bindNull(2);
    insert.bind(3, *subject);
    if (summariesTable_) {
        summaryKey ? insert.bind(4, *summaryKey) : insert.bindNull(4);
    } else {
        mail.summary.empty() ? insert.bindNull(4) : insert.bind(4, mail.summary);
    }
    insert.bind(5, static_cast<std::int64_t>(now));
    insert.bind(6, static_cast<std::int64_t>(now));
    insert.bind(7, *mailbox);
    insert.bind(8, static_cast<std::int64_t>(mail.subject.size() + mail.summary.size() + 512));
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        return rollback(db_.lastError());
    }
    const auto rowId = static_cast<std::int64_t>(sqlite3_last_insert_rowid(db_.handle()));
    if (auto commit = db_.exec("COMMIT"); !commit) {
        return rollback(commit.error());
    }
    return rowId;
}

}  // namespace nabbit::simulate
