#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "FixtureDatabases.h"
#include "PermissionBits.h"
#include "TestHome.h"
#include "core/FullDiskAccess.h"
#include "core/Paths.h"

namespace nabbit {
namespace {

// Granted only when a byte of the database can be read. A check writes its two lines when its
// answer differs from the last one written, and nothing when it asks again.
TEST(FullDiskAccessTest, OnlyAReadableDatabaseIsGrantedAndEachChangeIsLoggedOnce) {
    const auto database = paths::messagesDatabase();
    struct Case {
        const char* name;
        std::function<void()> prepare;
        FullDiskAccess expected;
        bool exists;
        bool logged;  // the answer differs from the case before
    };
    const std::vector<Case> cases = {
        {"missing", [] {}, FullDiskAccess::missing, false, true},
        {"readable", [] { test::createChatDatabase(); }, FullDiskAccess::granted, true, true},
        {"not permitted",
         [&] {
             test::createChatDatabase();
             std::filesystem::permissions(database, std::filesystem::perms::none);
         },
         FullDiskAccess::denied, true, true},
        {"empty", [&] { test::writeFile(database, ""); }, FullDiskAccess::denied, true, false},
        {"readable again", [] { test::createChatDatabase(); }, FullDiskAccess::granted, true, true},
    };
    for (const auto& [name, prepare, expected, exists, logged] : cases) {
        SCOPED_TRACE(name);
        std::filesystem::remove_all(test::testHome() / "Library");
        prepare();
        test::ObeyPermissionBits asAUser;
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(checkFullDiskAccess(), expected);
        EXPECT_EQ(checkFullDiskAccess(), expected);
        const std::string lines =
            "[Nabbit] Checking FDA at: " + database.string() +
            "\n[Nabbit] File exists: " + (exists ? "true" : "false") +
            ", Can read: " + (expected == FullDiskAccess::granted ? "true" : "false") + "\n";
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), logged ? lines : "");
    }
}

}  // namespace
}  // namespace nabbit
