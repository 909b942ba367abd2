#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include "sources/CodeEntry.h"

namespace nabbit {

class AppDelegate;
class PermissionsService;

// The live state behind the settings window and the tray popover: the newest code entries, the
// two permissions, and whether Mail has a data folder. Kept current by polling once a second
// from the moment a window that shows it is opened; every field announces every assignment.
class MainWindowState : public QObject {
    Q_OBJECT

  public:
    static constexpr int refreshIntervalMs = 1000;

    explicit MainWindowState(const PermissionsService& permissions, QObject* parent = nullptr);

    const CodeEntries& recentMessages() const { return recentMessages_; }
    bool hasFullDiskAccess() const { return hasFullDiskAccess_; }
    bool hasAccessibility() const { return hasAccessibility_; }
    bool emailEnvelopeIndexFound() const { return emailEnvelopeIndexFound_; }
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

  private:
    const PermissionsService& permissions_;
    QPointer<AppDelegate> appDelegate_;
    QTimer refreshTimer_;
    CodeEntries recentMessages_;
    bool hasFullDiskAccess_ = false;
    bool hasAccessibility_ = false;
    bool emailEnvelopeIndexFound_ = false;
};

}  // namespace nabbit
