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

namespace nabbit {
namespace {

const QString kBin = QString(NABBIT_BIN_DIR);

// A fresh home holding a Messages database, `nabbit watch` running on it, and a way to write
// messages into it from another process, as the Messages program would.
class WatchCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        test::createDatabaseFromFixture(home_.path() / "Library/Messages/chat.db", "chat-db.sql");
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
        QElapsedTimer clock;
        clock.start();
        while (stderr_.count("nabbit watch: watching") < sources && clock.elapsed() < 20000) {
            watch_.waitForReadyRead(200);
            stderr_ += watch_.readAllStandardError();
        }
        ASSERT_EQ(stderr_.count("nabbit watch: watching"), sources) << stderr_.toStdString();
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

    test::TempDir home_;
    QProcessEnvironment environment_;
    QProcess watch_;
    QByteArray stderr_;
};

TEST_F(WatchCommandTest, PrintsEachNewCodeAsOneJsonLine) {
    simulate({"message", "Your verification code is 111111"});
    simulate({"message", "Your verification code is 222222"});
    startWatch();

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

    // The rows that existed before it started never appear.
    EXPECT_EQ(nextLine(1500), "");
}

TEST_F(WatchCommandTest, MessagesWithoutACodeAndRichBodies) {
    startWatch();
    simulate({"message", "See you at the station"});
    simulate({"message", "--body", "rich", "G-482913 is your Google verification code."});
    const auto entry = nlohmann::json::parse(nextLine(10000), nullptr, false);
    ASSERT_TRUE(entry.is_object());
    EXPECT_EQ(entry["code"], "482913");
    EXPECT_EQ(entry["service"], "google");
    EXPECT_EQ(entry["group"], nullptr);
}

TEST_F(WatchCommandTest, MailToo) {
    test::createDatabaseFromFixture(home_.path() / "Library/Mail/V10/MailData/Envelope Index",
                                    "envelope-index.sql");
    startWatch({"--mail"}, 2);
    const auto rowId = simulate({"mail", "--subject", "Your Acme verification code", "--from",
                                 "security@acme.example", "Use 482913 to sign in."});
    const auto entry = nlohmann::json::parse(nextLine(10000), nullptr, false);
    ASSERT_TRUE(entry.is_object());
    EXPECT_EQ(entry["source"], "mail");
    EXPECT_EQ(entry["guid"], "email-" + rowId);
    EXPECT_EQ(entry["handle"], "security@acme.example");
    EXPECT_EQ(entry["code"], "482913");
    EXPECT_TRUE(entry.contains("service"));

    // Messages are still watched beside it.
    simulate({"message", "Your verification code is 555123"});
    const auto message = nlohmann::json::parse(nextLine(10000), nullptr, false);
    ASSERT_TRUE(message.is_object());
    EXPECT_EQ(message["source"], "imessage");
}

TEST_F(WatchCommandTest, EndsCleanlyOnSigintAndSigterm) {
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        startWatch();
        ::kill(static_cast<pid_t>(watch_.processId()), signal);
        ASSERT_TRUE(watch_.waitForFinished(10000));
        EXPECT_EQ(watch_.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(watch_.exitCode(), 0);
        stderr_.clear();
    }
}

TEST_F(WatchCommandTest, RefusesUnknownArguments) {
    QProcess process;
    process.setProcessEnvironment(environment_);
    process.start(kBin + "/nabbit", {"watch", "--bogus"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());
}

}  // namespace
}  // namespace nabbit
