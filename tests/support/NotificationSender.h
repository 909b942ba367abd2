#pragma once

#include <string>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QTest>
#include <QVariantMap>

namespace nabbit::test {

// Sends notifications as another program does, on a connection of its own: to the session bus,
// or to the bus at `busAddress`. Calls never start a service of the machine.
class NotificationSender {
  public:
    explicit NotificationSender(const QString& name, const std::string& busAddress = {})
        : bus_(busAddress.empty()
                   ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
                   : QDBusConnection::connectToBus(QString::fromStdString(busAddress), name)) {}
    ~NotificationSender() { QDBusConnection::disconnectFromBus(bus_.name()); }
    NotificationSender(const NotificationSender&) = delete;
    NotificationSender& operator=(const NotificationSender&) = delete;

    bool connected() const { return bus_.isConnected(); }

    // The id the service gave the notification, 0 without one. The service may live in this
    // thread: the event loop runs meanwhile.
    uint notify(const QString& application, const QString& summary, const QString& body,
                uint replacesId = 0) {
        const QDBusPendingCall pending =
            bus_.asyncCall(call("org.freedesktop.Notifications", "/org/freedesktop/Notifications",
                                "org.freedesktop.Notifications", "Notify")
                           << application << replacesId << QString() << summary << body
                           << QStringList() << QVariantMap() << -1);
        (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 5000);
        const QDBusPendingReply<uint> reply = pending;
        return reply.isValid() ? reply.value() : 0;
    }
    void gtk(const QString& applicationId, const QString& id, const QString& title,
             const QString& body) {
        bus_.send(call("org.gtk.Notifications", "/org/gtk/Notifications", "org.gtk.Notifications",
                       "AddNotification")
                  << applicationId << id << content(title, body));
    }
    // To the portal's name, which nobody owns here: the bus still shows the call to monitors.
    void portal(const QString& id, const QString& title, const QString& body) {
        bus_.send(call("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                       "org.freedesktop.portal.Notification", "AddNotification")
                  << id << content(title, body));
    }

  private:
    static QDBusMessage call(const char* service, const char* path, const char* interface,
                             const char* method) {
        QDBusMessage message =
            QDBusMessage::createMethodCall(QLatin1String(service), QLatin1String(path),
                                           QLatin1String(interface), QLatin1String(method));
        message.setAutoStartService(false);
        return message;
    }
    static QVariantMap content(const QString& title, const QString& body) {
        return {{QStringLiteral("title"), title}, {QStringLiteral("body"), body}};
    }

    QDBusConnection bus_;
};

}  // namespace nabbit::test
