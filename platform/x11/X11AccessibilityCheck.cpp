#include "platform/x11/X11AccessibilityCheck.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdlib>
#include <memory>

namespace nabbit {

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

}  // namespace

bool X11AccessibilityCheck::syntheticKeyEventsAllowed() const {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        return false;
    }
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(name));
    if (display == nullptr) {
        return false;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XTestQueryExtension(display.get(), &eventBase, &errorBase, &major, &minor) != 0;
}

}  // namespace nabbit
