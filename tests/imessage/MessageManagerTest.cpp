#include <gtest/gtest.h>

#include <filesystem>

#include <QSignalSpy>
#include <QTest>

#include "DebugLogCapture.h"
#include "FixtureDatabases.h"
#include "RecordingParser.h"
#include "SqliteFaults.h"
#include "core/AppStateManager.h"
#include "sources/imessage/MessageManager.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

namespace nabbit {
namespace {

using simulate::SimulatedMessage;

// A Messages database built from the real schema and written, as its owner writes it, by a
// second connection that stays open (so its WAL file stays too).
class ChatDatabase {
  public:
    ChatDatabase() { recreate(); }

    std::int64_t insert(const SimulatedMessage& message) {
        auto rowId = writer_->insert(message);
        EXPECT_TRUE(rowId) << (rowId ? "" : rowId.error());
        return rowId ? *rowId : -1;
    }
    std::int64_t insert(const std::string& text) {
        SimulatedMessage message;
        message.text = text;
        message.body = SimulatedMessage::Body::text;
        return insert(message);
    }
    // SQL of our own; the last inserted ROWID.
    std::int64_t exec(const std::string& sql) {
        auto done = writer_->connection().exec(sql);
        EXPECT_TRUE(done) << (done ? "" : done.error());
        return sqlite3_last_insert_rowid(writer_->connection().handle());
    }
    // The first column of a query.
    std::int64_t count(const std::string& sql) {
        auto value = writer_->connection().queryInt(sql, {});
        EXPECT_TRUE(value) << (value ? "" : value.error());
        return value ? *value : -1;
    }
    void close() { writer_.reset(); }
    void reopen(bool persistWal) {
        writer_.reset();
        auto writer = simulate::ChatDatabaseWriter::open(path().string(), false, persistWal);
        if (!writer) {
            throw test::FixtureUnavailable(writer.error());
        }
        writer_.emplace(std::move(*writer));
    }
    // Deletes the database with its -wal and -shm files and creates an empty one in its place.
    void recreate() {
        close();
        test::createChatDatabase();
        reopen(true);
    }
    // A consistent copy of the database as it is now.
    std::filesystem::path backup() {
        const auto copy = path().string() + ".backup";
        std::filesystem::remove(copy);
        exec("VACUUM INTO '" + copy + "'");
        return copy;
    }
    // Puts a copy of `backup` in place of the database, as a restore does: a new file, or the
    // same file overwritten.
    void restore(const std::filesystem::path& backup, bool inPlace = false) {
        close();
        for (const char* suffix : {inPlace ? "-wal" : "", "-wal", "-shm"}) {
            std::filesystem::remove(path().string() + suffix);
        }
        std::filesystem::copy_file(backup, path(),
                                   std::filesystem::copy_options::overwrite_existing);
        reopen(true);
    }

  private:
    static std::filesystem::path path() { return test::chatDatabasePath(); }

    std::optional<simulate::ChatDatabaseWriter> writer_;
};

class MessageManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::startDebugLog();
        AppStateManager::shared().setMarkAsReadEnabled(false);
    }

    std::unique_ptr<MessageManager> makeManager() {
        return std::make_unique<MessageManager>(
            recorder, [this] { return access; },
            [this](const std::string& line) { console.push_back(line); });
    }

    // Launch order: watermark, one sync, watch.
    std::unique_ptr<MessageManager> started() {
        auto manager = makeManager();
        manager->initializeLastProcessedRowId();
        manager->syncMessages();
        manager->startWALMonitoring();
        return manager;
    }

    ChatDatabase db;
    std::shared_ptr<test::RecordingParser> recorder = std::make_shared<test::RecordingParser>();
    bool access = true;
    std::vector<std::string> console;
};

