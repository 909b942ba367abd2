#pragma once

#include <functional>
#include <memory>

#include "platform/Registration.h"

namespace nabbit {

// The system-wide resync shortcut, Ctrl+Shift+E. Holding the key combination and reacting to
// it are separate registrations, so that either can be dropped on its own.
class GlobalShortcut {
  public:
    virtual ~GlobalShortcut() = default;

    // Takes the key combination for Nabbit, whatever the state of NumLock and CapsLock. Empty
    // when it cannot be taken (another program holds it); the reason is logged.
    virtual std::unique_ptr<Registration> registerHotKey() = 0;

    // Calls `onPressed` on the calling thread for every press of the held combination, until
    // the returned registration goes.
    virtual std::unique_ptr<Registration> installHandler(std::function<void()> onPressed) = 0;

    // Whether a press counts in every window of the desktop; false where only some windows'
    // keys reach Nabbit (X11 windows on a Wayland desktop).
    virtual bool reachesEveryWindow() const { return true; }
};

}  // namespace nabbit
