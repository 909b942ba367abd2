// The nabbit program started as a user starts it: under Xvfb with a tray host (trayer) and a
// private D-Bus session bus, each scenario in a home of its own.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "DesktopSession.h"
#include "FixtureDatabases.h"
#include "NotificationSender.h"
#include "StatusNotifierWatcherStandIn.h"
#include "X11TestClient.h"
#include "core/PreferencesStore.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace nabbit {
namespace {

using test::NabbitProcess;
using test::X11TestClient;

PreferencesStore preferencesOf(const std::filesystem::path& home) {
    return PreferencesStore(home / ".config/nabbit/nabbit.conf");
}

class DesktopProgramTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(x_.connected()); }

    void startTray() {
        tray_ = std::make_unique<test::TrayHost>();
        ASSERT_TRUE(tray_->running());
    }

    // A home whose Messages database exists and whose setup is done.
    std::unique_ptr<test::TempDir> setUpHome() {
        auto home = std::make_unique<test::TempDir>();
        test::createDatabaseFromFixture(home->path() / "Library/Messages/chat.db", "chat-db.sql");
        preferencesOf(home->path()).setBool("com.nabbit.app.hasSetup", true);
        return home;
    }

    bool trayIconShown() { return x_.trayIcon("Nabbit").isValid(); }

    // A window of Nabbit's at least `minWidth` wide (and less than `maxWidth`) is on the screen.
    bool windowShown(int minWidth, int maxWidth = 10'000, int minHeight = 0) {
        const auto windows = x_.findWindows("Nabbit");
        return std::any_of(windows.begin(), windows.end(), [&](const auto& window) {
            return window.geometry.width() >= minWidth && window.geometry.width() < maxWidth &&
                   window.geometry.height() >= minHeight;
        });
    }

    std::unique_ptr<test::TrayHost> tray_;
    X11TestClient x_;
};

// No display, or one that cannot be reached: one line saying so, status 1, no crash.
TEST_F(DesktopProgramTest, WithoutADisplayItSaysSoAndExits) {
    for (const char* display : {"", ":97"}) {
        SCOPED_TRACE(display);
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        if (*display == '\0') {
            environment.remove(QStringLiteral("DISPLAY"));
        } else {
            environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        }
        QProcess nabbit;
        nabbit.setProcessEnvironment(environment);
        nabbit.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit"), {});
        ASSERT_TRUE(nabbit.waitForFinished(10'000));
        EXPECT_EQ(nabbit.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(nabbit.exitCode(), 1);
        EXPECT_EQ(nabbit.readAllStandardError(),
                  "Nabbit needs a graphical session; `nabbit watch` runs without one\n");
    }
}

// First launch in an empty home: setup opens, the login item and the shortcut preference are
// switched on, but the shortcut is held only from the next launch.
TEST_F(DesktopProgramTest, FirstLaunchOpensSetupAndSwitchesOnLoginAndShortcut) {
    auto home = std::make_unique<test::TempDir>();
    NabbitProcess nabbit(home->path());
    nabbit.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !x_.findWindows("Setup Nabbit").empty(); }, 10'000))
        << nabbit.error().toStdString();
    EXPECT_TRUE(nabbit.error().contains("[Nabbit] App Launched. hasSetup: false"));
    const auto preferences = preferencesOf(home->path());
    EXPECT_EQ(preferences.boolValue("com.nabbit.app.shouldAutoLaunch"), true);
    EXPECT_EQ(preferences.boolValue("com.nabbit.app.globalShortcutEnabled"), true);
    const auto autostart = test::readFile(home->path() / ".config/autostart/nabbit.desktop");
    EXPECT_NE(autostart.find("Exec=" NABBIT_BIN_DIR "/nabbit\n"), std::string::npos) << autostart;
    EXPECT_TRUE(x_.grabKey(XK_e, ControlMask | ShiftMask));  // not held by Nabbit yet
    x_.ungrabKey(XK_e, ControlMask | ShiftMask);
}

// Started by a desktop session, whose standard streams go to the journal: with debug logging
// on and a notification that cannot be sent, neither stream carries a code or a message text,
// while the private debug log has them. Without a Messages database, readable notifications
// are enough to run set up, and their codes reach the clipboard.
TEST_F(DesktopProgramTest, NoCodeOrMessageTextReachesTheStandardStreams) {
    startTray();
    auto home = setUpHome();
    std::filesystem::remove_all(home->path() / "Library");
    const auto preferences = preferencesOf(home->path());
    preferences.setBool("com.nabbit.app.debugLoggingEnabled", true);
    preferences.setBool("com.nabbit.app.useNativeNotifications", true);  // no service: an error
    NabbitProcess nabbit(home->path());
    nabbit.start();
    ASSERT_TRUE(nabbit.waitForError("Running as accessory")) << nabbit.error().toStdString();

    // An SMS mirrored from a phone: the notification source logs each text it reads.
    test::NotificationSender(QStringLiteral("phone"))
        .notify(QStringLiteral("KDE Connect"), QStringLiteral("Acme"),
                QStringLiteral("Your Acme verification code is 582019"));
    ASSERT_TRUE(test::clipboardHolds("582019", 5000));
    const auto log = home->path() / "Documents/Nabbit_Debug.log";
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return test::readFile(log).find("verification code") != std::string::npos; }, 5000))
        << test::readFile(log);
    QTest::qWait(1000);  // the notification's error, and the log's echo, if any

    const QByteArray output = nabbit.process().readAllStandardOutput();
    const QByteArray error = nabbit.error();
    for (const QByteArray& stream : {output, error}) {
        EXPECT_FALSE(stream.contains("582019")) << stream.toStdString();
        EXPECT_FALSE(stream.contains("verification code")) << stream.toStdString();
    }
}

