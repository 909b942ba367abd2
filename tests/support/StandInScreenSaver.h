#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>

namespace nabbit::test {

// A screen saver service on the session bus, on a connection of its own, as a screen locker runs
// one: it answers GetActive and announces each change with ActiveChanged. `interface` is the
// flavour (org.freedesktop.ScreenSaver, org.gnome.ScreenSaver), served at that flavour's path.
// Gone, with its connection, when the object goes.
class StandInScreenSaver : public QObject {
    Q_OBJECT

  public:
    explicit StandInScreenSaver(const QString& interface)
        : path_(QLatin1Char('/') + QString(interface).replace(QLatin1Char('.'), QLatin1Char('/'))),
          bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, interface)) {
        registered_ = bus_.registerObject(path_, interface, this, QDBusConnection::ExportAllSlots);
    }
    ~StandInScreenSaver() override { QDBusConnection::disconnectFromBus(bus_.name()); }

    // Whether the object is on the bus.
    bool registered() const { return registered_; }
    // Takes the flavour's well-known name, as a locker running before Nabbit does.
    bool claimName() { return bus_.registerService(bus_.name()); }
    void setActive(bool value) {
        active = value;
        QDBusMessage changed =
            QDBusMessage::createSignal(path_, bus_.name(), QStringLiteral("ActiveChanged"));
        bus_.send(changed << value);
    }

    bool active = false;

  public slots:
    bool GetActive() const { return active; }

  private:
    QString path_;
    QDBusConnection bus_;
    bool registered_ = false;
};

}  // namespace nabbit::test
