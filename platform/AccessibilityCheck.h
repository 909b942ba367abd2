#pragma once

namespace nabbit {

// Whether this session lets Nabbit post synthetic key events (auto-paste). Asking never shows
// a prompt.
class AccessibilityCheck {
  public:
    virtual ~AccessibilityCheck() = default;
    virtual bool syntheticKeyEventsAllowed() const = 0;
};

}  // namespace nabbit
