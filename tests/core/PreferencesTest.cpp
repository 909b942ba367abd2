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
#include "core/Paths.h"
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

// The typed reads accept what the writers produce and fall back on anything else; a position
// outside the four corners reads as the top left.
TEST_F(PreferencesTest, TypedReadsFallBackOnAnythingElse) {
    using Read = int (*)();
    const Read delay = [] { return state().restoreContentsDelayTime(); };
    const Read position = [] { return state().notificationPosition(); };
    const Read setup = [] { return int(state().hasSetup()); };
    const Read icon = [] { return int(state().menuBarIconVisible()); };
    struct Case {
        std::string line;
        Read read;
        int expected;
    };
    const std::vector<Case> cases = {
        {"hasSetup=1", setup, 1},
        {"menuBarIconVisible=yes please", icon, 1},
        {"restoreContentsDelayTime=+10", delay, 10},
        {"notificationPosition=3", position, 3},
        {"notificationPosition=4", position, 0},
        {"notificationPosition=4294967298", position, 0},
    };
    for (const auto& [line, read, expected] : cases) {
        writePreferences("com.nabbit.app." + line + "\n");
        EXPECT_EQ(read(), expected) << line;
    }
    for (const std::string bad : {"ten", "2.5", "99999999999", "1, 2"}) {
        writePreferences("com.nabbit.app.restoreContentsDelayTime=" + bad + "\n");
        EXPECT_EQ(state().restoreContentsDelayTime(), 5) << bad;
    }
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
    // Our next write builds on the other writer's file, not on our own earlier one.
    std::filesystem::remove(preferences());
    state().setAutoPasteEnabled(true);
    struct stat ours {};
    ASSERT_EQ(::stat(preferences().c_str(), &ours), 0);
    writePreferences("com.nabbit.app.shouldAutoLaunch=true\n");
    const timespec same[2] = {{0, UTIME_OMIT}, ours.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, preferences().c_str(), same, 0), 0);
    state().setHasSetup(true);
    EXPECT_TRUE(state().shouldAutoLaunch());
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

// A file that was read and is not a settings file is kept aside, never overwritten; reads fall
// back meanwhile and the next write starts a fresh file.
TEST_F(PreferencesTest, ACorruptFileIsKeptAside) {
    for (const std::string& contents : {
             std::string("[General]\ncom.nabbit.app.notificationPosition=\xff\xfe\n"),
             std::string("[General]\ncom.nabbit.app.hasSetup=true\n\0\n", 41),
             std::string("just some words and no keys\n"),
         }) {
        SCOPED_TRACE(contents);
        std::filesystem::remove_all(preferences().parent_path());
        ASSERT_TRUE(test::writeFile(preferences(), contents));
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(state().notificationPosition(), 0);
        EXPECT_FALSE(state().hasSetup());
        EXPECT_NE(::testing::internal::GetCapturedStderr().find(
                      "[Nabbit] Preferences file could not be read; kept it as "),
                  std::string::npos);
        const auto aside = keptAside();
        ASSERT_EQ(aside.size(), 1u);
        state().setRestoreContentsDelayTime(10);
        EXPECT_EQ(test::readFile(preferences()),
                  "[General]\ncom.nabbit.app.restoreContentsDelayTime=10\n");
        EXPECT_EQ(test::readFile(aside.front()), contents);
    }
}

TEST_F(PreferencesTest, TheFileFollowsXdgConfigHome) {
    EXPECT_EQ(state().restoreContentsDelayTime(), 5);
    EXPECT_FALSE(std::filesystem::exists(preferences()));  // reading creates nothing
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

}  // namespace
}  // namespace nabbit
