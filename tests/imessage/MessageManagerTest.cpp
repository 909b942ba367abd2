#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <QSignalSpy>
#include <QTest>

#include "ChatDatabaseTestSupport.h"
#include "DebugLogCapture.h"
#include "FixtureDatabases.h"
#include "SqliteFaults.h"
#include "TestHome.h"
#include "core/AppStateManager.h"
#include "parser/SimpleOTPParser.h"
#include "sources/imessage/MarkAsRead.h"
#include "sources/imessage/MessageManager.h"

namespace nabbit {
namespace {

using namespace std::chrono_literals;
using simulate::SimulatedMessage;

std::size_t countOf(const std::vector<std::string>& messages, const std::string& message) {
    return static_cast<std::size_t>(std::count(messages.begin(), messages.end(), message));
}

class MessageManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::startDebugLog();
        AppStateManager::shared().setMarkAsReadEnabled(false);
    }

    std::unique_ptr<MessageManager> makeManager(std::shared_ptr<const OTPParser> parser = nullptr) {
        if (!parser) {
            parser = recorder;
        }
        return std::make_unique<MessageManager>(
            std::move(parser), [this] { return access; },
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

    test::ChatDatabase db;
    std::shared_ptr<test::RecordingParser> recorder = std::make_shared<test::RecordingParser>();
    bool access = true;
    std::vector<std::string> console;
};

TEST_F(MessageManagerTest, OnlyMessagesAfterLaunchAreRead) {
    db.insert("Your code is 111111");
    const auto before = db.insert("Your code is 222222");
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    EXPECT_EQ(manager->lastProcessedRowId(), before);
    manager->syncMessages();
    EXPECT_TRUE(manager->messages().entries().empty());
    EXPECT_TRUE(recorder->seen.empty());

    SimulatedMessage message;
    message.text = "Your code is 333333";
    message.handle = "+4915112345678";
    message.group = "chat827364";
    message.fromMe = true;
    message.guid = "6E1B2F3A-0000-4000-8000-000000000001";
    const auto rowId = db.insert(message);
    manager->syncMessages();

    ASSERT_EQ(manager->messages().entries().size(), 1u);
    const auto& entry = manager->messages().entries().front();
    EXPECT_EQ(entry.message,
              (Message{rowId, "6E1B2F3A-0000-4000-8000-000000000001", "Your code is 333333",
                       "+4915112345678", "chat827364", true}));
    EXPECT_EQ(entry.otp.code, "333333");
    EXPECT_EQ(manager->lastProcessedRowId(), rowId);
    const auto sync = test::debugLogMessages("SYNC");
    EXPECT_EQ(countOf(sync, "Initialized lastProcessedRowId"), 1u);
    EXPECT_EQ(countOf(sync, "No new OTP messages found"), 1u);
    EXPECT_EQ(countOf(sync, "Added new OTP messages"), 1u);
}

// Texts of four characters or fewer never reach the parser; characters are what a person
// counts, so four emoji with skin tones are four characters.
TEST_F(MessageManagerTest, ShortTextsAreNeverParsed) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    for (const char* text : {"1234", "12345", "👍🏽👍🏽👍🏽👍🏽",
                             "👍🏽👍🏽👍🏽👍🏽👍🏽", "é1é2"}) {
        db.insert(text);
    }
    manager->syncMessages();
    EXPECT_EQ(recorder->seen,
              (std::vector<std::string>{"12345", "👍🏽👍🏽👍🏽👍🏽👍🏽"}));
    // Dropped rows are passed by the watermark and not read again.
    manager->syncMessages();
    EXPECT_EQ(recorder->seen.size(), 2u);
}

// An empty text column is the text: the rich body is not consulted and the row is dropped.
TEST_F(MessageManagerTest, EmptyTextColumnIsNotReplacedByTheRichBody) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    SimulatedMessage message;
    message.text = "Your code is 482913";
    const auto rowId = db.insert(message);
    sqlite3_exec(db.handle(),
                 ("UPDATE message SET text = '' WHERE ROWID = " + std::to_string(rowId)).c_str(),
                 nullptr, nullptr, nullptr);
    manager->syncMessages();
    EXPECT_TRUE(recorder->seen.empty());
    EXPECT_EQ(manager->lastProcessedRowId(), rowId);
}

TEST_F(MessageManagerTest, RichBodyIsReadWhenTextIsNull) {
    auto parser = std::make_shared<SimpleOTPParser>(
        std::set<std::string>{"code"}, std::vector<Regex>{}, std::vector<CustomPattern>{});
    auto manager = makeManager(parser);
    manager->initializeLastProcessedRowId();
    const auto blob = test::readFixture("attributed-body/code.bin");
    db.insertRaw(
        "INSERT INTO handle (id, service) VALUES ('+15555550199', 'iMessage');"
        "INSERT INTO message (guid, text, handle_id, attributedBody) VALUES ('rich-1', NULL, "
        "last_insert_rowid(), X'" +
        [&] {
            std::string hex;
            for (unsigned char c : blob) {
                static const char* digits = "0123456789ABCDEF";
                hex += digits[c >> 4];
                hex += digits[c & 15];
            }
            return hex;
        }() +
        "')");
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 1u);
    EXPECT_EQ(manager->messages().entries()[0].otp.code, "000123");
}

