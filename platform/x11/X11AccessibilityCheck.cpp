#include "platform/x11/X11AccessibilityCheck.h"

#include "platform/x11/XDisplay.h"

namespace nabbit {

bool X11AccessibilityCheck::syntheticKeyEventsAllowed() const {
    const XDisplay display = openXDisplay();
    return display && hasXTest(display.get());
}

}  // namespace nabbit
