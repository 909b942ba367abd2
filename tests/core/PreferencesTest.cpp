#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "PermissionBits.h"
#include "TestHome.h"
#include "core/AppStateManager.h"
#include "core/DebugLogger.h"
#include "core/Paths.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"

namespace nabbit {
namespace {

const AppStateManager& state() {
    return AppStateManager::shared();
}

std::filesystem::path preferences() {
    return test::testHome() / ".config" / "nabbit" / "nabbit.conf";
}

void writePreferences(const std::string& lines) {
    ASSERT_TRUE(test::writeFile(preferences(), "[General]\n" + lines));
}

std::vector<std::filesystem::path> keptAside() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(preferences().parent_path())) {
        if (entry.path().filename().string().starts_with("nabbit.conf.corrupt-")) {
            files.push_back(entry.path());
        }
    }
    return files;
}

class PreferencesTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::remove_all(preferences().parent_path()); }
};

TEST_F(PreferencesTest, AFreshHomeReadsEveryFallback) {
    EXPECT_EQ(PreferencesStore().file(), preferences());
    EXPECT_FALSE(state().hasSetup());
    EXPECT_FALSE(state().useNativeNotifications());
    EXPECT_TRUE(state().showNotificationOverlay());
    EXPECT_EQ(state().notificationPosition(), 0);
    EXPECT_FALSE(state().globalShortcutEnabled());
    EXPECT_FALSE(state().autoPasteEnabled());
    EXPECT_FALSE(state().markAsReadEnabled());
    EXPECT_FALSE(state().emailDetectionEnabled());
    EXPECT_EQ(state().restoreContentsDelayTime(), 5);
    EXPECT_FALSE(state().shouldAutoLaunch());
    EXPECT_FALSE(state().debugLoggingEnabled());
    EXPECT_TRUE(state().menuBarIconVisible());
    EXPECT_FALSE(std::filesystem::exists(preferences()));  // reading creates nothing
}

TEST_F(PreferencesTest, EveryKeyRoundTripsUnderItsFullName) {
    struct BoolKey {
        std::string_view key;
        void (AppStateManager::*set)(bool) const;
        bool (AppStateManager::*get)() const;
    };
    const std::vector<BoolKey> boolKeys = {
        {keys::hasSetup, &AppStateManager::setHasSetup, &AppStateManager::hasSetup},
        {keys::useNativeNotifications, &AppStateManager::setUseNativeNotifications,
         &AppStateManager::useNativeNotifications},
        {keys::showNotificationOverlay, &AppStateManager::setShowNotificationOverlay,
         &AppStateManager::showNotificationOverlay},
        {keys::globalShortcutEnabled, &AppStateManager::setGlobalShortcutEnabled,
         &AppStateManager::globalShortcutEnabled},
        {keys::autoPasteEnabled, &AppStateManager::setAutoPasteEnabled,
         &AppStateManager::autoPasteEnabled},
        {keys::markAsReadEnabled, &AppStateManager::setMarkAsReadEnabled,
         &AppStateManager::markAsReadEnabled},
        {keys::emailDetectionEnabled, &AppStateManager::setEmailDetectionEnabled,
         &AppStateManager::emailDetectionEnabled},
        {keys::shouldAutoLaunch, &AppStateManager::setShouldAutoLaunch,
         &AppStateManager::shouldAutoLaunch},
        {keys::debugLoggingEnabled, &AppStateManager::setDebugLoggingEnabled,
         &AppStateManager::debugLoggingEnabled},
        {keys::menuBarIconVisible, &AppStateManager::setMenuBarIconVisible,
         &AppStateManager::menuBarIconVisible},
    };
    for (const auto& key : boolKeys) {
        for (const bool value : {true, false}) {
            (state().*key.set)(value);
            EXPECT_EQ((state().*key.get)(), value) << key.key;
            EXPECT_EQ(PreferencesStore().value(key.key), value ? "true" : "false") << key.key;
        }
    }
    state().setNotificationPosition(3);
    EXPECT_EQ(state().notificationPosition(), 3);
    state().setRestoreContentsDelayTime(0);
    EXPECT_EQ(state().restoreContentsDelayTime(), 0);
    state().setRestoreContentsDelayTime(20);
    EXPECT_EQ(state().restoreContentsDelayTime(), 20);

    const std::string file = test::readFile(preferences());
    EXPECT_NE(file.find("com.nabbit.app.restoreContentsDelayTime=20\n"), std::string::npos);
    EXPECT_NE(file.find("com.nabbit.app.hasSetup=false\n"), std::string::npos);
    EXPECT_EQ(file.find("com.nabbit.app.currentOnboardingStep"), std::string::npos);
}

