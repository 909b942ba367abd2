#pragma once

#include <string>
#include <vector>

namespace nabbit {

// Typed access to every preference, each read applying the key's fallback at the moment of
// use. Holds no state: every call reads or writes the preferences file.
class AppStateManager {
  public:
    static AppStateManager& shared();

    bool hasSetup() const;
    void setHasSetup(bool value) const;
    void removeCurrentOnboardingStep() const;

    bool useNativeNotifications() const;
    void setUseNativeNotifications(bool value) const;

    // Absent reads as true.
    bool showNotificationOverlay() const;
    void setShowNotificationOverlay(bool value) const;

    // The overlay corner, 0 to 3; anything else stored (or a non-integer) reads as 0.
    int notificationPosition() const;
    void setNotificationPosition(int value) const;

    bool globalShortcutEnabled() const;
    void setGlobalShortcutEnabled(bool value) const;

    bool autoPasteEnabled() const;
    void setAutoPasteEnabled(bool value) const;

    bool markAsReadEnabled() const;
    void setMarkAsReadEnabled(bool value) const;

    bool emailDetectionEnabled() const;
    void setEmailDetectionEnabled(bool value) const;

    // Absent reads as true.
    bool notificationDetectionEnabled() const;
    void setNotificationDetectionEnabled(bool value) const;

    // Applications whose notifications are never read (names or application ids, as the
    // user wrote them); absent reads as none.
    std::vector<std::string> ignoredNotificationApps() const;
    void setIgnoredNotificationApps(const std::vector<std::string>& value) const;

    // Seconds before the previous clipboard text is written back; absent reads as 5.
    int restoreContentsDelayTime() const;
    void setRestoreContentsDelayTime(int value) const;

    bool shouldAutoLaunch() const;
    void setShouldAutoLaunch(bool value) const;

    // Switching it on also logs "Debug logging enabled" (SYSTEM), after the value is stored.
    bool debugLoggingEnabled() const;
    void setDebugLoggingEnabled(bool value) const;

    // Absent reads as true.
    bool menuBarIconVisible() const;
    void setMenuBarIconVisible(bool value) const;
};

}  // namespace nabbit
