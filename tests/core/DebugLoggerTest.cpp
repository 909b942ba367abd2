#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "TestHome.h"
#include "core/DebugLogger.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"
#include "core/UniqueFd.h"

namespace nabbit {
namespace {

const std::string timestamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})";
const std::string rule(80, '=');

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

bool matches(const std::string& text, const std::string& pattern) {
    return std::regex_match(text, std::regex(pattern));
}

unsigned modeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

class DebugLoggerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        logFile_ = dir_.path() / "Nabbit_Debug.log";
        setLogging(true);
    }
    void TearDown() override { setLogging(false); }

    static void setLogging(bool on) {
        ASSERT_TRUE(PreferencesStore().setBool(keys::debugLoggingEnabled, on));
    }

    test::TempDir dir_;
    std::filesystem::path logFile_;
};

TEST_F(DebugLoggerTest, FirstEntryCreatesThePrivateFileWithItsHeader) {
    DebugLogger logger(logFile_);
    EXPECT_EQ(logger.logFileURL(), logFile_);
    logger.log("No new OTP messages found", "SYNC");
    logger.flush();

    const auto content = lines(test::readFile(logFile_));
    ASSERT_EQ(content.size(), 4u);
    EXPECT_EQ(content[0], "Nabbit Debug Log");
    EXPECT_TRUE(matches(content[1], "Started: " + timestamp)) << content[1];
    EXPECT_EQ(content[2], rule);
    EXPECT_TRUE(
        matches(content[3], R"(\[)" + timestamp + R"(\] \[SYNC\] No new OTP messages found)"))
        << content[3];
    EXPECT_EQ(modeOf(logFile_), 0600u);
    // The atomic header write leaves no temporary file behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
}

TEST_F(DebugLoggerTest, DeletingTheFileByHandStartsItAgainWithAHeader) {
    DebugLogger logger(logFile_);
    logger.log("first", "SYNC");
    logger.flush();
    std::filesystem::remove(logFile_);
    logger.log("second", "SYNC");
    logger.flush();

    const auto content = lines(test::readFile(logFile_));
    ASSERT_EQ(content.size(), 4u);
    EXPECT_EQ(content[0], "Nabbit Debug Log");
    EXPECT_TRUE(content[3].ends_with("] [SYNC] second"));
}

TEST_F(DebugLoggerTest, DetailsFollowOnASecondLineAndMessagesAreNotEscaped) {
    DebugLogger logger(logFile_);
    const std::size_t count = 3;
    const long long rowId = -42;
    logger.log("Found OTP", "PARSING",
               {{"rowId", rowId},
                {"count", count},
                {"guid", "a\"b\\c\nd\te"},
                {"handles", std::vector<std::string>{"+1555", "x@y"}},
                {"path", std::string_view("/tmp/x")}});
    logger.log("line one\nline two", "SYNC");
    logger.log("empty details", "SYNC", {});
    logger.flush();

    const auto content = lines(test::readFile(logFile_));
    ASSERT_EQ(content.size(), 9u);
    EXPECT_TRUE(content[3].ends_with("] [PARSING] Found OTP"));
    EXPECT_EQ(content[4], R"(  Data: ["rowId": -42, "count": 3, "guid": "a\"b\\c\nd\te", )"
                          R"("handles": ["+1555", "x@y"], "path": "/tmp/x"])");
    EXPECT_TRUE(content[5].ends_with("] [SYNC] line one"));
    EXPECT_EQ(content[6], "line two");
    EXPECT_TRUE(content[7].ends_with("] [SYNC] empty details"));
    EXPECT_EQ(content[8], "  Data: [:]");
}

