#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace nabbit::test {

// A notification daemon (org.freedesktop.Notifications) on the session bus, on a connection of
// its own: it records each Notify and answers with the id the call replaces, or a new one. On the
// bus while the object lives.
class StandInNotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    struct Call {
        QString appName, summary, body;
        QVariantMap hints;
    };

    StandInNotificationService();
    ~StandInNotificationService() override;
    StandInNotificationService(const StandInNotificationService&) = delete;
    StandInNotificationService& operator=(const StandInNotificationService&) = delete;

    // Whether it holds the service's name.
    bool registered() const { return registered_; }

    QList<Call> calls;

  public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& icon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int timeout);

  private:
    QDBusConnection bus_;
    bool registered_ = false;
    uint lastId_ = 0;
};

}  // namespace nabbit::test
