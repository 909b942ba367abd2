#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FixtureDatabases.h"
#include "TestHome.h"
#include "core/FullDiskAccess.h"
#include "core/Paths.h"

namespace nabbit {
namespace {

class FullDiskAccessTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::remove_all(test::testHome() / "Library"); }

    // Runs the check and returns it with the system-log lines it wrote.
    static std::pair<FullDiskAccess, std::string> check() {
        ::testing::internal::CaptureStderr();
        const FullDiskAccess result = checkFullDiskAccess();
        return {result, ::testing::internal::GetCapturedStderr()};
    }

    static std::string expectedLog(bool exists, bool readable) {
        return "[Nabbit] Checking FDA at: " + paths::messagesDatabase().string() +
               "\n[Nabbit] File exists: " + (exists ? "true" : "false") +
               ", Can read: " + (readable ? "true" : "false") + "\n";
    }
};

TEST_F(FullDiskAccessTest, NoMessagesDatabaseIsMissing) {
    const auto [result, log] = check();
    EXPECT_EQ(result, FullDiskAccess::missing);
    EXPECT_EQ(log, expectedLog(false, false));
}

TEST_F(FullDiskAccessTest, AReadableDatabaseIsGranted) {
    const auto database = test::createChatDatabase();
    ASSERT_EQ(database, paths::messagesDatabase());
    const auto [result, log] = check();
    EXPECT_EQ(result, FullDiskAccess::granted);
    EXPECT_EQ(log, expectedLog(true, true));
}

// Tests run as root, where permission bits do not stop a read; what is there but yields no byte
// stands for a database the user has not let us read.
TEST_F(FullDiskAccessTest, ADatabaseThatYieldsNoByteIsDenied) {
    std::filesystem::create_directories(paths::messagesDatabase());  // read fails: EISDIR
    auto [result, log] = check();
    EXPECT_EQ(result, FullDiskAccess::denied);
    EXPECT_EQ(log, expectedLog(true, false));

    std::filesystem::remove(paths::messagesDatabase());
    ASSERT_TRUE(test::writeFile(paths::messagesDatabase(), ""));  // read returns end of file
    std::tie(result, log) = check();
    EXPECT_EQ(result, FullDiskAccess::denied);
    EXPECT_EQ(log, expectedLog(true, false));
}

}  // namespace
}  // namespace nabbit
