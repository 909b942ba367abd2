#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/x11/X11AccessibilityCheck.h"

namespace nabbit {
namespace {

// Without an X display there is nowhere to post key events.
TEST(X11AccessibilityCheckTest, NoDisplayMeansNotAllowed) {
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved != nullptr ? saved : "";
    X11AccessibilityCheck check;

    ::unsetenv("DISPLAY");
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
