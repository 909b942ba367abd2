#pragma once

#include <functional>
#include <memory>

#include "platform/Registration.h"

namespace nabbit {

// Sees the user paste with the keyboard anywhere on the desktop.
class PasteKeyMonitor {
  public:
    virtual ~PasteKeyMonitor() = default;

    // Calls `onPaste` on the calling thread for every Ctrl+V typed in any application, until
    // the returned registration goes. Empty when keys cannot be monitored here.
    virtual std::unique_ptr<Registration> watchPasteKeys(std::function<void()> onPaste) = 0;

    // Whether Ctrl+V is seen in every window; false where only some windows' keys reach
    // Nabbit (X11 windows on a Wayland desktop).
    virtual bool seesEveryWindow() const { return true; }
};

}  // namespace nabbit
