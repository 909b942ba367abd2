#pragma once

#include <functional>
#include <optional>

#include "core/FullDiskAccess.h"
#include "platform/AccessibilityCheck.h"
#include "platform/FileReveal.h"

namespace nabbit {

// Whether Nabbit can read messages at all.
struct MessageAccess {
    bool granted = false;
    // There is a Messages database, and reading it is what access means (Full Disk Access).
    // Without one, any other source the user switched on that can be read gives access.
    bool messagesDatabase = false;
};

// The two grants Nabbit depends on: read access to the Messages database, and being allowed
// to post synthetic key events (auto-paste). Nothing is cached; each check asks again, and
// writes its lines to the system log when the answer changed.
class PermissionsService {
  public:
    PermissionsService(AccessibilityCheck& accessibility, FileReveal& fileReveal);

    FullDiskAccess checkFullDiskAccess() const;

    // Full Disk Access where there is a Messages database; on a machine without one, whether
    // any other source can be read, as `setOtherSourcesReadable` tells (none: no access).
    MessageAccess checkMessageAccess() const;
    void setOtherSourcesReadable(std::function<bool()> check) {
        otherSourcesReadable_ = std::move(check);
    }

    // Never prompts. Logs "[Nabbit] Checking Accessibility: true/false" when the answer differs
    // from the one logged before.
    bool checkAccessibility() const;
    // Granted, waiting for the user's consent, refused by them, or not available on this
    // desktop. Never prompts.
    AccessibilityCheck::Status accessibilityStatus() const;

    // Where the desktop asks the user (the portal's consent dialog), asks now, again after a
    // refusal; elsewhere there
    // is no page to send the user to, and nothing happens.
    void requestAccessibility() const;

    // Opens the folder that holds the Messages database, when it exists, so the user can see
    // what Nabbit needs to read; nothing otherwise.
    void openFullDiskAccessSettings() const;

  private:
    AccessibilityCheck& accessibility_;
    FileReveal& fileReveal_;
    std::function<bool()> otherSourcesReadable_;
    mutable std::optional<bool> loggedAccessibility_;
};

}  // namespace nabbit
