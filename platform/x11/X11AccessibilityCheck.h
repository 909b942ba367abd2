#pragma once

#include <atomic>

#include "platform/AccessibilityCheck.h"

namespace nabbit {

// Synthetic key events can be posted when the X display named by $DISPLAY has the XTEST
// extension; no display answers false. Windows ask every second while they show, so a yes is
// kept: a server does not drop an extension while it runs.
class X11AccessibilityCheck final : public AccessibilityCheck {
  public:
    bool syntheticKeyEventsAllowed() const override;

  private:
    mutable std::atomic<bool> offered_{false};
};

}  // namespace nabbit
