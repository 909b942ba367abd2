#pragma once

#include "core/FullDiskAccess.h"
#include "platform/AccessibilityCheck.h"
#include "platform/FileReveal.h"

namespace nabbit {

// The two grants Nabbit depends on: read access to the Messages database, and being allowed
// to post synthetic key events (auto-paste). Nothing is cached; each check asks again and
// writes its lines to the system log.
class PermissionsService {
  public:
    PermissionsService(const AccessibilityCheck& accessibility, FileReveal& fileReveal);

    FullDiskAccess checkFullDiskAccess() const;

    // Never prompts. Logs "[Nabbit] Checking Accessibility: true/false".
    bool checkAccessibility() const;

    // There is no page to send the user to here: asking again is all that can be done, and
    // nothing is logged.
    void requestAccessibility() const;

    // Opens the folder that holds the Messages database, when it exists, so the user can see
    // what Nabbit needs to read; nothing otherwise.
    void openFullDiskAccessSettings() const;

  private:
    const AccessibilityCheck& accessibility_;
    FileReveal& fileReveal_;
};

}  // namespace nabbit
