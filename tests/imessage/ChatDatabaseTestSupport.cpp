#include "ChatDatabaseTestSupport.h"

#include <gtest/gtest.h>

#include "FixtureDatabases.h"

namespace nabbit::test {

ChatDatabase::ChatDatabase() {
    createChatDatabase();
    reopen(true);
}

void ChatDatabase::reopen(bool persistWal) {
    writer_.reset();
    auto writer =
        simulate::ChatDatabaseWriter::open(chatDatabasePath().string(), false, persistWal);
    if (!writer) {
        throw FixtureUnavailable(writer.error());
    }
    writer_.emplace(std::move(*writer));
}

void ChatDatabase::recreate() {
    close();
    createChatDatabase();
    reopen(true);
}

std::filesystem::path ChatDatabase::backup() {
    const auto copy = chatDatabasePath().string() + ".backup";
    std::filesystem::remove(copy);
    exec("VACUUM INTO '" + copy + "'");
    return copy;
}

void ChatDatabase::restore(const std::filesystem::path& backup, bool inPlace) {
    close();
    for (const char* suffix : {inPlace ? "-wal" : "", "-wal", "-shm"}) {
        std::filesystem::remove(chatDatabasePath().string() + suffix);
    }
    std::filesystem::copy_file(backup, chatDatabasePath(),
                               std::filesystem::copy_options::overwrite_existing);
    reopen(true);
}

std::int64_t ChatDatabase::insert(const simulate::SimulatedMessage& message) {
    auto rowId = writer_->insert(message);
    EXPECT_TRUE(rowId) << (rowId ? "" : rowId.error());
    return rowId ? *rowId : -1;
}

std::int64_t ChatDatabase::insert(const std::string& text) {
    simulate::SimulatedMessage message;
    message.text = text;
    message.body = simulate::SimulatedMessage::Body::text;
    return insert(message);
}

std::int64_t ChatDatabase::exec(const std::string& sql) {
    auto done = writer_->connection().exec(sql);
    EXPECT_TRUE(done) << (done ? "" : done.error());
    return sqlite3_last_insert_rowid(writer_->connection().handle());
}

std::int64_t ChatDatabase::count(const std::string& sql) {
    auto value = writer_->connection().queryInt(sql, {});
    EXPECT_TRUE(value) << (value ? "" : value.error());
    return value ? *value : -1;
}

}  // namespace nabbit::test
