#include "StandInNotificationService.h"

namespace nabbit::test {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
}

StandInNotificationService::StandInNotificationService()
    : bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, kService)) {
    registered_ = bus_.registerObject(QStringLiteral("/org/freedesktop/Notifications"), this,
                                      QDBusConnection::ExportAllSlots) &&
                  bus_.registerService(kService);
}

StandInNotificationService::~StandInNotificationService() {
    bus_.unregisterService(kService);
    QDBusConnection::disconnectFromBus(kService);
}

uint StandInNotificationService::Notify(const QString& appName, uint replacesId, const QString&,
                                        const QString& summary, const QString& body,
                                        const QStringList&, const QVariantMap& hints, int) {
    calls.append({appName, summary, body, hints});
    return replacesId != 0 ? replacesId : ++lastId_;
}

}  // namespace nabbit::test
