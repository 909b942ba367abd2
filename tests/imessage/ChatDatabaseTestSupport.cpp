#include "ChatDatabaseTestSupport.h"

#include <cstdlib>
#include <cstring>

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
        ADD_FAILURE() << writer.error();
        std::abort();
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
    insertRaw("VACUUM INTO '" + copy + "'");
    return copy;
}

void ChatDatabase::restore(const std::filesystem::path& backup) {
    close();
    const auto path = chatDatabasePath();
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(path.string() + suffix);
    }
    std::filesystem::copy_file(backup, path);
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

std::int64_t ChatDatabase::insertRaw(const std::string& sql) {
    auto done = writer_->connection().exec(sql);
    EXPECT_TRUE(done) << (done ? "" : done.error());
    return sqlite3_last_insert_rowid(handle());
}

std::int64_t ChatDatabase::count(const std::string& sql) {
    auto value = writer_->connection().queryInt(sql, {});
    EXPECT_TRUE(value) << (value ? "" : value.error());
    return value ? *value : -1;
}

sqlite3* ChatDatabase::handle() {
    return writer_->connection().handle();
}

namespace {

sqlite3_vfs* originalVfs = nullptr;

int denyingOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* out) {
    if (name != nullptr && (flags & SQLITE_OPEN_MAIN_DB) != 0 &&
        std::string_view(name).ends_with("/chat.db")) {
        return SQLITE_AUTH;
    }
    return originalVfs->xOpen(originalVfs, name, file, flags, out);
}

}  // namespace

DenyMessagesDatabase::DenyMessagesDatabase() : original_(sqlite3_vfs_find(nullptr)) {
    originalVfs = original_;
    deny_ = *original_;
    deny_.zName = "nabbit-deny";
    deny_.pNext = nullptr;
    deny_.xOpen = denyingOpen;
    sqlite3_vfs_register(&deny_, 1);
}

DenyMessagesDatabase::~DenyMessagesDatabase() {
    sqlite3_vfs_unregister(&deny_);
    sqlite3_vfs_register(original_, 1);
}

}  // namespace nabbit::test
