#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "platform/AccessibilityCheck.h"
#include "sources/CodeEntry.h"
#include "sources/notifications/NotificationManager.h"

namespace nabbit {

class AppDelegate;
class PermissionsService;

// The live state behind the settings window and the tray popover: the newest code entries, the
// two permissions (and, on a machine without a Messages database, whether any other source can
// be read), whether Mail has a data folder and how the desktop's notifications are read. Kept
// current by polling once a second from the moment a window that shows it is opened; every field
// announces every assignment.
class MainWindowState : public QObject {
    Q_OBJECT

  public:
    static constexpr int refreshIntervalMs = 1000;

    explicit MainWindowState(const PermissionsService& permissions, QObject* parent = nullptr);

    const CodeEntries& recentMessages() const { return recentMessages_; }
    bool hasFullDiskAccess() const { return hasFullDiskAccess_; }
    bool hasAccessibility() const { return hasAccessibility_; }
    // What the paste route's permission is: granted, waiting for consent, or not there.
    AccessibilityCheck::Status accessibilityStatus() const { return accessibilityStatus_; }
    bool emailEnvelopeIndexFound() const { return emailEnvelopeIndexFound_; }
    bool hasMessagesDatabase() const { return hasMessagesDatabase_; }
    // Full Disk Access with a Messages database; any readable source without one.
    bool hasMessageAccess() const { return hasMessageAccess_; }
    // Stopped while there is no notification source.
    NotificationManager::State notificationState() const { return notificationState_; }
    bool isRefreshing() const { return refreshTimer_.isActive(); }

    // Reads everything again and publishes each field.
    void refresh();
    // Follows `appDelegate` (held weakly): refreshes now, then every second on one timer.
    void startRefreshing(AppDelegate* appDelegate);
    void stopRefreshing();

  signals:
    void recentMessagesChanged();
    void hasFullDiskAccessChanged();
    void hasAccessibilityChanged();
    void emailEnvelopeIndexFoundChanged();
    void messageAccessChanged();
    void notificationStateChanged();

  private:
    const PermissionsService& permissions_;
    QPointer<AppDelegate> appDelegate_;
    QTimer refreshTimer_;
    CodeEntries recentMessages_;
    bool hasFullDiskAccess_ = false;
    bool hasAccessibility_ = false;
    AccessibilityCheck::Status accessibilityStatus_ = AccessibilityCheck::Status::unavailable;
    bool emailEnvelopeIndexFound_ = false;
    bool hasMessagesDatabase_ = false;
    bool hasMessageAccess_ = false;
    NotificationManager::State notificationState_ = NotificationManager::State::stopped;
};

}  // namespace nabbit
