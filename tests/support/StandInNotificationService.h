#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace nabbit::test {

// A notification daemon on the session bus, on a connection of its own: it records each Notify
// and answers with the id the call replaces, or a new one. On the bus while the object lives.
class StandInNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    struct Call {
        QString appName, summary, body;
        QVariantMap hints;
    };
    QList<Call> calls;

    StandInNotificationService() {
        registered_ = bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                          QDBusConnection::ExportAllSlots) &&
                      bus_.registerService(bus_.name());
    }
    ~StandInNotificationService() override { QDBusConnection::disconnectFromBus(bus_.name()); }

    // Whether it holds the service's name.
    bool registered() const { return registered_; }

  public slots:
    uint Notify(const QString& appName, uint replacesId, const QString&, const QString& summary,
                const QString& body, const QStringList&, const QVariantMap& hints, int) {
        calls.append({appName, summary, body, hints});
        return replacesId != 0 ? replacesId : ++lastId_;
    }

  private:
    QDBusConnection bus_ = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("org.freedesktop.Notifications"));
    bool registered_ = false;
    uint lastId_ = 0;
};

}  // namespace nabbit::test
