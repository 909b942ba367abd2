#include "app/PermissionsService.h"

#include <filesystem>
#include <string>

#include "core/Paths.h"
#include "core/SystemLog.h"

namespace nabbit {

PermissionsService::PermissionsService(AccessibilityCheck& accessibility, FileReveal& fileReveal)
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

AccessibilityCheck::Status PermissionsService::accessibilityStatus() const {
    return accessibility_.status();
}

void PermissionsService::requestAccessibility() const {
    if (const auto status = accessibility_.status();
        status == AccessibilityCheck::Status::needsConsent ||
        status == AccessibilityCheck::Status::refused) {
        accessibility_.requestPermission();
    }
}

void PermissionsService::openFullDiskAccessSettings() const {
    const std::filesystem::path folder = paths::messagesDirectory();
    std::error_code ec;
    if (std::filesystem::is_directory(folder, ec)) {
        fileReveal_.openFolder(folder);
    }
}

}  // namespace nabbit
