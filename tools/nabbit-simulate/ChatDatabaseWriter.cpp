#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

#include <chrono>
#include <cstdio>
#include <random>

#include "tools/nabbit-simulate/AttributedBodyEncoder.h"
#include "tools/nabbit-simulate/DatabaseSchemas.h"

namespace nabbit::simulate {

namespace {

constexpr std::int64_t kUnixToApple = 978307200;  // seconds from 1970-01-01 to 2001-01-01

}  // namespace

std::string randomGuid() {
    static thread_local std::mt19937_64 engine{std::random_device{}()};
    const std::uint64_t high = engine();
    const std::uint64_t low = engine();
    unsigned char bytes[16];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<unsigned char>(high >> (56 - 8 * i));
        bytes[8 + i] = static_cast<unsigned char>(low >> (56 - 8 * i));
    }
    bytes[6] = static_cast<unsigned char>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<unsigned char>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", bytes[0],
                  bytes[1], bytes[2], bytes[3], bytes[4], bytes[5], bytes[6], bytes[7], bytes[8],
                  bytes[9], bytes[10], bytes[11], bytes[12], bytes[13], bytes[14], bytes[15]);
    return text;
}

std::int64_t appleNanosecondsNow() {
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() -
           kUnixToApple * 1'000'000'000;
}

Expected<ChatDatabaseWriter, std::string> ChatDatabaseWriter::open(const std::string& path,
                                                                   bool create, bool persistWal) {
    auto db = SqliteConnection::openWithSchema(path, create, persistWal, kChatSchema);
    if (!db) {
        return Unexpected{db.error()};
    }
    return ChatDatabaseWriter(std::move(*db));
}

Expected<std::int64_t, std::string> ChatDatabaseWriter::insert(const SimulatedMessage& message) {
    std::int64_t handleId = 0;
    if (message.handle) {
        SqliteStatement addHandle(
            db_.handle(),
            "INSERT OR IGNORE INTO handle (id, country, service, "
            "uncanonicalized_id, person_centric_id) VALUES (?, 'us', ?, ?, NULL)");
        if (!addHandle.ok()) {
            return Unexpected{db_.lastError()};
        }
        addHandle.bind(1, *message.handle);
        addHandle.bind(2, message.service);
        addHandle.bind(3, *message.handle);
        if (sqlite3_step(addHandle.get()) != SQLITE_DONE) {
            return Unexpected{db_.lastError()};
        }
        auto id = db_.queryInt("SELECT ROWID FROM handle WHERE id = ? AND service = ?",
                               {*message.handle, message.service});
        if (!id) {
            return Unexpected{id.error()};
        }
        handleId = *id;
    }

    SqliteStatement insert(
        db_.handle(),
        "INSERT INTO message (guid, text, handle_id, attributedBody, version, type, service, "
        "account, account_guid, date, date_delivered, is_delivered, is_finished, is_from_me, "
        "is_sent, is_read, cache_roomnames, cache_has_attachments) "
        "VALUES (?, ?, ?, ?, 10, 0, ?, ?, ?, ?, ?, 1, 1, ?, ?, 0, ?, 0)");
    if (!insert.ok()) {
        return Unexpected{db_.lastError()};
    }
    const auto now = appleNanosecondsNow();
    insert.bind(1, message.guid.value_or(randomGuid()));
    if (message.body == SimulatedMessage::Body::rich) {
        insert.bindNull(2);
    } else {
        insert.bind(2, message.text);
    }
    insert.bind(3, handleId);
    if (message.body == SimulatedMessage::Body::text) {
        insert.bindNull(4);
    } else {
        const auto blob = encodeAttributedBody(message.text);
        insert.bindBlob(4, blob.data(), blob.size());
    }
    insert.bind(5, message.service);
    insert.bind(6, message.service == "SMS" ? std::string("e:") : std::string("E:me@example.com"));
    insert.bind(7, randomGuid());
    insert.bind(8, now);
    insert.bind(9, message.fromMe ? std::int64_t{0} : now);
    insert.bind(10, std::int64_t{message.fromMe ? 1 : 0});
    insert.bind(11, std::int64_t{message.fromMe ? 1 : 0});
    if (message.group) {
        insert.bind(12, *message.group);
    } else {
        insert.bindNull(12);
    }
    if (sqlite3_step(insert.get()) != SQLITE_DONE) {
        return Unexpected{db_.lastError()};
    }
    return static_cast<std::int64_t>(sqlite3_last_insert_rowid(db_.handle()));
}

}  // namespace nabbit::simulate
