#pragma once

#include "platform/GlobalShortcut.h"

namespace nabbit {

// Ctrl+Shift+E grabbed on the root window through Qt's own X connection (XGrabKey), once for
// every combination of NumLock and CapsLock, and read back through a native event filter.
// Needs a QGuiApplication on the xcb platform; elsewhere nothing can be registered.
class X11GlobalShortcut final : public GlobalShortcut {
  public:
    std::unique_ptr<Registration> registerHotKey() override;
    std::unique_ptr<Registration> installHandler(std::function<void()> onPressed) override;
    // On a Wayland desktop, XWayland sees only the keys typed into X11 windows.
    bool reachesEveryWindow() const override;
};

}  // namespace nabbit
