// The session's lock as the desktop announces it, with stand-ins for the screen saver services
// and logind on the private session bus (which stands in for the system bus too).
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>
#include <QVariantMap>

#include <functional>

#include "StandInScreenSaver.h"
#include "platform/freedesktop/FreedesktopScreenLock.h"

namespace {

const QString kSessionPath = QStringLiteral("/org/freedesktop/login1/session/c7");

}  // namespace

// logind's manager: every process is in session c7.
class LoginManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")

  public slots:
    QDBusObjectPath GetSession(const QString&) { return QDBusObjectPath(kSessionPath); }
    QDBusObjectPath GetSessionByPID(uint) { return QDBusObjectPath(kSessionPath); }
};

// The session object, with its LockedHint property and the announcement of its changes.
class LoginSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ lockedHint)

  public:
    explicit LoginSession(QDBusConnection bus) : bus_(std::move(bus)) {}
    bool lockedHint() const { return locked_; }
    void setLockedHint(bool locked) {
        locked_ = locked;
        QDBusMessage changed = QDBusMessage::createSignal(
            kSessionPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("PropertiesChanged"));
        changed << QStringLiteral("org.freedesktop.login1.Session")
                << QVariantMap{{QStringLiteral("LockedHint"), locked}} << QStringList();
        bus_.send(changed);
    }

  private:
    QDBusConnection bus_;
    bool locked_ = false;
};

namespace nabbit {
namespace {

// The first source that answers counts: the freedesktop screen saver, then GNOME's, then
// logind; each followed through its signals.
TEST(FreedesktopScreenLockTest, TheFirstSourceThatAnswersCountsAndEachIsFollowed) {
    QDBusConnection login =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("login"));
    LoginManager manager;
    LoginSession session(login);
    session.setLockedHint(true);
    ASSERT_TRUE(login.registerObject(QStringLiteral("/org/freedesktop/login1"), &manager,
                                     QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(login.registerObject(kSessionPath, &session, QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(login.registerService(QStringLiteral("org.freedesktop.login1")));

    FreedesktopScreenLock lock(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
    QSignalSpy changes(&lock, &FreedesktopScreenLock::lockChanged);
    EXPECT_FALSE(lock.isLocked());  // nothing has answered yet; nothing waits
    // logind's hint read at the start.
    EXPECT_TRUE(QTest::qWaitFor([&] { return lock.isLocked(); }, 3000));

    test::StandInScreenSaver gnome(QStringLiteral("org.gnome.ScreenSaver"));
    ASSERT_TRUE(gnome.registered());
    test::StandInScreenSaver freedesktop(QStringLiteral("org.freedesktop.ScreenSaver"));
    ASSERT_TRUE(freedesktop.registered());

    struct Step {
        const char* what;
        std::function<void()> act;
        bool locked;
    };
    const Step steps[] = {
        {"logind unlocks", [&] { session.setLockedHint(false); }, false},
        {"logind locks", [&] { session.setLockedHint(true); }, true},
        {"GNOME says unlocked, over logind", [&] { gnome.setActive(false); }, false},
        {"GNOME locks", [&] { gnome.setActive(true); }, true},
        {"logind unlocks: GNOME counts", [&] { session.setLockedHint(false); }, true},
        {"freedesktop says unlocked, over GNOME", [&] { freedesktop.setActive(false); }, false},
        {"freedesktop locks", [&] { freedesktop.setActive(true); }, true},
        {"GNOME unlocks: freedesktop counts", [&] { gnome.setActive(false); }, true},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        const auto before = changes.count();
        const bool wasLocked = lock.isLocked();
        step.act();
        if (step.locked != wasLocked) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return lock.isLocked() == step.locked; }, 3000));
            EXPECT_EQ(changes.count(), before + 1);
            EXPECT_EQ(changes.last().at(0).toBool(), step.locked);
        } else {
            QTest::qWait(300);  // time for the signal to arrive and change nothing
            EXPECT_EQ(lock.isLocked(), step.locked);
            EXPECT_EQ(changes.count(), before);
        }
    }

    // A screen saver that is there when Nabbit starts is asked at once.
    freedesktop.active = true;
    ASSERT_TRUE(freedesktop.claimName());
    FreedesktopScreenLock later(QDBusConnection::sessionBus(), QDBusConnection::sessionBus());
    EXPECT_TRUE(QTest::qWaitFor([&] { return later.isLocked(); }, 3000));

    QDBusConnection::disconnectFromBus(QStringLiteral("login"));
}

}  // namespace
}  // namespace nabbit

#include "FreedesktopScreenLockTest.moc"
