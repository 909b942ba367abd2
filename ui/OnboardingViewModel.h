#pragma once

#include <string>

#include <QObject>
#include <QTimer>

namespace nabbit {

class PermissionsService;

// The two pages of the setup, in order. The step lives in memory only: every setup window
// starts on the first page.
enum class OnboardingStep { iMessagePermissions, featureOverview };

// A refused permission can be asked for again.
enum class PermissionStatus { granted, needed, refused };

// The setup's state: which page is shown, and whether Nabbit can read the Messages database
// and post synthetic key events. While monitoring, both are checked every half second, so the
// page follows the user granting them elsewhere. Every assignment announces `changed`.
class OnboardingViewModel : public QObject {
    Q_OBJECT

  public:
    static constexpr int monitoringIntervalMs = 500;

    // Checks the permissions at once, so that the first page shows the real state.
    explicit OnboardingViewModel(const PermissionsService& permissions, QObject* parent = nullptr);

    OnboardingStep currentStep() const { return currentStep_; }
    void setCurrentStep(OnboardingStep step);
    bool hasAccessibility() const { return hasAccessibility_; }
    // The user or the desktop said no to the last request for key events.
    bool accessibilityRefused() const { return accessibilityRefused_; }
    bool hasFullDiskAccess() const { return hasFullDiskAccess_; }
    // Without a Messages database, setup asks for message access instead: any source the user
    // switched on that can be read.
    bool hasMessagesDatabase() const { return hasMessagesDatabase_; }
    bool hasMessageAccess() const { return hasMessageAccess_; }

    // Reads both permissions again and logs them when they changed.
    void checkPermissions();
    // Checks now, then every half second until stopped.
    void startMonitoring();
    void stopMonitoring();
    bool isMonitoring() const { return timer_.isActive(); }

    const PermissionsService& permissions() const { return permissions_; }

  signals:
    void changed();

  private:
    const PermissionsService& permissions_;
    OnboardingStep currentStep_ = OnboardingStep::iMessagePermissions;
    bool hasAccessibility_ = false;
    bool accessibilityRefused_ = false;
    bool hasFullDiskAccess_ = false;
    bool hasMessagesDatabase_ = true;
    bool hasMessageAccess_ = false;
    std::string loggedLine_;
    QTimer timer_;
};

}  // namespace nabbit
