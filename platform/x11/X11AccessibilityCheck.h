#pragma once

#include "platform/AccessibilityCheck.h"

namespace nabbit {

// Synthetic key events can be posted when the X display named by $DISPLAY has the XTEST
// extension. Connects afresh on every question; no display answers false.
class X11AccessibilityCheck final : public AccessibilityCheck {
  public:
    bool syntheticKeyEventsAllowed() const override;
};

}  // namespace nabbit
