#pragma once

#include <memory>
#include <string>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>

namespace nabbit::test {

// An org.kde.StatusNotifierWatcher with a host, on a given session bus: the tray of desktops
// whose panel provides one (Plasma, GNOME with the AppIndicator extension), for sessions
// where no panel runs. Without a tray, Nabbit opens its window instead, which would take the
// focus. It records the items that register, and who registered the last one.
class StatusNotifierWatcherStandIn : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

  public:
    // Registers on the bus at `address`; nothing when the name cannot be had.
    static std::unique_ptr<StatusNotifierWatcherStandIn> registerOn(const QString& address,
                                                                    std::string& why);
    ~StatusNotifierWatcherStandIn() override;

    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return items_; }
    // The bus name of the connection that registered the last item.
    const QString& lastSender() const { return lastSender_; }
    // Its connection, for calls to the items.
    const QDBusConnection& bus() const { return bus_; }

  public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message);
    void RegisterStatusNotifierHost(const QString& service);

  signals:
    void StatusNotifierItemRegistered(const QString& service);

  private:
    StatusNotifierWatcherStandIn(QDBusConnection bus, QString connectionName);

    QDBusConnection bus_;
    QString connectionName_;
    QStringList items_;
    QString lastSender_;
};

}  // namespace nabbit::test
