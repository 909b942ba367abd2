#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "FixtureDatabases.h"
#include "PermissionBits.h"
#include "TestHome.h"
#include "core/FullDiskAccess.h"
#include "core/Paths.h"
#include "core/SystemLog.h"

namespace nabbit {
namespace {

// Granted only when a byte of the database can be read; each check writes its two lines.
TEST(FullDiskAccessTest, OnlyAReadableDatabaseIsGranted) {
    const auto database = paths::messagesDatabase();
    struct Case {
        const char* name;
        std::function<void()> prepare;
        FullDiskAccess expected;
        bool exists;
    };
    const std::vector<Case> cases = {
        {"missing", [] {}, FullDiskAccess::missing, false},
        {"readable", [] { test::createChatDatabase(); }, FullDiskAccess::granted, true},
        {"not permitted",
         [&] {
             test::createChatDatabase();
             std::filesystem::permissions(database, std::filesystem::perms::none);
         },
         FullDiskAccess::denied, true},
        {"a folder", [&] { std::filesystem::create_directories(database); }, FullDiskAccess::denied,
         true},
        {"empty", [&] { test::writeFile(database, ""); }, FullDiskAccess::denied, true},
    };
    for (const auto& [name, prepare, expected, exists] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(test::testHome() / "Library");
        prepare();
        test::ObeyPermissionBits asAUser;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(checkFullDiskAccess(), expected);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(),
                  "[Nabbit] Checking FDA at: " + database.string() +
                      "\n[Nabbit] File exists: " + (exists ? "true" : "false") + ", Can read: " +
                      (expected == FullDiskAccess::granted ? "true" : "false") + "\n");
    }
    // They are debug lines, which the command line keeps off standard error.
    setSystemLogEchoesDebugLines(false);
    ::testing::internal::CaptureStderr();
    (void)checkFullDiskAccess();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    setSystemLogEchoesDebugLines(true);
}

}  // namespace
}  // namespace nabbit
