#include <gtest/gtest.h>

#include <cstdlib>

#include "app/PermissionsService.h"
#include "platform/fake/FakeFileReveal.h"
#include "platform/x11/X11AccessibilityCheck.h"

namespace nabbit {
namespace {

// Runs under Xvfb, which has the XTEST extension.
TEST(X11AccessibilityCheckTest, AnXvfbDisplayAllowsSyntheticKeyEvents) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr);
    X11AccessibilityCheck check;
    EXPECT_TRUE(check.syntheticKeyEventsAllowed());
    EXPECT_TRUE(check.syntheticKeyEventsAllowed());  // a fresh connection each time

    FakeFileReveal reveal;
    PermissionsService service(check, reveal);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(service.checkAccessibility());
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[Nabbit] Checking Accessibility: true\n");
}

}  // namespace
}  // namespace nabbit
