#include "platform/x11/X11KeySynthesis.h"

#include "platform/x11/XDisplay.h"

#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace nabbit {

bool X11KeySynthesis::sendPaste() {
    const XDisplay display = openXDisplay();
    if (!display || !hasXTest(display.get())) {
        return false;
    }
    // The key codes of the keymap in use now: they differ between keyboards and layouts.
    const KeyCode control = XKeysymToKeycode(display.get(), XK_Control_L);
    const KeyCode v = XKeysymToKeycode(display.get(), XK_v);
    if (control == 0 || v == 0) {
        return false;
    }
    XTestFakeKeyEvent(display.get(), control, True, CurrentTime);
    XTestFakeKeyEvent(display.get(), v, True, CurrentTime);
    XTestFakeKeyEvent(display.get(), v, False, CurrentTime);
    XTestFakeKeyEvent(display.get(), control, False, CurrentTime);
    XSync(display.get(), False);  // flushed, and handled by the server before we hang up
    return true;
}

}  // namespace nabbit