TEST_F(PreferencesTest, TypedReadsAcceptWhatWritersProduceAndFallBackOnAnythingElse) {
    writePreferences(
        "com.nabbit.app.hasSetup=1\n"
        "com.nabbit.app.autoPasteEnabled=TRUE\n"
        "com.nabbit.app.shouldAutoLaunch=maybe\n"
        "com.nabbit.app.showNotificationOverlay=0\n"
        "com.nabbit.app.menuBarIconVisible=yes please\n"
        "com.nabbit.app.markAsReadEnabled=\"true, false\"\n"
        "com.nabbit.app.restoreContentsDelayTime=+10\n");
    EXPECT_TRUE(state().hasSetup());
    EXPECT_TRUE(state().autoPasteEnabled());
    EXPECT_FALSE(state().shouldAutoLaunch());
    EXPECT_FALSE(state().showNotificationOverlay());
    EXPECT_TRUE(state().menuBarIconVisible());
    EXPECT_FALSE(state().markAsReadEnabled());
    EXPECT_EQ(state().restoreContentsDelayTime(), 10);

    for (const std::string bad : {"ten", "2.5", "", "99999999999", "5s", "+-3", "1, 2"}) {
        writePreferences("com.nabbit.app.restoreContentsDelayTime=" + bad + "\n");
        EXPECT_EQ(state().restoreContentsDelayTime(), 5) << bad;
    }
    writePreferences("com.nabbit.app.restoreContentsDelayTime=-3\n");
    EXPECT_EQ(state().restoreContentsDelayTime(), -3);
}

TEST_F(PreferencesTest, NotificationPositionOutsideTheFourCornersReadsAsTopLeft) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"0", 0},  {"1", 1}, {"2", 2},   {"3", 3},   {"7", 0},
        {"-1", 0}, {"4", 0}, {"two", 0}, {"2.0", 0}, {"4294967298", 0},
    };
    for (const auto& [stored, read] : cases) {
        writePreferences("com.nabbit.app.notificationPosition=" + stored + "\n");
        EXPECT_EQ(state().notificationPosition(), read) << stored;
    }
    state().setNotificationPosition(7);  // stored as given; the reader decides
    EXPECT_EQ(PreferencesStore().value(keys::notificationPosition), "7");
    EXPECT_EQ(state().notificationPosition(), 0);
}

TEST_F(PreferencesTest, RemovingTheOnboardingStepLeavesTheOtherKeys) {
    writePreferences(
        "com.nabbit.app.currentOnboardingStep=2\n"
        "com.nabbit.app.hasSetup=true\n");
    state().removeCurrentOnboardingStep();
    EXPECT_EQ(PreferencesStore().value(keys::currentOnboardingStep), std::nullopt);
    EXPECT_TRUE(state().hasSetup());
}

