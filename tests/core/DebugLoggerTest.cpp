#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <optional>
#include <regex>
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

using test::lines;

const std::string timestamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3})";
const std::string rule(80, '=');

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

// The file is created with its header on the first entry, private to the user, and again when
// it was deleted by hand.
TEST_F(DebugLoggerTest, FirstEntryCreatesThePrivateFileWithItsHeader) {
    DebugLogger logger(logFile_);
    for (const char* message : {"first", "second"}) {
        std::filesystem::remove(logFile_);
        logger.log(message, "SYNC");
        logger.flush();
        const auto content = lines(test::readFile(logFile_));
        ASSERT_EQ(content.size(), 4u);
        EXPECT_EQ(content[0], "Nabbit Debug Log");
        EXPECT_TRUE(matches(content[1], "Started: " + timestamp)) << content[1];
        EXPECT_EQ(content[2], rule);
        EXPECT_TRUE(matches(content[3], R"(\[)" + timestamp + R"(\] \[SYNC\] )" + message));
        EXPECT_EQ(modeOf(logFile_), 0600u);
    }
    // The atomic header write leaves no temporary file behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()), {}), 1);
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
    EXPECT_EQ(content[4], R"(  Data: ["rowId": -42, "count": 3, "guid": "a\"b\\c\nd\te", )"
                          R"("handles": ["+1555", "x@y"], "path": "/tmp/x"])");
    EXPECT_TRUE(content[5].ends_with("] [SYNC] line one"));
    EXPECT_EQ(content[6], "line two");
    EXPECT_EQ(content[8], "  Data: [:]");
}

// Entries are echoed whole, each followed by an empty line, to the stream chosen; by default
// to standard output only when it is a terminal (here it is a file): they hold codes.
TEST_F(DebugLoggerTest, EntriesAreEchoedToTheChosenConsoleStream) {
    using Echo = DebugLogger::ConsoleEcho;
    struct Case {
        std::optional<Echo> echo;  // none: the default
        bool toStandardOutput, toStandardError;
    };
    const Case cases[] = {
        {std::nullopt, false, false},       {Echo::terminal, false, false},
        {Echo::none, false, false},         {Echo::standardOutput, true, false},
        {Echo::standardError, false, true},
    };
    const std::string echoedEntries = R"(\[)" + timestamp + R"(\] \[SYNC\] one\n\n\[)" + timestamp +
                                      R"(\] \[EMAIL\] two\n  Data: \["count": 2\]\n\n)";
    for (const auto& each : cases) {
        SCOPED_TRACE(each.echo ? static_cast<int>(*each.echo) : -1);
        std::filesystem::remove(logFile_);
        DebugLogger logger(logFile_);
        if (each.echo) {
            logger.setConsoleEcho(*each.echo);
        }
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        logger.log("one", "SYNC");
        logger.log("two", "EMAIL", {{"count", 2}});
        logger.flush();
        const std::string out = ::testing::internal::GetCapturedStdout();
        const std::string err = ::testing::internal::GetCapturedStderr();
        for (const auto& [echoed, expected] :
             {std::pair{out, each.toStandardOutput}, std::pair{err, each.toStandardError}}) {
            if (expected) {
                EXPECT_TRUE(matches(echoed, echoedEntries)) << echoed;
            } else {
                EXPECT_EQ(echoed, "");
            }
        }
        // The file has them whatever the echo.
        EXPECT_EQ(lines(test::readFile(logFile_)).size(), 6u);
    }

    // A file that cannot be written is passed over; the console still gets the entry.
    DebugLogger logger(std::filesystem::path("/dev/null/Nabbit_Debug.log"));
    logger.setConsoleEcho(Echo::standardOutput);
    ::testing::internal::CaptureStdout();
    logger.log("still printed", "ERROR");
    logger.clearLog();
    logger.flush();
    EXPECT_NE(::testing::internal::GetCapturedStdout().find("[ERROR] still printed"),
              std::string::npos);
}

// While logging is off (or never switched on), nothing is written or printed and an entry
// costs no file read: the switch is kept in memory. It still follows the preferences file, so
// another process switching logging on is seen at once.
TEST_F(DebugLoggerTest, OffWritesNothingAndReadsNoFileButFollowsTheSwitch) {
    ASSERT_TRUE(PreferencesStore().remove(keys::debugLoggingEnabled));
    DebugLogger logger(logFile_);
    ::testing::internal::CaptureStdout();
    logger.log("off", "SYNC");  // the switch has looked at the file by now
    const auto preferences = PreferencesStore().file();
    UniqueFd inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    ASSERT_TRUE(inotify);
    ASSERT_GE(::inotify_add_watch(inotify.get(), preferences.c_str(), IN_OPEN | IN_ACCESS), 0);
    for (int i = 0; i < 1000; ++i) {
        logger.log("off", "SYNC");
    }
    logger.flush();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(std::filesystem::exists(logFile_));
    char events[4096];
    EXPECT_LT(::read(inotify.get(), events, sizeof events), 0) << "the preferences were read";

    // Another process switches logging on, as `nabbit defaults write` would.
    QProcess other;
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

TEST_F(DebugLoggerTest, ClearLogWorksWhileOffAndNeverWidensTheMode) {
    DebugLogger logger(logFile_);
    logger.log("old entry", "SYNC");
    logger.flush();
    std::filesystem::permissions(logFile_, std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add);
    setLogging(false);
    logger.clearLog();
    logger.flush();
    EXPECT_EQ(lines(test::readFile(logFile_)).size(), 3u);
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

// A program that logs and exits without waiting: the entries must still reach the file, in
// its Documents folder.
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
