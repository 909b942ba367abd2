#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "FixtureDatabases.h"
#include "TestHome.h"
#include "app/PermissionsService.h"
#include "platform/fake/FakeAccessibilityCheck.h"
#include "platform/fake/FakeFileReveal.h"
#include "platform/x11/X11AccessibilityCheck.h"

namespace nabbit {
namespace {

class PermissionsServiceTest : public ::testing::Test {
  protected:
    void SetUp() override { std::filesystem::remove_all(test::testHome() / "Library"); }

    FakeAccessibilityCheck accessibility_;
    FakeFileReveal reveal_;
    PermissionsService service_{accessibility_, reveal_};
};

// Each check asks the system afresh and logs the answer; a request opens nothing and logs
// nothing, as there are no settings to open.
TEST_F(PermissionsServiceTest, AccessibilityIsAskedAfreshAndRequestingItOpensNothing) {
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(service_.checkAccessibility());
    accessibility_.setAllowed(true);
    EXPECT_TRUE(service_.checkAccessibility());
    EXPECT_EQ(accessibility_.questions(), 2);
    accessibility_.setAllowed(false);
    service_.requestAccessibility();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "[Nabbit] Checking Accessibility: false\n[Nabbit] Checking Accessibility: true\n");
    EXPECT_TRUE(reveal_.requests().empty());
}

TEST_F(PermissionsServiceTest, DiskAccessSettingsOpenTheMessagesFolderWhenThereIsOne) {
    EXPECT_EQ(service_.checkFullDiskAccess(), FullDiskAccess::missing);
    service_.openFullDiskAccessSettings();
    EXPECT_TRUE(reveal_.requests().empty());

    const auto database = test::createChatDatabase();
    service_.openFullDiskAccessSettings();
    ASSERT_EQ(reveal_.requests().size(), 1u);
    EXPECT_EQ(reveal_.requests()[0].action, FakeFileReveal::Action::openFolder);
    EXPECT_EQ(reveal_.requests()[0].path, database.parent_path());
}

// Without an X display there is nowhere to post key events.
TEST(X11AccessibilityCheckTest, NoDisplayMeansNotAllowed) {
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved != nullptr ? saved : "";
    X11AccessibilityCheck check;

    ::unsetenv("DISPLAY");
    EXPECT_FALSE(check.syntheticKeyEventsAllowed());
    ::setenv("DISPLAY", "", 1);
    EXPECT_FALSE(check.syntheticKeyEventsAllowed());
    ::setenv("DISPLAY", ":4711", 1);  // no server there
    EXPECT_FALSE(check.syntheticKeyEventsAllowed());

    if (saved != nullptr) {
        ::setenv("DISPLAY", display.c_str(), 1);
    } else {
        ::unsetenv("DISPLAY");
    }
}

}  // namespace
}  // namespace nabbit