// Another process rewriting the file to the same size and the same modification time: every
// read sees the newest value, never one parsed earlier, and reading leaves the file and its
// time as they are.
TEST_F(PreferencesTest, AnotherWritersChangesAreSeenAndReadingNeverTouchesTheFile) {
    const timespec fixed[2] = {{0, UTIME_OMIT}, {1'700'000'000, 0}};
    for (int i = 0; i < 50; ++i) {
        writePreferences("com.nabbit.app.notificationPosition=" + std::to_string(i % 4) + "\n");
        ASSERT_EQ(::utimensat(AT_FDCWD, preferences().c_str(), fixed, 0), 0);
        ASSERT_EQ(state().notificationPosition(), i % 4) << "after write " << i;
        struct stat info {};
        ASSERT_EQ(::stat(preferences().c_str(), &info), 0);
        ASSERT_EQ(info.st_mtim.tv_sec, fixed[1].tv_sec) << "after read " << i;
        ASSERT_EQ(info.st_mtim.tv_nsec, 0) << "after read " << i;
    }
    // Our own write in between keeps its place in the sequence too.
    state().setAutoPasteEnabled(true);
    writePreferences("com.nabbit.app.autoPasteEnabled=false\n");
    EXPECT_FALSE(state().autoPasteEnabled());
}

// A file that cannot be read is not corrupt: it stays where it is and unchanged, every key
// reads as its fallback meanwhile, and one warning says why.
TEST_F(PreferencesTest, AnUnreadableFileIsLeftAloneWithOneWarning) {
    writePreferences("com.nabbit.app.restoreContentsDelayTime=10\n");
    std::filesystem::permissions(preferences(), std::filesystem::perms::none);
    {
        test::ObeyPermissionBits asAUser;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(state().restoreContentsDelayTime(), 5);
        EXPECT_TRUE(state().menuBarIconVisible());
        state().setRestoreContentsDelayTime(15);
        const std::string warned = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(warned.begin(), warned.end(), '\n'), 1) << warned;
        EXPECT_NE(warned.find("[Nabbit] Preferences file " + preferences().string() +
                              " cannot be read (Permission denied)"),
                  std::string::npos)
            << warned;
    }
    EXPECT_TRUE(keptAside().empty());
    std::filesystem::permissions(
        preferences(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(state().restoreContentsDelayTime(), 10);
}

struct CorruptCase {
    const char* name;
    std::string contents;
};

class CorruptPreferencesTest : public PreferencesTest,
                               public ::testing::WithParamInterface<CorruptCase> {};

TEST_P(CorruptPreferencesTest, ReadsFallBackAndTheFileIsKeptAsideNotOverwritten) {
    const std::string contents = GetParam().contents;
    ASSERT_TRUE(test::writeFile(preferences(), contents));

    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(state().showNotificationOverlay());
    EXPECT_EQ(state().notificationPosition(), 0);
    EXPECT_EQ(state().restoreContentsDelayTime(), 5);
    EXPECT_FALSE(state().hasSetup());
    const std::string logged = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(logged.find("[Nabbit] Preferences file could not be read; kept it as "),
              std::string::npos);

    const auto aside = keptAside();
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(test::readFile(aside.front()), contents);

    state().setRestoreContentsDelayTime(10);
    EXPECT_EQ(state().restoreContentsDelayTime(), 10);
    EXPECT_EQ(test::readFile(preferences()),
              "[General]\ncom.nabbit.app.restoreContentsDelayTime=10\n");
    EXPECT_EQ(test::readFile(aside.front()), contents);
}

INSTANTIATE_TEST_SUITE_P(
    Contents, CorruptPreferencesTest,
    ::testing::Values(CorruptCase{"Binary", std::string("\x7f"
                                                        "ELF\x02\x01\x01\0\0\0garbage\xff\xfe",
                                                        19)},
                      CorruptCase{"InvalidUtf8",
                                  "[General]\ncom.nabbit.app.notificationPosition=\xff\xfe\n"
                                  "com.nabbit.app.hasSetup=true\n"},
                      CorruptCase{"NulByte",
                                  std::string("[General]\ncom.nabbit.app.hasSetup=true\n\0\n", 41)},
                      CorruptCase{"UnclosedSection",
                                  "[General\ncom.nabbit.app.notificationPosition=2\n"
                                  "com.nabbit.app.hasSetup=true\n"},
                      CorruptCase{"NotIni", "just some words and no keys\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PreferencesTest, TheFileFollowsXdgConfigHome) {
    test::TempDir elsewhere;
    const std::string saved = std::getenv("XDG_CONFIG_HOME");
    ::setenv("XDG_CONFIG_HOME", elsewhere.path().c_str(), 1);
    state().setRestoreContentsDelayTime(15);
    const auto moved = elsewhere.path() / "nabbit" / "nabbit.conf";
    EXPECT_TRUE(std::filesystem::exists(moved));
    ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);  // not absolute: ignored
    EXPECT_EQ(paths::preferencesFile(), test::testHome() / ".config" / "nabbit" / "nabbit.conf");
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
    EXPECT_EQ(state().restoreContentsDelayTime(), 5);
}

TEST_F(PreferencesTest, SwitchingDebugLoggingOnLogsItAfterStoring) {
    auto& logger = DebugLogger::shared();
    ASSERT_TRUE(logger.logFileURL().has_value());
    logger.clearLog();
    state().setDebugLoggingEnabled(false);
    logger.flush();
    EXPECT_EQ(test::readFile(*logger.logFileURL()).find("Debug logging enabled"),
              std::string::npos);

    state().setDebugLoggingEnabled(true);
    logger.flush();
    const std::string log = test::readFile(*logger.logFileURL());
    EXPECT_NE(log.find("] [SYSTEM] Debug logging enabled\n"), std::string::npos) << log;
    state().setDebugLoggingEnabled(false);
}

}  // namespace
}  // namespace nabbit
