#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>

#include <QObject>
#include <QTimer>

#include "platform/NotificationMonitor.h"

class QSocketNotifier;
struct DBusConnection;
struct DBusMessage;

namespace nabbit {

// Watches notifications on a D-Bus connection of its own that becomes a monitor
// (org.freedesktop.DBus.Monitoring.BecomeMonitor) for the three ways programs send them:
// org.freedesktop.Notifications.Notify, org.gtk.Notifications.AddNotification and
// org.freedesktop.portal.Notification.AddNotification, and for the notification service's
// answers, which tell the id a replaceable notification got. A monitor can only receive: the
// bus delivers every call as before, whatever happens here. The connection is read on the Qt
// event loop through its socket; calls sent by this process's own session connection (its own
// notifications) are skipped.
//
// When the connection drops, the monitor reports the loss and connects again by itself, after
// 1 s and then waiting twice as long after each failure (at most a minute), and reports when it
// watches again.
//
// A portal notification carries no application id; the sender's process tells it (a Flatpak's
// application name, else the program's name), asked of the bus on the process's own session
// connection without waiting.
class DBusNotificationMonitor final : public QObject, public NotificationMonitor {
    Q_OBJECT

  public:
    // The session bus; or the bus at `address` (tests).
    explicit DBusNotificationMonitor(std::string address = {}, QObject* parent = nullptr);
    ~DBusNotificationMonitor() override;

    std::optional<std::string> start(Observer observer) override;
    void stop() override;

    // The handler of every message the connection receives; public for the C callback only.
    void receive(DBusMessage* message);

  private:
    struct ConnectionDeleter {
        void operator()(DBusConnection* connection) const;
    };
    using Connection = std::unique_ptr<DBusConnection, ConnectionDeleter>;

    static constexpr std::chrono::milliseconds kFirstReconnectDelay{1000};
    static constexpr std::chrono::milliseconds kLastReconnectDelay{60'000};

    Connection connect(std::string& error) const;
    // Connects and becomes a monitor; nothing when that works, else why not.
    std::optional<std::string> open();
    // Ends the connection, keeping the observer.
    void close();
    void readIncoming();
    void disconnected();
    void reconnect();
    void onNotify(DBusMessage* message, const std::string& sender);
    void onGtkNotification(DBusMessage* message);
    void onPortalNotification(DBusMessage* message, const std::string& sender);
    void onReply(DBusMessage* message);
    void notifyWithApplicationOf(const std::string& sender, ObservedNotification notification);
    void rememberCall(const std::string& call);
    void deliver(const ObservedNotification& notification) const;

    std::string address_;
    std::string ownSender_;  // this process's session connection: its notifications are ours
    Connection connection_;
    std::unique_ptr<QSocketNotifier> notifier_;
    Observer observer_;
    bool lostPending_ = false;
    // Notify calls awaiting the service's answer, oldest first (bounded).
    std::deque<std::string> pendingCalls_;
    // Application ids of portal senders (unique names are never reused on a bus; bounded).
    std::map<std::string, std::string> portalApplications_;
    // Answers from before a stop() find a newer generation and are dropped.
    std::uint64_t generation_ = 0;
    QTimer reconnectTimer_;
    std::chrono::milliseconds reconnectDelay_ = kFirstReconnectDelay;
};

}  // namespace nabbit
