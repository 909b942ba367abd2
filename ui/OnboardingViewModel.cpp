#include "ui/OnboardingViewModel.h"

#include <string>

#include "app/PermissionsService.h"
#include "core/SystemLog.h"

namespace nabbit {

OnboardingViewModel::OnboardingViewModel(const PermissionsService& permissions, QObject* parent)
    : QObject(parent), permissions_(permissions) {
    timer_.setInterval(monitoringIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &OnboardingViewModel::checkPermissions);
    checkPermissions();
}

void OnboardingViewModel::setCurrentStep(OnboardingStep step) {
    currentStep_ = step;
    emit changed();
}

void OnboardingViewModel::checkPermissions() {
    hasAccessibility_ = permissions_.checkAccessibility();
    accessibilityRefused_ =
        permissions_.accessibilityStatus() == AccessibilityCheck::Status::refused;
    emit changed();
    const MessageAccess access = permissions_.checkMessageAccess();
    hasFullDiskAccess_ = access.messagesDatabase && access.granted;
    hasMessagesDatabase_ = access.messagesDatabase;
    hasMessageAccess_ = access.granted;
    emit changed();
    std::string line = std::string("[Nabbit] Permissions checked - Access: ") +
                       (hasAccessibility_ ? "true" : "false") +
                       ", FDA: " + (hasFullDiskAccess_ ? "true" : "false") +
                       (access.messagesDatabase ? std::string()
                                                : std::string(", Message access: ") +
                                                      (access.granted ? "true" : "false"));
    // Checked twice a second while the setup is open: logged only when something changed.
    if (line != loggedLine_) {
        systemLog(line);
        loggedLine_ = std::move(line);
    }
}

void OnboardingViewModel::startMonitoring() {
    checkPermissions();
    timer_.start();
}

void OnboardingViewModel::stopMonitoring() {
    timer_.stop();
}

}  // namespace nabbit
