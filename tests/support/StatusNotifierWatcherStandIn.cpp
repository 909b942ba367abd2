#include "StatusNotifierWatcherStandIn.h"

#include <QDBusError>
#include <QUuid>

namespace nabbit::test {

std::unique_ptr<StatusNotifierWatcherStandIn> StatusNotifierWatcherStandIn::registerOn(
    const QString& address, std::string& why) {
    const QString name = "watcher-" + QUuid::createUuid().toString(QUuid::Id128);
    QDBusConnection bus = QDBusConnection::connectToBus(address, name);
    std::unique_ptr<StatusNotifierWatcherStandIn> watcher(
        new StatusNotifierWatcherStandIn(bus, name));
    if (!bus.isConnected() ||
        !bus.registerObject("/StatusNotifierWatcher", watcher.get(),
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService("org.kde.StatusNotifierWatcher")) {
        why = "no StatusNotifierWatcher on the session bus: " +
              bus.lastError().message().toStdString();
        return nullptr;
    }
    return watcher;
}

StatusNotifierWatcherStandIn::StatusNotifierWatcherStandIn(QDBusConnection bus,
                                                           QString connectionName)
    : bus_(std::move(bus)), connectionName_(std::move(connectionName)) {}

StatusNotifierWatcherStandIn::~StatusNotifierWatcherStandIn() {
    bus_.unregisterService("org.kde.StatusNotifierWatcher");
    bus_.unregisterObject("/StatusNotifierWatcher");
    bus_ = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(connectionName_);
}

void StatusNotifierWatcherStandIn::RegisterStatusNotifierItem(const QString& service,
                                                              const QDBusMessage& message) {
    items_ << service;
    lastSender_ = message.service();
    emit StatusNotifierItemRegistered(service);
}

void StatusNotifierWatcherStandIn::RegisterStatusNotifierHost(const QString&) {}

}  // namespace nabbit::test
