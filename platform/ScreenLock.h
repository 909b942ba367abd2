#pragma once

namespace nabbit {

// Whether the user's session is locked: a screen locker covers the desktop, and nothing Nabbit
// draws should show above it.
class ScreenLock {
  public:
    virtual ~ScreenLock() = default;

    // The state as the desktop last reported it; never waits for the desktop to answer.
    virtual bool isLocked() const = 0;
};

}  // namespace nabbit
