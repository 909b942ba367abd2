#pragma once

namespace nabbit {

// Whether this session lets Nabbit post synthetic key events (auto-paste), through the paste
// route the program chose. Asking never shows a prompt.
class AccessibilityCheck {
  public:
    // What the permission row and the status card say.
    enum class Status {
        granted,       // a paste can land
        needsConsent,  // the desktop asks the user first: requestPermission() shows its dialog
        refused,       // the user or the desktop said no: requestPermission() asks again
        unavailable,   // this desktop offers Nabbit no way to type keys
    };

    virtual ~AccessibilityCheck() = default;
    virtual bool syntheticKeyEventsAllowed() const = 0;

    // Routes that need the user's consent say so; the others are granted or not there.
    virtual Status status() const {
        return syntheticKeyEventsAllowed() ? Status::granted : Status::unavailable;
    }

    // Asks for the permission where the desktop asks the user (a dialog of its own), and only
    // then. For the user's own action, never for an arriving code.
    virtual void requestPermission() {}
};

}  // namespace nabbit
