#include "StandInScreenSaver.h"

#include <QDBusMessage>

namespace nabbit::test {

StandInScreenSaver::StandInScreenSaver(const QString& interface)
    : interface_(interface),
      path_(QLatin1Char('/') + QString(interface).replace(QLatin1Char('.'), QLatin1Char('/'))),
      bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, interface)) {
    registered_ = bus_.registerObject(path_, interface_, this, QDBusConnection::ExportAllSlots);
}

StandInScreenSaver::~StandInScreenSaver() {
    bus_.unregisterService(interface_);
    QDBusConnection::disconnectFromBus(interface_);
}

bool StandInScreenSaver::claimName() {
    return bus_.registerService(interface_);
}

void StandInScreenSaver::setActive(bool value) {
    active = value;
    QDBusMessage changed =
        QDBusMessage::createSignal(path_, interface_, QStringLiteral("ActiveChanged"));
    changed << value;
    bus_.send(changed);
}

}  // namespace nabbit::test
