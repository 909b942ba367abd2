#include "platform/freedesktop/FreedesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QStringList>
#include <QVariantMap>

namespace nabbit {

FreedesktopNotifications::FreedesktopNotifications(QObject* parent) : QObject(parent) {}

void FreedesktopNotifications::send(const std::string& summary, const std::string& body,
                                    Completion done) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        // Answer later all the same, as a call that failed on the bus would.
        const std::string error = bus.lastError().isValid()
                                      ? bus.lastError().message().toStdString()
                                      : std::string("no D-Bus session bus");
        QMetaObject::invokeMethod(
            this, [done = std::move(done), error] { done(error); }, Qt::QueuedConnection);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // A code is secret and short-lived: transient keeps it out of the notification history
    // and the lock screen's list, and low urgency lets it go by itself. Urgency is a byte.
    const QVariantMap hints{
        {QStringLiteral("sound-name"), QStringLiteral("message-new-instant")},
        {QStringLiteral("desktop-entry"), QStringLiteral("nabbit")},
        {QStringLiteral("transient"), true},
        {QStringLiteral("urgency"), QVariant::fromValue(uchar{0})},
    };
    // Most notification services read the body as markup; the body is plain text.
    call << QString::fromUtf8(ownNotificationApplication.data(),
                              static_cast<qsizetype>(ownNotificationApplication.size()))
         << 0U << QStringLiteral("nabbit") << QString::fromStdString(summary)
         << QString::fromStdString(body).toHtmlEscaped() << QStringList() << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [done = std::move(done)](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                if (finished->isError()) {
                    done(finished->error().message().toStdString());
                } else {
                    done(std::nullopt);
                }
            });
}

}  // namespace nabbit
