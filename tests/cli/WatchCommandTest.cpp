#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <string>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <nlohmann/json.hpp>

#include "FixtureDatabases.h"
#include "TestHome.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

namespace nabbit {
namespace {

const QString kBin = QString(NABBIT_BIN_DIR);

// A fresh home holding a Messages database, `nabbit watch` running on it, and a way to write
// messages into it from another process, as the Messages program would.
class WatchCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::createDatabaseFromFixture(database(), "chat-db.sql");
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.insert("HOME", QString::fromStdString(home_.path().string()));
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "DISPLAY"}) {
            environment_.remove(name);
        }
    }

    void TearDown() override {
        if (watch_.state() != QProcess::NotRunning) {
            watch_.kill();
            watch_.waitForFinished(5000);
        }
    }

    std::filesystem::path database() const { return home_.path() / "Library/Messages/chat.db"; }

    // Debug entries name each step of a sync; with --verbose they go to standard error.
    void enableDebugLog() {
        ASSERT_TRUE(test::writeFile(home_.path() / ".config/nabbit/nabbit.conf",
                                    "[General]\ncom.nabbit.app.debugLoggingEnabled=true\n"));
    }

    std::string simulate(const QStringList& arguments) {
        QProcess process;
        process.setProcessEnvironment(environment_);
        process.start(kBin + "/nabbit-simulate", arguments);
        EXPECT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return process.readAllStandardOutput().trimmed().toStdString();
    }

    // Starts `nabbit watch` and waits until it says it is watching (`sources` times).
    void startWatch(const QStringList& arguments = {}, int sources = 1) {
        watch_.setProcessEnvironment(environment_);
        watch_.start(kBin + "/nabbit", QStringList{"watch"} + arguments);
        ASSERT_TRUE(watch_.waitForStarted(10000));
        ASSERT_TRUE(waitForStderr("nabbit watch: watching", sources)) << stderr_.toStdString();
    }

    // Waits until standard error holds `text` `count` times.
    bool waitForStderr(const char* text, int count = 1, int timeoutMs = 20000) {
        QElapsedTimer clock;
        clock.start();
        while (stderr_.count(text) < count && clock.elapsed() < timeoutMs) {
            watch_.waitForReadyRead(100);
            stderr_ += watch_.readAllStandardError();
        }
        return stderr_.count(text) >= count;
    }

    // The next line on standard output, or empty after `timeoutMs`.
    std::string nextLine(int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (!watch_.canReadLine() && clock.elapsed() < timeoutMs) {
            watch_.waitForReadyRead(100);
        }
        return watch_.canReadLine() ? watch_.readLine().trimmed().toStdString() : std::string();
    }

    // Ends the watch with `signal`, which it takes as a quit.
    void stopWith(int signal) {
        ::kill(static_cast<pid_t>(watch_.processId()), signal);
        EXPECT_TRUE(watch_.waitForFinished(60000));
        EXPECT_EQ(watch_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(watch_.exitCode(), 0);
        stderr_ += watch_.readAllStandardError();
    }

    // Every line left on standard output is a whole entry.
    void expectOnlyEntriesLeft() {
        for (const auto& line : watch_.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty()) {
                const auto entry = nlohmann::json::parse(line.toStdString(), nullptr, false);
                EXPECT_TRUE(entry.is_object() && entry.contains("code")) << line.toStdString();
            }
        }
    }

    test::TempDir home_;
    QProcessEnvironment environment_;
    QProcess watch_;
    QByteArray stderr_;
};

// With --mail, codes of both sources.
TEST_F(WatchCommandTest, PrintsEachNewCodeAsOneJsonLine) {
    simulate({"message", "Your verification code is 111111"});
    simulate({"message", "Your verification code is 222222"});
    test::createDatabaseFromFixture(home_.path() / "Library/Mail/V10/MailData/Envelope Index",
                                    "envelope-index.sql");
    startWatch({"--mail"}, 2);

    const auto rowId =
        simulate({"message", "--handle", "+447700900123", "--group", "chat99", "--guid",
                  "E2A1C3D4-0000-4000-8000-00000000ABCD", "Your verification code is 482913"});
    const auto line = nextLine(10000);
    ASSERT_FALSE(line.empty()) << watch_.readAllStandardError().toStdString();
    const auto entry = nlohmann::json::parse(line, nullptr, false);
    ASSERT_TRUE(entry.is_object()) << line;
    EXPECT_EQ(entry["source"], "imessage");
    EXPECT_EQ(std::to_string(entry["rowId"].get<long long>()), rowId);
    EXPECT_EQ(entry["guid"], "E2A1C3D4-0000-4000-8000-00000000ABCD");
    EXPECT_EQ(entry["handle"], "+447700900123");
    EXPECT_EQ(entry["group"], "chat99");
    EXPECT_EQ(entry["fromMe"], false);
    EXPECT_EQ(entry["code"], "482913");
    EXPECT_TRUE(entry.contains("service"));
    // The fields come in a fixed order, for readers that do not parse JSON.
    EXPECT_TRUE(line.starts_with(R"({"source":"imessage","rowId":)")) << line;

    const auto mailRowId = simulate({"mail", "--subject", "Your Acme verification code", "--from",
                                     "security@acme.example", "Use 482913 to sign in."});
    const auto mail = nlohmann::json::parse(nextLine(10000), nullptr, false);
    ASSERT_TRUE(mail.is_object());
    EXPECT_EQ(mail["source"], "mail");
    EXPECT_EQ(mail["guid"], "email-" + mailRowId);
    EXPECT_EQ(mail["handle"], "security@acme.example");
    EXPECT_EQ(mail["code"], "482913");

    simulate({"message", "See you at the station"});
    // The rows that existed before it started never appear.
    EXPECT_EQ(nextLine(1500), "");
}