// Where a row's text comes from, and which rows never reach the parser: texts of four
// characters or fewer (as a person counts them), rows without a sender, rows without any text.
// Skipped rows are passed by the watermark all the same: a backlog of them longer than a batch
// is read batch after batch at once, not when some later message happens to change the database.
TEST_F(MessageManagerTest, WhichTextsAreParsed) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    SimulatedMessage noSender;
    noSender.text = "Your code is 482913";
    noSender.handle.reset();
    for (int i = 0; i < 120; ++i) {
        db.insert(noSender);
    }
    for (const char* text : {"1234", "12345 code", "👍🏽👍🏽👍🏽👍🏽", "é1é2"}) {
        db.insert(text);
    }
    db.exec("INSERT INTO message (guid, text, handle_id) VALUES ('orphan', 'code 99999', 42)");
    const auto emptyText = db.insert("Your code is 777777");
    db.exec("UPDATE message SET text = '' WHERE ROWID = " + std::to_string(emptyText));
    const std::string hex = QByteArray::fromStdString(test::readFixture("attributed-body/code.bin"))
                                .toHex()
                                .toStdString();
    const auto handle = db.exec("INSERT INTO handle (id, service) VALUES ('+1555', 'iMessage')");
    const auto h = std::to_string(handle);
    db.exec("INSERT INTO message (guid, text, handle_id, attributedBody) VALUES ('rich', NULL, " +
            h + ", X'" + hex + "')");
    const auto last = db.exec(
        "INSERT INTO message (guid, text, handle_id, attributedBody) VALUES ('none', NULL, " + h +
        ", NULL)");
    manager->syncMessages();
    ASSERT_TRUE(QTest::qWaitFor([&] { return manager->lastProcessedRowId() == last; }, 3000));
    EXPECT_EQ(recorder->seen,
              (std::vector<std::string>{"12345 code",
                                        "000123 is your security code. Don't share your code."}));
}

// A watermark that could not be set at start (no access yet) is set by the first sync that can
// read the database, which publishes nothing: history is never parsed. (A database that
// appears later is the watch command's test.)
TEST_F(MessageManagerTest, HistoryIsNotReadWhenTheDatabaseBecomesReadableLater) {
    db.insert("Your code is 111111");
    access = false;
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    manager->syncMessages();
    access = true;
    manager->syncMessages();
    EXPECT_TRUE(recorder->seen.empty());
    db.insert("Your code is 222222");
    manager->syncMessages();
    EXPECT_EQ(recorder->seen, std::vector<std::string>{"Your code is 222222"});
}

// The database replaced while watched (reset, restored, re-synced) numbers its rows from 1
// again: the reader follows the new file from its newest row, publishes none of its history,
// and never delivers a message again that it delivered from the old file.
TEST_F(MessageManagerTest, AReplacedDatabaseIsFollowed) {
    auto manager = started();
    SimulatedMessage delivered;
    delivered.text = "Your code is 111111";
    delivered.guid = "DELIVERED-1";
    db.insert(delivered);
    db.insert("Your code is 222222");
    manager->syncMessages();
    db.insert("Your code is 333333");  // not read before the file goes
    const auto backup = db.backup();

    db.recreate();  // rows start from 1 again
    manager->syncMessages();
    db.insert("Your code is 444444");
    db.insert(delivered);  // re-synced from elsewhere with its old guid
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 3u);
    EXPECT_EQ(manager->messages().entries().back().otp.code, "444444");

    db.restore(backup);  // its newest row lies above the watermark, and is history all the same
    manager->syncMessages();
    db.insert("Your code is 555555");
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 4u);
    EXPECT_EQ(manager->messages().entries().back().otp.code, "555555");

    db.restore(backup, true);  // copied over the same file: its rows end below the watermark
    manager->syncMessages();
    db.insert("Your code is 666666");
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 5u);
    EXPECT_EQ(manager->messages().entries().back().otp.code, "666666");
}

// A failed sync changes nothing and its rows are read at the next one. Access refused by the
// system is left to the permission check; other errors are printed and logged.
TEST_F(MessageManagerTest, FailedSyncsAreRetried) {
    for (const bool refused : {true, false}) {
        SCOPED_TRACE(refused ? "access refused" : "database gone");
        console.clear();
        auto manager = started();
        const auto rowId = db.insert("Your code is 482913");
        const auto moved = test::chatDatabasePath().string() + ".moved";
        {
            test::SqliteFaults faults;
            faults.denyOpen(refused ? "/chat.db" : "/nothing");
            if (!refused) {
                std::filesystem::rename(test::chatDatabasePath(), moved);
            }
            manager->syncMessages();
        }
        if (!refused) {
            std::filesystem::rename(moved, test::chatDatabasePath());
        }
        EXPECT_EQ(console.size(), refused ? 0u : 1u);
        manager->syncMessages();
        ASSERT_FALSE(manager->messages().entries().empty());
        EXPECT_EQ(manager->messages().entries().back().message.rowId, rowId);
    }
    EXPECT_EQ(console, std::vector<std::string>{
                           "ERR: sqlite open failed (code 14): unable to open database file"});
}