// On a desktop whose tray speaks D-Bus, the icon is a StatusNotifierItem; activating it opens
// the popover at the pointer.
TEST_F(DesktopProgramTest, OnADBusTrayTheIconIsAStatusNotifierItem) {
    // As desktops with a D-Bus tray provide it (KDE, GNOME with the AppIndicator extension).
    std::string why;
    const auto watcher = test::StatusNotifierWatcherStandIn::registerOn(
        qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), why);
    ASSERT_TRUE(watcher) << why;

    auto home = setUpHome();
    NabbitProcess nabbit(home->path());
    nabbit.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watcher->items().isEmpty(); }, 10'000))
        << nabbit.error().toStdString();
    // The item lives on Nabbit's connection, at the path the watcher was given (or the
    // conventional one when only a bus name was).
    QString service = watcher->items().front();
    QString path = QStringLiteral("/StatusNotifierItem");
    if (service.startsWith('/')) {
        path = service;
        service = watcher->lastSender();
    }
    QDBusMessage activate = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"));
    activate << 640 << 12;
    watcher->bus().asyncCall(activate);
    EXPECT_TRUE(QTest::qWaitFor([&] { return windowShown(360, 580); }, 5000));
}

// Set up and able to read its database, Nabbit lives in the tray without a window. A second
// start hands over to it, and it opens its main window; two started at the same moment leave
// one running. (Its codes reaching the clipboard is checked with the notification source and
// the clipboard tests.)
TEST_F(DesktopProgramTest, SetUpLaunchLivesInTheTrayAndASecondStartHandsOverToIt) {
    startTray();
    auto home = setUpHome();
    NabbitProcess first(home->path());
    first.start();
    ASSERT_TRUE(first.waitForError("Running as accessory")) << first.error().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return trayIconShown(); }, 10'000));
    EXPECT_TRUE(x_.findWindows("Setup Nabbit").empty());
    EXPECT_FALSE(windowShown(360));
    NabbitProcess second(home->path());
    second.start();
    ASSERT_TRUE(second.waitForExit());
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_TRUE(first.waitForError("[Nabbit] Application reopened. flag: false"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return windowShown(580, 10'000, 420); }, 5000));
    EXPECT_EQ(first.process().state(), QProcess::Running);
    first.process().terminate();
    ASSERT_TRUE(first.waitForExit());

    NabbitProcess a(home->path());
    NabbitProcess b(home->path());
    a.start();
    b.start();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return (a.process().state() == QProcess::NotRunning) !=
                   (b.process().state() == QProcess::NotRunning);
        },
        10'000));
    QTest::qWait(1000);
    NabbitProcess& ended = a.process().state() == QProcess::NotRunning ? a : b;
    NabbitProcess& running = &ended == &a ? b : a;
    EXPECT_EQ(ended.process().exitCode(), 0);
    EXPECT_EQ(running.process().state(), QProcess::Running);
}

// Without any tray, Nabbit says so once and opens its main window, so it stays reachable; and
// `nabbit resync` reaches it, which starts its Messages source again from the newest row and
// watches on from there.
TEST_F(DesktopProgramTest, WithoutATrayTheMainWindowOpensAndResyncReachesIt) {
    auto home = setUpHome();
    preferencesOf(home->path()).setBool("com.nabbit.app.debugLoggingEnabled", true);
    const auto log = home->path() / "Documents/Nabbit_Debug.log";
    const auto watchStarts = [&] {
        return QByteArray::fromStdString(test::readFile(log))
            .count("Initialized lastProcessedRowId");
    };
    NabbitProcess nabbit(home->path());
    nabbit.start();
    ASSERT_TRUE(nabbit.waitForError("Running as accessory")) << nabbit.error().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watchStarts() == 1; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return windowShown(580); }, 5000));
    EXPECT_EQ(nabbit.error().count("No system tray"), 1);

    QProcess command;
    command.setProcessEnvironment(nabbit.process().processEnvironment());
    command.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit"), {QStringLiteral("resync")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return command.state() == QProcess::NotRunning; }, 10'000));
    EXPECT_EQ(command.exitCode(), 0) << command.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return watchStarts() == 2; }, 5000));
    EXPECT_TRUE(nabbit.error().contains("[Nabbit] Resync requested from the command line"));
    auto writer = simulate::ChatDatabaseWriter::open(
        (home->path() / "Library/Messages/chat.db").string(), false);
    ASSERT_TRUE(writer);
    simulate::SimulatedMessage message;
    message.text = "Your Acme verification code is 731904";
    ASSERT_TRUE(writer->insert(message));
    EXPECT_TRUE(test::clipboardHolds("731904", 5000));
}

}  // namespace
}  // namespace nabbit
