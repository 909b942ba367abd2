#pragma once

#include <string>

#include <QDBusConnection>
#include <QString>

namespace nabbit::test {

// Sends notifications as another program does (a phone bridge, a chat client, a sandboxed app),
// on a connection of its own: to the session bus, or to the bus at `busAddress`. Disconnected
// when the object goes.
class NotificationSender {
  public:
    explicit NotificationSender(const QString& name, const std::string& busAddress = {});
    ~NotificationSender();
    NotificationSender(const NotificationSender&) = delete;
    NotificationSender& operator=(const NotificationSender&) = delete;

    bool connected() const { return bus_.isConnected(); }

    // org.freedesktop.Notifications.Notify; the id the service gave the notification (0 where
    // no service answers). The service may live in this thread: the event loop runs meanwhile.
    uint notify(const QString& application, const QString& summary, const QString& body,
                uint replacesId = 0);
    // org.gtk.Notifications.AddNotification.
    void gtk(const QString& applicationId, const QString& id, const QString& title,
             const QString& body);
    // The portal's AddNotification, to its name, which nobody owns here: the bus still shows the
    // call to monitors.
    void portal(const QString& id, const QString& title, const QString& body);

  private:
    void send(QDBusMessage call);

    QString name_;
    QDBusConnection bus_;
};

}  // namespace nabbit::test