TEST_F(MessageManagerTest, RowsWithoutHandleOrTextAreSkippedAndPassed) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    SimulatedMessage noHandle;
    noHandle.text = "Your code is 482913";
    noHandle.handle.reset();
    db.insert(noHandle);
    // A handle_id that names no handle row is the same as none.
    db.insertRaw("INSERT INTO message (guid, text, handle_id) VALUES ('orphan', 'code 99999', 42)");
    db.insertRaw(
        "INSERT INTO handle (id, service) VALUES ('+15555550123', 'SMS');"
        "INSERT INTO message (guid, text, handle_id, attributedBody) VALUES ('empty', NULL, "
        "last_insert_rowid(), NULL)");
    manager->syncMessages();
    EXPECT_TRUE(recorder->seen.empty());
    const auto parsing = test::debugLogMessages("PARSING");
    EXPECT_EQ(countOf(parsing, "Skipped - no handle"), 2u);
    EXPECT_EQ(countOf(parsing, "Skipped - no text available"), 1u);

    // The skipped rows are behind the watermark: the next sync does not read them again.
    manager->syncMessages();
    EXPECT_EQ(countOf(test::debugLogMessages("PARSING"), "Skipped - no handle"), 2u);
}

TEST_F(MessageManagerTest, HundredRowsPerSync) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    std::int64_t hundredth = 0;
    for (int i = 0; i < 150; ++i) {
        const auto rowId = db.insert("Message number " + std::to_string(10000 + i));
        if (i == 99) {
            hundredth = rowId;
        }
    }
    manager->syncMessages();
    EXPECT_EQ(manager->messages().entries().size(), 100u);
    EXPECT_EQ(manager->lastProcessedRowId(), hundredth);
    manager->syncMessages();
    EXPECT_EQ(manager->messages().entries().size(), 150u);
    EXPECT_EQ(manager->messages().entries().back().otp.code, "10149");
}

// A full batch of rows that are all skipped must not hold the reader back for ever.
TEST_F(MessageManagerTest, AFullBatchOfSkippedRowsDoesNotStall) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    SimulatedMessage noHandle;
    noHandle.handle.reset();
    for (int i = 0; i < 100; ++i) {
        noHandle.text = "No sender " + std::to_string(10000 + i);
        db.insert(noHandle);
    }
    const auto code = db.insert("Your code is 482913");
    manager->syncMessages();
    EXPECT_TRUE(manager->messages().entries().empty());
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 1u);
    EXPECT_EQ(manager->messages().entries()[0].message.rowId, code);
}

TEST_F(MessageManagerTest, AccessRefusedBySqliteIsSilent) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    db.insert("Your code is 482913");
    const auto watermark = manager->lastProcessedRowId();
    {
        test::DenyMessagesDatabase deny;
        manager->syncMessages();
    }
    EXPECT_TRUE(console.empty());
    EXPECT_EQ(countOf(test::debugLogMessages("ERROR"), "Error during sync"), 0u);
    EXPECT_EQ(manager->lastProcessedRowId(), watermark);

    // The same rows are read once access is back.
    manager->syncMessages();
    EXPECT_EQ(manager->messages().entries().size(), 1u);
}

TEST_F(MessageManagerTest, OtherErrorsArePrintedAndLogged) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    const auto watermark = manager->lastProcessedRowId();
    db.close();
    std::filesystem::rename(test::chatDatabasePath(), test::chatDatabasePath().string() + ".moved");
    manager->syncMessages();
    ASSERT_EQ(console.size(), 1u);
    EXPECT_EQ(console[0], "ERR: sqlite open failed (code 14): unable to open database file");
    EXPECT_EQ(countOf(test::debugLogMessages("ERROR"), "Error during sync"), 1u);
    EXPECT_EQ(manager->lastProcessedRowId(), watermark);
}

TEST_F(MessageManagerTest, InjectedTestMessages) {
    auto manager = makeManager();
    manager->injectTestMessage("Your code is 482913");
    manager->injectTestMessage("Your code is 777777");
    manager->injectTestMessage("nothing here");
    const auto& entries = manager->messages().entries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].message.handle, "+15555551234");
    EXPECT_EQ(entries[0].message.rowId, 0);
    EXPECT_NE(entries[0].message.guid, entries[1].message.guid);
    EXPECT_EQ(entries[0].message.guid,
              QString::fromStdString(entries[0].message.guid).toUpper().toStdString());
    EXPECT_EQ(console, (std::vector<std::string>{"✅ Parsed test message: 482913 from unknown",
                                                 "✅ Parsed test message: 777777 from unknown",
                                                 "❌ Failed to parse test message: nothing here"}));
    EXPECT_TRUE(test::debugLogMessages().empty() ||
                test::debugLogMessages() == std::vector<std::string>{});
}

