#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "TestHome.h"
#include "core/DebugLogger.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"

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

// With its file unwritable, an entry still reaches the console echo (which `nabbit watch
// --verbose` uses), whole and followed by an empty line.
TEST_F(DebugLoggerTest, AnUnwritableFileIsPassedOverAndTheEchoStillGetsEachEntry) {
    DebugLogger logger(std::filesystem::path("/dev/null/Nabbit_Debug.log"));
    logger.setConsoleEcho(DebugLogger::ConsoleEcho::standardOutput);
    ::testing::internal::CaptureStdout();
    logger.log("one", "SYNC");
    logger.log("two", "EMAIL", {{"count", 2}});
    logger.clearLog();
    logger.flush();
    const std::string echoed = ::testing::internal::GetCapturedStdout();
    EXPECT_TRUE(matches(echoed, R"(\[)" + timestamp + R"(\] \[SYNC\] one\n\n\[)" + timestamp +
                                    R"(\] \[EMAIL\] two\n  Data: \["count": 2\]\n\n)"))
        << echoed;
}

// While logging is off (or never switched on), nothing is written or printed. The switch
// follows the preferences file, so another process switching logging on is seen at once.
TEST_F(DebugLoggerTest, OffWritesNothingButFollowsTheSwitch) {
    ASSERT_TRUE(PreferencesStore().remove(keys::debugLoggingEnabled));
    DebugLogger logger(logFile_);
    ::testing::internal::CaptureStdout();
    logger.log("off", "SYNC");
    logger.flush();
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(std::filesystem::exists(logFile_));

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

// The entry that follows a clear is the settings window's Clear Log test.
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