// Standard output carries nothing but entries; the system log lines go to standard error, and
// the debug log's echo (it holds message texts) and the lines of each permission check only
// with --verbose. SIGTERM and SIGINT end the watch with status 0.
TEST_F(WatchCommandTest, StandardOutputCarriesOnlyEntries) {
    enableDebugLog();
    for (const bool verbose : {false, true}) {
        SCOPED_TRACE(verbose ? "--verbose, SIGINT" : "quiet, SIGTERM");
        stderr_.clear();
        startWatch(verbose ? QStringList{"--verbose"} : QStringList{});
        for (int i = 0; i < 3; ++i) {
            simulate({"message", "See you at the station, no code here"});
            simulate({"message", "Your verification code is 48291" + QString::number(i)});
            ASSERT_FALSE(nextLine(10000).empty());
        }
        stopWith(verbose ? SIGINT : SIGTERM);
        expectOnlyEntriesLeft();
        EXPECT_EQ(stderr_.contains("] [SYNC] Added new OTP messages"), verbose)
            << stderr_.toStdString();
        if (!verbose) {
            EXPECT_FALSE(stderr_.contains("48291")) << stderr_.toStdString();
        }
        EXPECT_EQ(stderr_.contains("[Nabbit] Checking FDA at: "), verbose);
    }
}

// Started before the Messages folder exists, the watch follows the folders as they appear and
// reads the database from its newest row once it can.
TEST_F(WatchCommandTest, ADatabaseThatAppearsLaterIsWatched) {
    std::filesystem::remove_all(home_.path() / "Library");
    enableDebugLog();
    startWatch({"--verbose"});
    EXPECT_TRUE(stderr_.contains("nabbit watch: no Messages database at")) << stderr_.toStdString();
    simulate({"message", "Your verification code is 111111"});
    ASSERT_TRUE(waitForStderr("] [SYNC] Initialized lastProcessedRowId")) << stderr_.toStdString();
    simulate({"message", "Your verification code is 482913"});
    const auto entry = nlohmann::json::parse(nextLine(10000), nullptr, false);
    ASSERT_TRUE(entry.is_object());
    EXPECT_EQ(entry["code"], "482913");
    EXPECT_EQ(nextLine(1000), "");
}

// A quit that arrives during a long sync ends the program between two rows, not after the
// batch: here each row is a 512 KB text, which takes a noticeable time to parse.
TEST_F(WatchCommandTest, AQuitDuringALongSyncEndsBetweenRows) {
    enableDebugLog();
    auto writer = simulate::ChatDatabaseWriter::open(database().string(), false);
    ASSERT_TRUE(writer);
    startWatch({"--verbose"});
    const std::string filler(512 * 1024 - 40, 'x');
    ASSERT_TRUE(writer->connection().exec("BEGIN"));
    for (int i = 0; i < 100; ++i) {
        simulate::SimulatedMessage message;
        message.text = filler + " Your verification code is " + std::to_string(100000 + i);
        message.body = simulate::SimulatedMessage::Body::text;
        ASSERT_TRUE(writer->insert(message));
    }
    ASSERT_TRUE(writer->connection().exec("COMMIT"));

    // The quit arrives once the rows are loaded, while they are being parsed.
    ASSERT_TRUE(waitForStderr(R"("rows_scanned": 100)", 1, 120000));
    stopWith(SIGTERM);
    // The batch was never finished: none of its codes came out.
    EXPECT_FALSE(stderr_.contains("Added new OTP messages")) << stderr_.toStdString();
    EXPECT_EQ(watch_.readAllStandardOutput(), "");
}

}  // namespace
}  // namespace nabbit