// A read that fails in the middle of the rows is an error of that sync; the rows read before
// it are kept, and the next sync goes on from there.
TEST_F(MessageManagerTest, AReadErrorInTheMiddleOfTheRowsKeepsTheRowsBefore) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    for (int i = 0; i < 60; ++i) {
        db.insert("Your code is " + std::to_string(100000 + i) + " " + std::string(3000, 'x'));
    }
    {
        test::SqliteFaults faults;
        faults.failReads("/chat.db", 1, 20);
        manager->syncMessages();
        ASSERT_EQ(faults.failedReads(), 1);
    }
    const auto kept = manager->messages().entries().size();
    EXPECT_GT(kept, 0u);
    EXPECT_LT(kept, 60u);
    EXPECT_EQ(manager->lastProcessedRowId(), manager->messages().entries().back().message.rowId);
    ASSERT_EQ(console.size(), 1u);
    manager->syncMessages();
    EXPECT_EQ(manager->messages().entries().size(), 60u);
}

TEST_F(MessageManagerTest, ResyncForgetsAndStartsFromNowAndTestMessagesAreParsed) {
    auto manager = started();
    db.insert("Your code is 111111");
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 1u);

    manager->resync();
    EXPECT_TRUE(manager->messages().entries().empty());
    EXPECT_EQ(recorder->seen.size(), 1u);  // nothing old parsed again
    EXPECT_TRUE(manager->isWatchingWal());

    // Test messages are parsed as received and published with a made-up sender.
    manager->injectTestMessage("Your code is 482913");
    manager->injectTestMessage("nothing here");
    ASSERT_EQ(manager->messages().entries().size(), 1u);
    EXPECT_EQ(manager->messages().entries()[0].message.handle, "+15555551234");
    EXPECT_EQ(console, (std::vector<std::string>{"✅ Parsed test message: 482913 from unknown",
                                                 "❌ Failed to parse test message: nothing here"}));
}

// A sync still pending when its manager goes dies with it.
TEST_F(MessageManagerTest, APendingSyncDiesWithItsManager) {
    auto manager = started();
    db.insert("Your code is 111111");
    QTest::qWait(50);  // the change is seen, the sync pending
    manager.reset();
    QTest::qWait(600);
    EXPECT_TRUE(recorder->seen.empty());
}

// SQLite deletes the WAL file when the last connection closes and the writer creates it anew:
// the watch follows the new file, also when there was none at the start.
TEST_F(MessageManagerTest, TheWatchFollowsARecreatedWalFile) {
    db.reopen(false);
    db.close();  // the last connection: the WAL file goes
    ASSERT_FALSE(std::filesystem::exists(test::chatDatabasePath().string() + "-wal"));
    auto manager = started();
    EXPECT_FALSE(manager->isWatchingWal());

    QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
    for (const char* text : {"First code 111111", "Second code 222222", "Third code 333333"}) {
        db.reopen(false);
        db.insert(text);
        db.close();
        ASSERT_TRUE(changes.wait(5000)) << text;
    }
    // Our own connections create and remove an empty WAL file around each read; that is not
    // news, so an idle database stays idle.
    const auto syncs = test::debugLogCount("SYNC", "Starting syncMessages");
    QTest::qWait(1500);
    EXPECT_EQ(test::debugLogCount("SYNC", "Starting syncMessages"), syncs);
}

// Which row is marked is the delivery test's; here, nothing is written while the setting is off
// or access is refused, and the mark carries the time it was made.
TEST_F(MessageManagerTest, MarkAsReadWritesTheReadTimeOnlyWhenOnAndAllowed) {
    auto manager = makeManager();
    SimulatedMessage message;
    message.text = "Your code is 482913";
    message.guid = "MARK-ME";
    db.insert(message);
    const auto isRead = [&] { return db.count("SELECT is_read FROM message"); };

    manager->markAsRead("MARK-ME");  // switched off
    AppStateManager::shared().setMarkAsReadEnabled(true);
    access = false;
    manager->markAsRead("MARK-ME");
    access = true;
    manager->markAsRead("NO-SUCH-GUID");
    EXPECT_EQ(isRead(), 0);

    const auto before = simulate::appleNanosecondsNow();
    manager->markAsRead("MARK-ME");
    const auto after = simulate::appleNanosecondsNow();
    EXPECT_EQ(isRead(), 1);
    const auto dateRead = db.count("SELECT date_read FROM message");
    EXPECT_GE(dateRead, before);
    EXPECT_LE(dateRead, after);
}

}  // namespace
}  // namespace nabbit
