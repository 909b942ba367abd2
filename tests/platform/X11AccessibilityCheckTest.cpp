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

// Each check asks the system afresh and logs the answer when it changed; a request opens
// nothing and logs nothing, as there are no settings to open.
TEST_F(PermissionsServiceTest, AccessibilityIsAskedAfreshLoggedOnChangeAndRequestingOpensNothing) {
    struct Step {
        bool allowed;
        std::string logged;
    };
    const Step steps[] = {
        {false, "[Nabbit] Checking Accessibility: false\n"},
        {false, ""},
        {true, "[Nabbit] Checking Accessibility: true\n"},
        {true, ""},
        {true, ""},
        {false, "[Nabbit] Checking Accessibility: false\n"},
    };
    int questions = 0;
    for (const auto& step : steps) {
        SCOPED_TRACE(questions);
        accessibility_.setAllowed(step.allowed);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(service_.checkAccessibility(), step.allowed);
        EXPECT_EQ(::testing::internal::GetCapturedStderr(), step.logged);
        EXPECT_EQ(accessibility_.questions(), ++questions);
    }
    ::testing::internal::CaptureStderr();
    service_.requestAccessibility();
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
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
