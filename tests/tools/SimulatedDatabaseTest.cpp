#include <gtest/gtest.h>

#include <filesystem>

#include "FixtureDatabases.h"
#include "TestHome.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"
#include "tools/nabbit-simulate/EnvelopeIndexWriter.h"

namespace nabbit {
namespace {

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
