#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sqlite3.h>

#include "FixtureDatabases.h"
#include "TestHome.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"
#include "tools/nabbit-simulate/EnvelopeIndexWriter.h"

namespace nabbit {
namespace {

// Every column of every table: name, declared type, NOT NULL, default and key position.
std::vector<std::string> describe(const std::filesystem::path& path) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::vector<std::string> columns;
    const char* sql =
        "SELECT m.name, p.name, p.type, p.\"notnull\", IFNULL(p.dflt_value, ''), p.pk "
        "FROM sqlite_master m JOIN pragma_table_info(m.name) p "
        "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite_%' ORDER BY m.name, p.cid";
    sqlite3_stmt* statement = nullptr;
    EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &statement, nullptr), SQLITE_OK);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::string row;
        for (int i = 0; i < 6; ++i) {
            row += reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
            row += "|";
        }
        columns.push_back(row);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return columns;
}

// nabbit-simulate carries its own copy of the schemas (it must work without the fixtures);
// the copy must not drift from the real tables.
TEST(SimulatedDatabases, CreateTheRealTables) {
    test::TempDir dir;
    test::createDatabaseFromFixture(dir.path() / "fixture-chat.db", "chat-db.sql");
    ASSERT_TRUE(simulate::ChatDatabaseWriter::open((dir.path() / "tool-chat.db").string(), true));
    EXPECT_EQ(describe(dir.path() / "tool-chat.db"), describe(dir.path() / "fixture-chat.db"));

    test::createDatabaseFromFixture(dir.path() / "fixture-mail.db", "envelope-index.sql");
    ASSERT_TRUE(simulate::EnvelopeIndexWriter::open((dir.path() / "tool-mail.db").string(), true));
    EXPECT_EQ(describe(dir.path() / "tool-mail.db"), describe(dir.path() / "fixture-mail.db"));
}

TEST(SimulatedDatabases, WritesIntoFixtureDatabases) {
    test::TempDir dir;
    const auto chat = dir.path() / "chat.db";
    test::createDatabaseFromFixture(chat, "chat-db.sql");
    auto messages = simulate::ChatDatabaseWriter::open(chat.string(), false);
    ASSERT_TRUE(messages);
    simulate::SimulatedMessage message;
    message.text = "Your code is 482913";
    const auto first = messages->insert(message);
    const auto second = messages->insert(message);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(*second, *first + 1);
    EXPECT_EQ(messages->connection().queryInt("SELECT COUNT(*) FROM handle", {}).value(), 1);

    const auto mail = dir.path() / "Envelope Index";
    test::createDatabaseFromFixture(mail, "envelope-index.sql");
    auto envelopes = simulate::EnvelopeIndexWriter::open(mail.string(), false);
    ASSERT_TRUE(envelopes);
    ASSERT_TRUE(envelopes->insert({"Subject", "Summary", "a@example.com"}));
    ASSERT_TRUE(envelopes->insert({"Subject", "Summary", "a@example.com"}));
    // Subjects, summaries and senders are shared between envelopes, as Mail stores them.
    EXPECT_EQ(envelopes->connection().queryInt("SELECT COUNT(*) FROM subjects", {}).value(), 1);
    EXPECT_EQ(envelopes->connection().queryInt("SELECT COUNT(*) FROM summaries", {}).value(), 1);
    EXPECT_EQ(envelopes->connection().queryInt("SELECT COUNT(*) FROM messages", {}).value(), 2);
}

TEST(SimulatedDatabases, MissingDatabaseWithoutCreateIsAnError) {
    test::TempDir dir;
    EXPECT_FALSE(simulate::ChatDatabaseWriter::open((dir.path() / "none.db").string(), false));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "none.db"));
}

}  // namespace
}  // namespace nabbit
