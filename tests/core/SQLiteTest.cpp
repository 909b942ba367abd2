#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <string>

#include "FixtureDatabases.h"
#include "core/SQLiteDB.h"

namespace nabbit {
namespace {

// Descriptors of this process that refer to the database or its -wal/-shm files: an open
// connection holds at least one.
int openDescriptorsOf(const std::filesystem::path& database) {
    int count = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd", ec)) {
        const auto target = std::filesystem::read_symlink(entry.path(), ec);
        if (!ec && target.string().starts_with(database.string())) {
            ++count;
        }
    }
    return count;
}

class SQLiteTest : public ::testing::Test {
  protected:
    void SetUp() override { database_ = test::createChatDatabase(); }

    // One row the way Messages writes it, through a connection of its own.
    void insertMessage(const std::string& text) {
        sqlite3* writer = nullptr;
        ASSERT_EQ(sqlite3_open_v2(database_.c_str(), &writer, SQLITE_OPEN_READWRITE, nullptr),
                  SQLITE_OK);
        const std::string sql =
            "INSERT INTO message (guid, text) VALUES ('g-" + text + "', '" + text + "')";
        EXPECT_EQ(sqlite3_exec(writer, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(writer);
    }

    std::filesystem::path database_;
};

// Which failures the sources print and which they leave to the permission check is the
// Messages source's test; a failed prepare is the Mail source's.
TEST_F(SQLiteTest, AMissingFileIsNotCreatedAndReadOnlyMeansIt) {
    const auto missingFile = database_.parent_path() / "other.db";
    EXPECT_FALSE(SQLiteDB::open(missingFile.string(), false).has_value());
    EXPECT_FALSE(std::filesystem::exists(missingFile));
    EXPECT_EQ(openDescriptorsOf(missingFile), 0);

    // A connection opened read-only cannot write.
    insertMessage("hello");
    auto db = SQLiteDB::open(database_.string(), false);
    ASSERT_TRUE(db.has_value());
    auto update = db->prepare("UPDATE message SET is_read = 1");
    ASSERT_TRUE(update.has_value());
    EXPECT_EQ(sqlite3_step(update->handle()), SQLITE_DONE);
    EXPECT_EQ(sqlite3_changes(db->handle()), 1);
    *update = std::move(*db->prepare("SELECT 2"));  // finalizes the statement it replaces
    EXPECT_EQ(sqlite3_next_stmt(db->handle(), sqlite3_next_stmt(db->handle(), nullptr)), nullptr);

    auto readOnly = SQLiteDB::open(database_.string(), true);
    ASSERT_TRUE(readOnly.has_value());
    auto refused = readOnly->prepare("UPDATE message SET is_read = 1");
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(sqlite3_step(refused->handle()), SQLITE_READONLY);
}

// An operation as the Messages reader runs one: open, prepare, step, return.
TEST_F(SQLiteTest, NoConnectionOutlivesAnOperationWhicheverWrapperGoesFirst) {
    insertMessage("one");
    insertMessage("two");
    ASSERT_EQ(openDescriptorsOf(database_), 0);

    {  // statement first, connection last
        auto db = SQLiteDB::open(database_.string(), false);
        ASSERT_TRUE(db.has_value());
        auto statement = db->prepare("SELECT ROWID, text FROM message ORDER BY ROWID");
        ASSERT_TRUE(statement.has_value());
        ASSERT_EQ(sqlite3_step(statement->handle()), SQLITE_ROW);
        EXPECT_GT(openDescriptorsOf(database_), 0);
    }
    EXPECT_EQ(openDescriptorsOf(database_), 0);

    // connection first, with a statement still live and mid-way through its rows
    std::optional<SQLiteStatement> survivor;
    {
        auto db = SQLiteDB::open(database_.string(), false);
        ASSERT_TRUE(db.has_value());
        auto statement = db->prepare("SELECT text FROM message ORDER BY ROWID");
        ASSERT_TRUE(statement.has_value());
        ASSERT_EQ(sqlite3_step(statement->handle()), SQLITE_ROW);
        survivor.emplace(std::move(*statement));
        EXPECT_NE(survivor->handle(), nullptr);
    }
    EXPECT_EQ(openDescriptorsOf(database_), 0);
    EXPECT_EQ(survivor->handle(), nullptr);  // finalized with its connection
    survivor.reset();                        // and not finalized a second time
}

}  // namespace
}  // namespace nabbit
