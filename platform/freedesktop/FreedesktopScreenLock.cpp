#include "platform/freedesktop/FreedesktopScreenLock.h"

#include <unistd.h>

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace nabbit {

namespace {

// A desktop that does not answer within this time is taken to have no such service.
constexpr int kAnswerTimeoutMs = 2000;

const QString kFreedesktopService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString kGnomeService = QStringLiteral("org.gnome.ScreenSaver");
const QString kLogin = QStringLiteral("org.freedesktop.login1");
const QString kSessionInterface = QStringLiteral("org.freedesktop.login1.Session");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kLockedHint = QStringLiteral("LockedHint");

}  // namespace

FreedesktopScreenLock::FreedesktopScreenLock()
    : FreedesktopScreenLock(QDBusConnection::sessionBus(), QDBusConnection::systemBus()) {}

FreedesktopScreenLock::FreedesktopScreenLock(QDBusConnection sessionBus, QDBusConnection systemBus,
                                             QObject* parent)
    : QObject(parent), sessionBus_(std::move(sessionBus)), systemBus_(std::move(systemBus)) {
    if (sessionBus_.isConnected()) {
        // From whoever owns the name, now or later. KDE's locker also signals on /ScreenSaver.
        for (const QString& path :
             {QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("/ScreenSaver")}) {
            sessionBus_.connect(QString(), path, kFreedesktopService,
                                QStringLiteral("ActiveChanged"), this,
                                SLOT(onFreedesktopActiveChanged(bool)));
        }
        sessionBus_.connect(QString(), QStringLiteral("/org/gnome/ScreenSaver"), kGnomeService,
                            QStringLiteral("ActiveChanged"), this,
                            SLOT(onGnomeActiveChanged(bool)));
        askScreenSaver(freedesktop, kFreedesktopService,
                       QStringLiteral("/org/freedesktop/ScreenSaver"));
        askScreenSaver(gnome, kGnomeService, QStringLiteral("/org/gnome/ScreenSaver"));
    }
    if (systemBus_.isConnected()) {
        // This session's object: the one the session manager named, else the one of this
        // process.
        const QString sessionId = qEnvironmentVariable("XDG_SESSION_ID");
        QDBusMessage ask = QDBusMessage::createMethodCall(
            kLogin, QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"),
            sessionId.isEmpty() ? QStringLiteral("GetSessionByPID") : QStringLiteral("GetSession"));
        if (sessionId.isEmpty()) {
            ask << static_cast<uint>(::getpid());
        } else {
            ask << sessionId;
        }
        auto* watcher =
            new QDBusPendingCallWatcher(systemBus_.asyncCall(ask, kAnswerTimeoutMs), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this](QDBusPendingCallWatcher* finished) {
                    finished->deleteLater();
                    const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                    if (!reply.isError()) {
                        followSession(reply.value().path());
                    }
                });
    }
}

bool FreedesktopScreenLock::isLocked() const {
    for (const auto& state : states_) {
        if (state) {
            return *state;
        }
    }
    return false;
}

void FreedesktopScreenLock::askScreenSaver(Source source, const QString& service,
                                           const QString& path) {
    QDBusMessage ask =
        QDBusMessage::createMethodCall(service, path, service, QStringLiteral("GetActive"));
    auto* watcher = new QDBusPendingCallWatcher(sessionBus_.asyncCall(ask, kAnswerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, source](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<bool> reply = *finished;
                // A signal that came first is newer than this answer.
                if (!reply.isError() && !states_[source]) {
                    set(source, reply.value());
                }
            });
}

void FreedesktopScreenLock::followSession(const QString& path) {
    systemBus_.connect(kLogin, path, kProperties, QStringLiteral("PropertiesChanged"), this,
                       SLOT(onSessionPropertiesChanged(QString, QVariantMap, QStringList)));
    QDBusMessage ask =
        QDBusMessage::createMethodCall(kLogin, path, kProperties, QStringLiteral("Get"));
    ask << kSessionInterface << kLockedHint;
    auto* watcher = new QDBusPendingCallWatcher(systemBus_.asyncCall(ask, kAnswerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                if (!reply.isError() && !states_[logind]) {
                    set(logind, reply.value().variant().toBool());
                }
            });
}

void FreedesktopScreenLock::onFreedesktopActiveChanged(bool active) {
    set(freedesktop, active);
}

void FreedesktopScreenLock::onGnomeActiveChanged(bool active) {
    set(gnome, active);
}

void FreedesktopScreenLock::onSessionPropertiesChanged(const QString& interface,
                                                       const QVariantMap& changed,
                                                       const QStringList&) {
    if (interface == kSessionInterface && changed.contains(kLockedHint)) {
        set(logind, changed.value(kLockedHint).toBool());
    }
}

void FreedesktopScreenLock::set(Source source, bool locked) {
    const bool before = isLocked();
    states_[static_cast<std::size_t>(source)] = locked;
    if (isLocked() != before) {
        emit lockChanged(isLocked());
    }
}

}  // namespace nabbit
