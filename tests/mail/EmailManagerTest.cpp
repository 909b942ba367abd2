#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include <QSignalSpy>
#include <QTest>

#include "DebugLogCapture.h"
#include "FixtureDatabases.h"
#include "RecordingParser.h"
#include "SqliteFaults.h"
#include "TestHome.h"
#include "sources/mail/EmailManager.h"
#include "tools/nabbit-simulate/EnvelopeIndexWriter.h"

namespace nabbit {
namespace {

using namespace std::chrono_literals;
using simulate::SimulatedMail;

std::filesystem::path mailFolder() {
    return test::testHome() / "Library/Mail";
}

std::filesystem::path envelopeIndex(const std::string& version = "V10") {
    return mailFolder() / version / "MailData/Envelope Index";
}

class EmailManagerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::filesystem::remove_all(mailFolder());
        test::createDatabaseFromFixture(envelopeIndex(), "envelope-index.sql");
        openWriter();
        test::startDebugLog();
    }

    void openWriter(bool persistWal = true) {
        writer.reset();
        auto opened =
            simulate::EnvelopeIndexWriter::open(envelopeIndex().string(), false, false, persistWal);
        ASSERT_TRUE(opened) << opened.error();
        writer.emplace(std::move(*opened));
    }

    std::int64_t mail(const std::string& subject, const std::string& summary,
                      std::optional<std::string> sender = "security@bank.example") {
        auto rowId = writer->insert(SimulatedMail{subject, summary, std::move(sender)});
        EXPECT_TRUE(rowId) << (rowId ? "" : rowId.error());
        return rowId ? *rowId : -1;
    }

    void exec(const std::string& sql) {
        auto done = writer->connection().exec(sql);
        ASSERT_TRUE(done) << done.error();
    }

    std::unique_ptr<EmailManager> makeManager() {
        return std::make_unique<EmailManager>(
            recorder,
            [this] {
                ++syncAttempts;
                return access;
            },
            [this](const std::string& line) { console.push_back(line); });
    }

    // Lets queued work (the appends of a sync) run.
    static void settle() { QTest::qWait(20); }

    std::optional<simulate::EnvelopeIndexWriter> writer;
    std::shared_ptr<test::RecordingParser> recorder = std::make_shared<test::RecordingParser>();
    bool access = true;
    int syncAttempts = 0;
    std::vector<std::string> console;
};

TEST_F(EmailManagerTest, TheNewestMailVersionIsChosenByNumber) {
    test::createDatabaseFromFixture(envelopeIndex("V9"), "envelope-index.sql");
    for (const char* name : {"V11/MailData", "V100x", "V", "Vx/MailData"}) {
        std::filesystem::create_directories(mailFolder() / name);  // no index in them
    }
    test::writeFile(mailFolder() / "Vx/MailData/Envelope Index", "");
    EXPECT_EQ(EmailManager::findEnvelopeIndexPath(), envelopeIndex("V10"));
    writer.reset();
    std::filesystem::remove_all(mailFolder() / "V10");
    EXPECT_EQ(EmailManager::findEnvelopeIndexPath(), envelopeIndex("V9"));
}

// Mail's folder may appear only after the start, and an upgrade moves the index to a newer
// V<n>: reading follows the newest index from its newest envelope, publishing nothing that
// index held before (the watermark a start without a readable index could not set).
TEST_F(EmailManagerTest, TheNewestIndexIsFollowedAsItAppears) {
    writer.reset();
    std::filesystem::remove_all(test::testHome() / "Library");
    auto manager = makeManager();
    manager->start();
    for (const std::string version : {"V10", "V11"}) {
        SCOPED_TRACE(version);
        test::createDatabaseFromFixture(envelopeIndex(version), "envelope-index.sql");
        auto index = simulate::EnvelopeIndexWriter::open(envelopeIndex(version).string(), false);
        ASSERT_TRUE(index);
        const auto history = index->insert({"Your code", "111111", "a@b.example"});
        ASSERT_TRUE(history);
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return manager->envelopeIndexPath() == envelopeIndex(version) &&
                       manager->lastProcessedRowId() == *history;
            },
            5000));
        QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
        ASSERT_TRUE(index->insert({"Your code", "482913", "a@b.example"}));
        ASSERT_TRUE(changes.wait(5000));
    }
    EXPECT_EQ(recorder->seen, std::vector<std::string>(2, "Your code\n482913"));
}