TEST_F(MessageManagerTest, ResyncForgetsAndStartsFromNow) {
    auto manager = started();
    db.insert("Your code is 111111");
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 1u);

    std::vector<std::size_t> published;
    auto subscription = manager->messages().subscribe(
        manager.get(), [&](const CodeEntries& entries) { published.push_back(entries.size()); });
    manager->resync();
    EXPECT_EQ(published, (std::vector<std::size_t>{1, 0}));
    EXPECT_TRUE(manager->processedGuids().empty());
    EXPECT_EQ(recorder->seen.size(), 1u);  // nothing old parsed again
    EXPECT_TRUE(manager->isWatchingWal());
}

// The change watch: one sync a quiet spell after the last write of a burst.
TEST_F(MessageManagerTest, ABurstOfWritesGivesOneSync) {
    auto manager = started();
    manager->setSyncDebounceInterval(800ms);  // writes 0.1 s apart stay one burst on a busy machine
    QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
    for (int i = 0; i < 5; ++i) {
        db.insert("Your code is " + std::to_string(100000 + i));
        QTest::qWait(100);
    }
    ASSERT_TRUE(changes.wait(5000));
    QTest::qWait(1200);
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(manager->messages().entries().size(), 5u);
    EXPECT_EQ(
        countOf(test::debugLogMessages("SYNC"), "WAL file changed, syncing messages (debounced)"),
        1u);
}

TEST_F(MessageManagerTest, TwoWritesHalfASecondApartGiveTwoSyncs) {
    auto manager = started();
    EXPECT_EQ(manager->syncDebounceInterval(), 300ms);
    QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
    db.insert("Your code is 111111");
    QTest::qWait(500);
    db.insert("Your code is 222222");
    QTest::qWait(500);
    ASSERT_TRUE(changes.count() == 2 || changes.wait(3000));
    EXPECT_EQ(changes.count(), 2);
}

// SQLite deletes the WAL file when the last connection closes and the writer creates it anew:
// the watch follows the new file, also when there was none at the start.
TEST_F(MessageManagerTest, TheWatchFollowsARecreatedWalFile) {
    db.reopen(false);
    db.close();  // the last connection: the WAL file goes
    ASSERT_FALSE(std::filesystem::exists(test::chatDatabasePath().string() + "-wal"));
    auto manager = started();
    EXPECT_FALSE(manager->isWatchingWal());
    EXPECT_EQ(countOf(test::debugLogMessages("SYNC"), "Failed to open WAL file for monitoring"),
              1u);

    QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
    for (const char* text : {"First code 111111", "Second code 222222", "Third code 333333"}) {
        db.reopen(false);
        db.insert(text);
        db.close();
        ASSERT_TRUE(changes.wait(5000)) << text;
    }
    EXPECT_EQ(manager->messages().entries().size(), 3u);

    // Our own connections create and remove an empty WAL file around each read; that is not
    // news, so an idle database stays idle.
    const auto syncs = countOf(test::debugLogMessages("SYNC"), "Starting syncMessages");
    QTest::qWait(1500);
    EXPECT_EQ(countOf(test::debugLogMessages("SYNC"), "Starting syncMessages"), syncs);
}

TEST_F(MessageManagerTest, APendingSyncDiesWithItsManager) {
    auto manager = started();
    db.insert("Your code is 111111");
    QTest::qWait(50);  // the change is seen, the sync pending
    manager.reset();
    QTest::qWait(600);
    EXPECT_TRUE(recorder->seen.empty());
}