TEST_F(DebugLoggerTest, EntriesOfEachThreadKeepTheirOrder) {
    DebugLogger logger(logFile_);
    constexpr int threads = 4;
    constexpr int perThread = 100;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([&logger, t] {
            for (int i = 0; i < perThread; ++i) {
                logger.log("entry", "SYNC", {{"thread", t}, {"index", i}});
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    logger.flush();

    std::vector<int> next(threads, 0);
    int total = 0;
    const std::regex data(R"(  Data: \["thread": (\d+), "index": (\d+)\])");
    for (const auto& line : lines(test::readFile(logFile_))) {
        std::smatch match;
        if (std::regex_match(line, match, data)) {
            const int t = std::stoi(match[1]);
            EXPECT_EQ(std::stoi(match[2]), next[t]) << "thread " << t;
            next[t] = std::stoi(match[2]) + 1;
            ++total;
        }
    }
    EXPECT_EQ(total, threads * perThread);
}

// Entries are echoed whole, each followed by an empty line, to standard output unless the
// program keeps that for something else.
TEST_F(DebugLoggerTest, EntriesAreEchoedToTheChosenConsoleStream) {
    using Echo = DebugLogger::ConsoleEcho;
    for (const auto echo : {Echo::standardOutput, Echo::standardError}) {
        DebugLogger logger(logFile_);
        if (echo == Echo::standardError) {
            logger.setConsoleEcho(echo);
        }
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        logger.log("one", "SYNC");
        logger.log("two", "EMAIL", {{"count", 2}});
        logger.flush();
        const std::string out = ::testing::internal::GetCapturedStdout();
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string& echoed = echo == Echo::standardOutput ? out : err;
        EXPECT_TRUE(matches(echoed, R"(\[)" + timestamp + R"(\] \[SYNC\] one\n\n\[)" + timestamp +
                                        R"(\] \[EMAIL\] two\n  Data: \["count": 2\]\n\n)"))
            << echoed;
        EXPECT_EQ(echo == Echo::standardOutput ? err : out, "");
    }
}

TEST_F(DebugLoggerTest, NothingIsWrittenOrPrintedWhileOff) {
    setLogging(false);
    DebugLogger logger(logFile_);
    ::testing::internal::CaptureStdout();
    logger.log("hidden", "SYNC");
    logger.flush();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(std::filesystem::exists(logFile_));

    // Absent is off too.
    ASSERT_TRUE(PreferencesStore().remove(keys::debugLoggingEnabled));
    logger.log("hidden", "SYNC");
    logger.flush();
    EXPECT_FALSE(std::filesystem::exists(logFile_));
}

TEST_F(DebugLoggerTest, ClearLogWorksWhileOffAndNeverWidensTheMode) {
    DebugLogger logger(logFile_);
    logger.log("old entry", "SYNC");
    logger.flush();
    std::filesystem::permissions(logFile_, std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    setLogging(false);

    ::testing::internal::CaptureStdout();
    logger.clearLog();
    logger.flush();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    const auto content = lines(test::readFile(logFile_));
    ASSERT_EQ(content.size(), 3u);
    EXPECT_EQ(content[0], "Nabbit Debug Log");
    EXPECT_EQ(content[2], rule);
    EXPECT_EQ(modeOf(logFile_), 0600u);

    // clearLog followed by log from one thread: the header, then that entry.
    setLogging(true);
    logger.clearLog();
    logger.log("after clear", "SYSTEM");
    logger.flush();
    const auto cleared = lines(test::readFile(logFile_));
    ASSERT_EQ(cleared.size(), 4u);
    EXPECT_TRUE(cleared[3].ends_with("] [SYSTEM] after clear"));
}

TEST_F(DebugLoggerTest, DestructionWritesEverythingAlreadySubmitted) {
    {
        DebugLogger logger(logFile_);
        for (int i = 0; i < 200; ++i) {
            logger.log("queued", "SYNC", {{"index", i}});
        }
    }
    const auto content = lines(test::readFile(logFile_));
    ASSERT_EQ(content.size(), 3u + 400u);
    EXPECT_EQ(content.back(), R"(  Data: ["index": 199])");
}

TEST_F(DebugLoggerTest, FileFailuresAreSwallowedAndTheConsoleStillGetsTheEntry) {
    const std::filesystem::path impossible = "/dev/null/Nabbit_Debug.log";
    DebugLogger logger(impossible);
    ::testing::internal::CaptureStdout();
    logger.log("still printed", "ERROR");
    logger.clearLog();
    logger.flush();
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("[ERROR] still printed"),
              std::string::npos);

    DebugLogger noFile(std::nullopt);
    ::testing::internal::CaptureStdout();
    noFile.log("nowhere", "SYNC");
    noFile.clearLog();
    noFile.flush();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// While logging is off, an entry costs no file read: the switch is kept in memory. It still
// follows the preferences file, so another process switching logging on is seen at once.
TEST_F(DebugLoggerTest, TheSwitchFollowsThePreferencesWithoutReadingThemForEachEntry) {
    setLogging(false);
    DebugLogger logger(logFile_);
    logger.log("off", "SYNC");  // the switch has looked at the file by now
    const auto preferences = PreferencesStore().file();
    UniqueFd inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_TRUE(inotify);
    ASSERT_GE(::inotify_add_watch(inotify.get(), preferences.c_str(), IN_OPEN | IN_ACCESS), 0);
    for (int i = 0; i < 1000; ++i) {
        logger.log("off", "SYNC");
    }
    char events[4096];
    EXPECT_LT(::read(inotify.get(), events, sizeof events), 0) << "the preferences were read";

    // Another process switches logging on, as `nabbit defaults write` would.
    QProcess other;
    other.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    other.start(QString(NABBIT_BIN_DIR) + "/core_debug_logger_exit_helper", {"0"});
    ASSERT_TRUE(other.waitForFinished(60000));
    ASSERT_EQ(other.exitCode(), 0);
    QElapsedTimer clock;
    clock.start();
    while (!std::filesystem::exists(logFile_) && clock.elapsed() < 5000) {
        logger.log("on", "SYNC");
        logger.flush();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_LT(clock.elapsed(), 1000);
}

TEST(SharedDebugLoggerTest, LivesInTheDocumentsFolder) {
    EXPECT_EQ(DebugLogger::shared().logFileURL(),
              test::testHome() / "Documents" / "Nabbit_Debug.log");
    EXPECT_EQ(&DebugLogger::shared(), &DebugLogger::shared());
}

// A program that logs and exits without waiting: the entries must still reach the file.
TEST(SharedDebugLoggerTest, ExitDrainsTheQueue) {
    test::TempDir home;
    std::filesystem::create_directories(home.path() / "Documents");
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.path().string()));
    environment.insert("XDG_CONFIG_HOME",
                       QString::fromStdString((home.path() / ".config").string()));
    child.setProcessEnvironment(environment);
    child.start(QString(NABBIT_BIN_DIR) + "/core_debug_logger_exit_helper", {"500"});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardError().toStdString();

    const auto content = lines(test::readFile(home.path() / "Documents" / "Nabbit_Debug.log"));
    const auto entries = std::count_if(content.begin(), content.end(), [](const std::string& l) {
        return l.find("] [SYNC] before exit") != std::string::npos;
    });
    EXPECT_EQ(entries, 500);
    ASSERT_FALSE(content.empty());
    EXPECT_EQ(content.back(), R"(  Data: ["index": 499])");
}

}  // namespace
}  // namespace nabbit
