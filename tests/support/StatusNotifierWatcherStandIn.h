#pragma once

#include <memory>
#include <string>

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

namespace nabbit::test {

// An org.kde.StatusNotifierWatcher with a host, on a given session bus: the tray of desktops
// whose panel provides one (Plasma, GNOME with the AppIndicator extension), for sessions
// where no panel runs. Without a tray, Nabbit opens its window instead, which would take the
// focus.
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

  public slots:
    void RegisterStatusNotifierItem(const QString& service);
    void RegisterStatusNotifierHost(const QString& service);

  signals:
    void StatusNotifierItemRegistered(const QString& service);

  private:
    StatusNotifierWatcherStandIn(QDBusConnection bus, QString connectionName);

    QDBusConnection bus_;
    QString connectionName_;
    QStringList items_;
};

}  // namespace nabbit::test