TEST_F(MessageManagerTest, MarkAsReadUpdatesExactlyOneRow) {
    auto manager = makeManager();
    SimulatedMessage message;
    message.text = "Your code is 482913";
    message.guid = "MARK-ME";
    db.insert(message);
    message.guid = "LEAVE-ME";
    db.insert(message);

    manager->markAsRead("MARK-ME");
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM message WHERE is_read = 1"), 0);
    EXPECT_EQ(test::debugLogMessages("MARK_READ"),
              std::vector<std::string>{"Mark as read skipped - feature disabled"});

    AppStateManager::shared().setMarkAsReadEnabled(true);
    const auto before = messagesDatabaseTime(std::chrono::system_clock::now());
    manager->markAsRead("MARK-ME");
    const auto after = messagesDatabaseTime(std::chrono::system_clock::now());
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM message WHERE is_read = 1"), 1);
    EXPECT_EQ(db.count("SELECT is_read FROM message WHERE guid = 'MARK-ME'"), 1);
    const auto dateRead = db.count("SELECT date_read FROM message WHERE guid = 'MARK-ME'");
    EXPECT_GE(dateRead, before);
    EXPECT_LE(dateRead, after);
    const auto markRead = test::debugLogMessages("MARK_READ");
    EXPECT_EQ(countOf(markRead, "Successfully marked message as read in database"), 1u);
    EXPECT_EQ(countOf(markRead, "Distributed notifications sent"), 1u);
    EXPECT_EQ(countOf(markRead, "Messages app status check"), 1u);

    test::startDebugLog();
    manager->markAsRead("NO-SUCH-GUID");
    EXPECT_EQ(test::debugLogMessages("MARK_READ"),
              (std::vector<std::string>{"Attempting to mark message as read",
                                        "No rows updated - message may not exist"}));

    access = false;
    test::startDebugLog();
    manager->markAsRead("LEAVE-ME");
    EXPECT_EQ(test::debugLogMessages("MARK_READ"),
              std::vector<std::string>{"Mark as read skipped - no Full Disk Access"});
}

// A watermark that could not be set at start (no access, no database yet) is set by the first
// sync that can read the database, which publishes nothing: history is never parsed.
TEST_F(MessageManagerTest, HistoryIsNotReadWhenTheDatabaseBecomesReadableLater) {
    for (const bool missing : {false, true}) {
        SCOPED_TRACE(missing ? "no database at start" : "no access at start");
        recorder->seen.clear();
        db.recreate();
        db.insert("Your code is 111111");
        if (missing) {
            db.close();
            std::filesystem::remove_all(test::chatDatabasePath().parent_path());
        }
        access = missing;
        auto manager = makeManager();
        manager->initializeLastProcessedRowId();
        manager->syncMessages();
        if (missing) {
            db.recreate();
            db.insert("Your code is 111111");
        }
        access = true;
        manager->syncMessages();
        EXPECT_TRUE(recorder->seen.empty());
        db.insert("Your code is 222222");
        manager->syncMessages();
        EXPECT_EQ(recorder->seen, std::vector<std::string>{"Your code is 222222"});
    }
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
    const auto backup = db.backup();
    db.insert("Your code is 222222");
    db.insert("Your code is 333333");
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 3u);

    db.recreate();  // rows start from 1 again
    manager->syncMessages();
    db.insert("Your code is 444444");
    db.insert(delivered);  // re-synced from elsewhere with its old guid
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 4u);
    EXPECT_EQ(manager->messages().entries().back().otp.code, "444444");

    db.restore(backup);  // an older copy, with its history
    manager->syncMessages();
    EXPECT_EQ(manager->messages().entries().size(), 4u);
    db.insert("Your code is 555555");
    manager->syncMessages();
    ASSERT_EQ(manager->messages().entries().size(), 5u);
    EXPECT_EQ(manager->messages().entries().back().otp.code, "555555");
}

// A backlog longer than a batch is read batch after batch at once, not when some later
// message happens to change the database again.
TEST_F(MessageManagerTest, ABacklogIsReadBatchAfterBatch) {
    auto manager = makeManager();
    manager->initializeLastProcessedRowId();
    for (int i = 0; i < 120; ++i) {
        db.insert("See you at " + std::to_string(i % 24));
    }
    db.insert("Your code is 482913");
    QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
    manager->syncMessages();
    ASSERT_TRUE(changes.count() == 1 || changes.wait(3000));
    EXPECT_EQ(manager->messages().entries().back().otp.code, "482913");
    const auto entries = test::debugLogEntries();
    std::vector<std::string> batches;
    for (const auto& entry : entries) {
        if (entry.message == "ROWID query complete") {
            batches.push_back(entry.data);
        }
    }
    ASSERT_GE(batches.size(), 2u);
    EXPECT_EQ(batches[0], R"(["rows_scanned": 100, "messages_found": 100])");
    EXPECT_EQ(batches[1], R"(["rows_scanned": 21, "messages_found": 21])");
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
    EXPECT_EQ(countOf(test::debugLogMessages("ERROR"), "Error during sync"), 1u);
    ASSERT_EQ(console.size(), 1u);
    EXPECT_TRUE(console[0].starts_with("ERR: ")) << console[0];
    manager->syncMessages();
    EXPECT_EQ(manager->messages().entries().size(), 60u);
}

TEST(MessagesDatabaseTime, CountsNanosecondsFrom2001) {
    const auto referenceDate = std::chrono::system_clock::time_point(978307200s);
    EXPECT_EQ(messagesDatabaseTime(referenceDate + 1s), 1'000'000'000);
    EXPECT_EQ(messagesDatabaseTime(referenceDate), 0);
}

}  // namespace
}  // namespace nabbit
