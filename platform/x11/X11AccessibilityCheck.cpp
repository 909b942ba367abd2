#include "platform/x11/X11AccessibilityCheck.h"

#include "platform/x11/XDisplay.h"

namespace nabbit {

bool X11AccessibilityCheck::syntheticKeyEventsAllowed() const {
    if (!offered_) {
        const XDisplay display = openXDisplay();
        offered_ = display && hasXTest(display.get());
    }
    return offered_;
}

}  // namespace nabbit
