#include "NotificationSender.h"

#include <QDBusMessage>
#include <QDBusPendingReply>
#include <QStringList>
#include <QTest>
#include <QVariantMap>

namespace nabbit::test {

namespace {

QDBusConnection connect(const QString& name, const std::string& busAddress) {
    return busAddress.empty()
               ? QDBusConnection::connectToBus(QDBusConnection::SessionBus, name)
               : QDBusConnection::connectToBus(QString::fromStdString(busAddress), name);
}

QVariantMap titled(const QString& title, const QString& body) {
    return {{QStringLiteral("title"), title}, {QStringLiteral("body"), body}};
}

}  // namespace

NotificationSender::NotificationSender(const QString& name, const std::string& busAddress)
    : name_(name), bus_(connect(name, busAddress)) {}

NotificationSender::~NotificationSender() {
    QDBusConnection::disconnectFromBus(name_);
}

uint NotificationSender::notify(const QString& application, const QString& summary,
                                const QString& body, uint replacesId) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << application << replacesId << QString() << summary << body << QStringList()
         << QVariantMap() << -1;
    // No notification daemon of the machine is started for the test's bus.
    call.setAutoStartService(false);
    const QDBusPendingCall pending = bus_.asyncCall(call);
    (void)QTest::qWaitFor([&] { return pending.isFinished(); }, 5000);
    const QDBusPendingReply<uint> reply = pending;
    return reply.isValid() ? reply.value() : 0;
}

void NotificationSender::gtk(const QString& applicationId, const QString& id, const QString& title,
                             const QString& body) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gtk.Notifications"), QStringLiteral("/org/gtk/Notifications"),
        QStringLiteral("org.gtk.Notifications"), QStringLiteral("AddNotification"));
    call << applicationId << id << titled(title, body);
    send(call);
}

void NotificationSender::portal(const QString& id, const QString& title, const QString& body) {
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.portal.Desktop"),
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Notification"), QStringLiteral("AddNotification"));
    call << id << titled(title, body);
    send(call);
}

void NotificationSender::send(QDBusMessage call) {
    call.setAutoStartService(false);
    bus_.send(call);
}

}  // namespace nabbit::test
