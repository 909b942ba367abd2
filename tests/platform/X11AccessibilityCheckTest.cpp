#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "app/PermissionsService.h"
#include "platform/fake/FakeFileReveal.h"
#include "platform/x11/X11AccessibilityCheck.h"

// Last: Xlib defines macros (None, Bool) that clash with names in the headers above.
#include <X11/Xlib.h>

namespace nabbit {
namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// Runs under Xvfb, which has the XTEST extension.
TEST(X11AccessibilityCheckTest, AnXvfbDisplayAllowsSyntheticKeyEvents) {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr);
    // An X server resets itself whenever its last client leaves, refusing connections for a
    // moment. A desktop always has clients; this one stands for them, so that each check's
    // own short connection is never the last.
    std::unique_ptr<Display, DisplayCloser> session(XOpenDisplay(nullptr));
    ASSERT_NE(session, nullptr);
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
