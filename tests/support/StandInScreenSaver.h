#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace nabbit::test {

// A screen saver service on a connection of its own on the session bus, as a screen locker runs
// one: it answers GetActive and announces each change with ActiveChanged. `interface` is the
// flavour (org.freedesktop.ScreenSaver, org.gnome.ScreenSaver); the object sits at the path that
// flavour uses. Gone, with its connection, when the object goes.
class StandInScreenSaver : public QObject {
    Q_OBJECT

  public:
    explicit StandInScreenSaver(const QString& interface);
    ~StandInScreenSaver() override;
    StandInScreenSaver(const StandInScreenSaver&) = delete;
    StandInScreenSaver& operator=(const StandInScreenSaver&) = delete;

    // Whether the object is on the bus.
    bool registered() const { return registered_; }
    // Takes the flavour's well-known name, as a locker running before Nabbit has it.
    bool claimName();
    void setActive(bool active);

    bool active = false;

  public slots:
    bool GetActive() const { return active; }

  private:
    QString interface_;
    QString path_;
    QDBusConnection bus_;
    bool registered_ = false;
};

}  // namespace nabbit::test