TEST_F(EmailManagerTest, EnvelopesBecomeMessages) {
    auto manager = makeManager();
    manager->start();
    const auto first = mail("Your code", "is\u00a0482913");
    mail("Sign-in code 555666", "", std::nullopt);
    const auto third = mail("", "  Only a summary 777888  ");
    manager->syncMessages();
    settle();
    EXPECT_EQ(recorder->seen,
              (std::vector<std::string>{"Your code\nis 482913", "Sign-in code 555666",
                                        "Only a summary 777888"}));
    const auto& entries = manager->messages().entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].message,
              (Message{first, "email-" + std::to_string(first), "Your code\nis 482913",
                       "security@bank.example", std::nullopt, false}));
    EXPECT_EQ(entries[1].message.handle, "Apple Mail");
    EXPECT_EQ(entries[2].message.rowId, third);
}

// In current Mail versions messages.summary is a key into the summaries table. Whether that
// table exists is read from the schema; when that cannot be read, the sync fails and is
// retried. The layout is never guessed: the old one would take the key for text, and a key
// looks like a code.
TEST_F(EmailManagerTest, TheLayoutIsReadFromTheSchemaNeverGuessed) {
    auto manager = makeManager();
    {
        test::SqliteFaults faults;
        // Past the read of opening, the schema reads of the cache-size pragma and of the check.
        faults.failReads("/Envelope Index", 2, 1);
        manager->start();
        EXPECT_EQ(faults.failedReads(), 2);
    }
    exec("INSERT INTO summaries (ROWID, summary) VALUES (48213, 'Thanks for your order')");
    exec("INSERT INTO subjects (subject) VALUES ('Your verification code')");
    exec("INSERT INTO mailboxes (url) VALUES ('imap://inbox')");
    exec(
        "INSERT INTO messages (global_message_id, subject, summary, mailbox) "
        "VALUES (1, last_insert_rowid(), 48213, 1)");
    manager->syncMessages();
    EXPECT_EQ(recorder->seen,
              std::vector<std::string>{"Your verification code\nThanks for your order"});

    // Older layouts keep the summary text in messages.summary.
    manager.reset();
    writer.reset();
    std::filesystem::remove_all(mailFolder());
    auto legacy = simulate::EnvelopeIndexWriter::open(envelopeIndex("V8").string(), true, true);
    ASSERT_TRUE(legacy);
    auto older = makeManager();
    older->start();
    ASSERT_TRUE(legacy->insert(SimulatedMail{"Security alert", "Use code 123456", "a@b.example"}));
    older->syncMessages();
    EXPECT_EQ(recorder->seen,
              (std::vector<std::string>{"Your verification code\nThanks for your order",
                                        "Security alert\nUse code 123456"}));
}

// A backlog longer than a batch is read batch after batch at once, not at the next poll; a
// batch of envelopes that are all skipped (no text) does not hold the reader back.
TEST_F(EmailManagerTest, ABacklogIsReadBatchAfterBatch) {
    auto manager = makeManager();
    manager->setPollInterval(60s);
    manager->initializeLastProcessedRowId();
    for (int i = 0; i < 220; ++i) {
        mail("", "");
    }
    mail("Hi", "");  // too short to parse
    const auto code = mail("Your code", "482913");
    QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
    manager->syncMessages();
    ASSERT_TRUE(changes.wait(3000));
    EXPECT_EQ(recorder->seen, std::vector<std::string>{"Your code\n482913"});
    EXPECT_EQ(manager->lastProcessedRowId(), code);
}

// A read that fails in its step or its prepare is an error of its sync, which drops the
// connection; the next sync reopens it and reads the same envelopes.
TEST_F(EmailManagerTest, AFailedReadDropsTheConnectionAndTheNextSyncReopensIt) {
    auto manager = makeManager();
    manager->start();
    ASSERT_TRUE(manager->hasPersistentConnection());
    mail("Your code", "482913");
    exec("ALTER TABLE subjects RENAME TO subjects_moved");
    manager->syncMessages();
    EXPECT_FALSE(manager->hasPersistentConnection());
    exec("ALTER TABLE subjects_moved RENAME TO subjects");
    manager->syncMessages();
    EXPECT_TRUE(manager->hasPersistentConnection());
    EXPECT_EQ(recorder->seen, std::vector<std::string>{"Your code\n482913"});
}

