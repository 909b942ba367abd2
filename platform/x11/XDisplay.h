#pragma once

#include <memory>

// Xlib defines macros (None, Bool, Status...) that clash with names elsewhere: include this
// header after everything else, and only where the X connection is used.
#include <X11/Xlib.h>

namespace nabbit {

struct XDisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// An X connection of our own, closed when it goes.
using XDisplay = std::unique_ptr<Display, XDisplayCloser>;

// Connects to the display named by $DISPLAY; empty when there is none or it refuses.
XDisplay openXDisplay();

// Whether the server offers XTest, through which key events are synthesised.
bool hasXTest(Display* display);

}  // namespace nabbit
