#pragma once

#include "platform/PasteKeyMonitor.h"

namespace nabbit {

// Watches raw key presses on the root window (XInput 2) through a connection of its own, so
// that Ctrl+V is seen whichever application has the focus. Events are read on the calling
// thread's event loop.
class X11PasteKeyMonitor final : public PasteKeyMonitor {
  public:
    std::unique_ptr<Registration> watchPasteKeys(std::function<void()> onPaste) override;
    // On a Wayland desktop, XWayland sees only the keys typed into X11 windows.
    bool seesEveryWindow() const override;
};

}  // namespace nabbit
