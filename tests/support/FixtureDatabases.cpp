#include "FixtureDatabases.h"

#include <fstream>
#include <memory>
#include <sstream>

#include <sqlite3.h>

#include "TestHome.h"

namespace nabbit::test {

namespace {

[[noreturn]] void fail(const std::string& message) {
    throw FixtureUnavailable("test fixture: " + message);
}

}  // namespace

std::string readFixture(const std::string& relative) {
    const auto path = std::filesystem::path(NABBIT_FIXTURES_DIR) / relative;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream contents;
    if (!in || !(contents << in.rdbuf())) {
        fail("cannot read " + path.string());
    }
    return contents.str();
}

void createDatabaseFromFixture(const std::filesystem::path& path, const std::string& schemaFile) {
    const auto schema = readFixture(schemaFile);
    std::filesystem::create_directories(path.parent_path());
    std::filesystem::remove(path);
    std::filesystem::remove(path.string() + "-wal");
    std::filesystem::remove(path.string() + "-shm");
    sqlite3* raw = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    if (rc != SQLITE_OK) {
        fail("cannot create " + path.string());
    }
    char* error = nullptr;
    const std::string sql = "PRAGMA journal_mode=WAL;\n" + schema;
    if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        fail(schemaFile + ": " + message);
    }
}

std::filesystem::path chatDatabasePath() {
    return testHome() / "Library/Messages/chat.db";
}

std::filesystem::path createChatDatabase() {
    const auto path = chatDatabasePath();
    createDatabaseFromFixture(path, "chat-db.sql");
    return path;
}

}  // namespace nabbit::test
