#include "platform/x11/XDisplay.h"

#include <cstdlib>

#include <X11/extensions/XTest.h>

namespace nabbit {

XDisplay openXDisplay() {
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || name[0] == '\0') {
        return {};
    }
    return XDisplay(XOpenDisplay(name));
}

bool hasXTest(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) != 0;
}

}  // namespace nabbit
