#pragma once

#include <array>
#include <optional>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include "platform/ScreenLock.h"

namespace nabbit {

// The session's lock as the desktop tells it, followed through its signals and kept here, so
// that a question never waits on the bus. Three sources, the first that answers counting: the
// screen saver service org.freedesktop.ScreenSaver (GetActive, ActiveChanged), GNOME's
// org.gnome.ScreenSaver (the same), and logind's LockedHint on the session's object, read on
// the system bus. Until any answers, the session counts as unlocked.
class FreedesktopScreenLock final : public QObject, public ScreenLock {
    Q_OBJECT

  public:
    // The session and system buses; tests may give a private bus for both.
    FreedesktopScreenLock(QDBusConnection sessionBus, QDBusConnection systemBus,
                          QObject* parent = nullptr);
    FreedesktopScreenLock();

    bool isLocked() const override;

  signals:
    void lockChanged(bool locked);

  private slots:
    void onFreedesktopActiveChanged(bool active);
    void onGnomeActiveChanged(bool active);
    void onSessionPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                    const QStringList& invalidated);

  private:
    enum Source { freedesktop, gnome, logind, sourceCount };

    void askScreenSaver(Source source, const QString& service, const QString& path);
    void followSession(const QString& path);
    void set(Source source, bool locked);

    QDBusConnection sessionBus_;
    QDBusConnection systemBus_;
    std::array<std::optional<bool>, sourceCount> states_{};
};

}  // namespace nabbit