// Mail rebuilds its index as a new file whose rows start from 1 again: the reader follows the
// new file from its newest row and publishes none of what it holds already.
TEST_F(EmailManagerTest, ARebuiltIndexIsFollowedFromItsNewestRow) {
    auto manager = makeManager();
    manager->start();
    for (const char* code : {"111111", "222222", "333333"}) {
        mail("Your code", code);
    }
    manager->syncMessages();
    writer.reset();
    const auto rebuilt = envelopeIndex().string() + ".new";
    test::createDatabaseFromFixture(rebuilt, "envelope-index.sql");
    std::filesystem::rename(rebuilt, envelopeIndex());
    std::filesystem::remove(envelopeIndex().string() + "-wal");
    std::filesystem::remove(envelopeIndex().string() + "-shm");
    openWriter();
    mail("Restored", "Your code 444444");
    manager->syncMessages();
    mail("Your code", "555555");
    manager->syncMessages();
    settle();
    ASSERT_EQ(manager->messages().entries().size(), 4u);
    EXPECT_EQ(manager->messages().entries().back().otp.code, "555555");
}

TEST_F(EmailManagerTest, ResyncStartsFromNowAndInjectedMailsNeedNoIndex) {
    auto manager = makeManager();
    manager->start();
    mail("Your code", "111111");
    manager->syncMessages();
    settle();
    ASSERT_EQ(manager->messages().entries().size(), 1u);
    mail("Your code", "222222");
    manager->resync();
    settle();
    EXPECT_TRUE(manager->messages().entries().empty());
    EXPECT_EQ(recorder->seen.size(), 1u);
    EXPECT_TRUE(manager->isPolling());

    manager->injectTestEmail("Your code is 482913");
    manager->injectTestEmail("no code here");
    ASSERT_EQ(manager->messages().entries().size(), 1u);
    const auto& injected = manager->messages().entries()[0].message;
    EXPECT_EQ(injected.handle, EmailManager::testSender);
    EXPECT_TRUE(injected.guid.starts_with("email-test-"));
    EXPECT_EQ(console, std::vector<std::string>{"Failed to parse test email: no code here"});
}

// The watch: at once after a quiet spell, then one coalesced sync when the window closes; and
// the poll.
TEST_F(EmailManagerTest, ImmediateThenCoalescedAndPolledUntilStopped) {
    auto manager = makeManager();
    manager->start();
    manager->setCoalesceWindow(1000ms);  // events 0.1 s apart stay in one window on a busy machine
    const int before = syncAttempts;
    manager->handleWALChange();
    EXPECT_EQ(syncAttempts, before + 1);
    QTest::qWait(100);
    manager->handleWALChange();
    QTest::qWait(100);
    manager->handleWALChange();
    EXPECT_EQ(syncAttempts, before + 1);
    EXPECT_TRUE(manager->hasPendingSync());
    QTest::qWait(1300);
    EXPECT_EQ(syncAttempts, before + 2);

    // The poll syncs on its own until a stop, which cancels a pending sync too.
    manager.reset();
    auto polled = makeManager();
    polled->setPollInterval(150ms);
    polled->start();
    const int started = syncAttempts;
    QTest::qWait(1000);
    EXPECT_GE(syncAttempts - started, 3);
    EXPECT_LE(syncAttempts - started, 7);
    polled->handleWALChange();
    polled->handleWALChange();
    ASSERT_TRUE(polled->hasPendingSync());
    polled->stop();
    const int stopped = syncAttempts;
    QTest::qWait(600);
    EXPECT_EQ(syncAttempts, stopped);
    EXPECT_FALSE(polled->hasPersistentConnection());
    EXPECT_FALSE(polled->isWatchingWal());
}

// The WAL file changes before the writer's commit can be seen (a large transaction spills
// pages into it; a commit is synced before it shows). The commit is read as soon as it shows,
// not a coalescing window or a poll later.
TEST_F(EmailManagerTest, ACommitThatShowsAfterTheChangeIsReadWhenItShows) {
    auto manager = makeManager();
    manager->setCoalesceWindow(10s);
    manager->setPollInterval(60s);
    manager->start();
    QSignalSpy changes(&manager->messages(), &CodeEntryList::changed);
    exec("PRAGMA cache_size = 2");  // spill to the WAL file long before the commit
    exec("BEGIN");
    for (int i = 0; i < 50; ++i) {
        exec("INSERT INTO summaries (summary) VALUES ('" + std::string(2000, 'x') +
             std::to_string(i) + "')");
    }
    QTest::qWait(200);  // the change is seen and synced: nothing committed yet
    ASSERT_TRUE(manager->isWaitingForCommit());
    EXPECT_TRUE(changes.isEmpty());
    exec("INSERT INTO subjects (subject) VALUES ('Your code 482913')");
    exec(
        "INSERT INTO messages (global_message_id, subject, mailbox) "
        "VALUES (1, last_insert_rowid(), 1)");
    exec("COMMIT");
    ASSERT_TRUE(changes.wait(3000));
    EXPECT_EQ(recorder->seen.back(), "Your code 482913");
}

}  // namespace
}  // namespace nabbit
