#include "platform/x11/X11AccessibilityCheck.h"

#include "platform/x11/XDisplay.h"

#include <X11/extensions/XTest.h>

namespace nabbit {

bool X11AccessibilityCheck::syntheticKeyEventsAllowed() const {
    const XDisplay display = openXDisplay();
    if (!display) {
        return false;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 0;
    int minor = 0;
    return XTestQueryExtension(display.get(), &eventBase, &errorBase, &major, &minor) != 0;
}

}  // namespace nabbit
