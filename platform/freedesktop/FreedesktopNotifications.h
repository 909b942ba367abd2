#pragma once

#include <QObject>

#include "platform/DesktopNotifications.h"

namespace nabbit {

// org.freedesktop.Notifications.Notify on the session bus, as application "Nabbit", asking
// for the "message-new-instant" sound, transient and of low urgency. The call is asynchronous: a
// missing or hung notification service never holds up the caller.
class FreedesktopNotifications final : public QObject, public DesktopNotifications {
    Q_OBJECT

  public:
    explicit FreedesktopNotifications(QObject* parent = nullptr);

    void send(const std::string& summary, const std::string& body, Completion done) override;
};

}  // namespace nabbit
