#include "app/PermissionsService.h"

#include <filesystem>
#include <string>

#include "core/Paths.h"
#include "core/SystemLog.h"

namespace nabbit {

PermissionsService::PermissionsService(const AccessibilityCheck& accessibility,
                                       FileReveal& fileReveal)
    : accessibility_(accessibility), fileReveal_(fileReveal) {}

FullDiskAccess PermissionsService::checkFullDiskAccess() const {
    return nabbit::checkFullDiskAccess();
}

MessageAccess PermissionsService::checkMessageAccess() const {
    const FullDiskAccess fullDiskAccess = checkFullDiskAccess();
    if (fullDiskAccess != FullDiskAccess::missing) {
        return {fullDiskAccess == FullDiskAccess::granted, true};
    }
    return {otherSourcesReadable_ && otherSourcesReadable_(), false};
}

bool PermissionsService::checkAccessibility() const {
    const bool allowed = accessibility_.syntheticKeyEventsAllowed();
    // Windows ask every second: the log says only what changed.
    if (loggedAccessibility_ != allowed) {
        loggedAccessibility_ = allowed;
        systemLog(std::string("[Nabbit] Checking Accessibility: ") + (allowed ? "true" : "false"),
                  SystemLogPriority::debug);
    }
    return allowed;
}

void PermissionsService::requestAccessibility() const {
    if (accessibility_.syntheticKeyEventsAllowed()) {
        return;
    }
    // Without XTEST no setting can help; the onboarding explains what is needed.
}

void PermissionsService::openFullDiskAccessSettings() const {
    const std::filesystem::path folder = paths::messagesDirectory();
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) {
        fileReveal_.openFolder(folder);
    }
}

}  // namespace nabbit
