// Delivering codes for real: under Xvfb with a private D-Bus session bus, the clipboard is read
// back by another X client, keys are typed with XTEST, windows are looked up on the server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>

#include "DeliveryFixture.h"
#include "FixtureDatabases.h"
#include "StandInNotificationService.h"
#include "StandInScreenSaver.h"
#include "parser/SimpleOTPParser.h"
#include "sources/imessage/MessageManager.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

#include <X11/keysym.h>

namespace nabbit {
namespace {

using test::clipboardHolds;
using test::readClipboard;
using DeliveryTest = test::DeliveryFixture;

// Only the newest entry of a publication is delivered, and only when its message differs from
// the last one delivered; the last three entries are kept for the menus either way.
TEST_F(DeliveryTest, PublicationsDeliverTheirNewestEntryOnceAndKeepTheLastThree) {
    const auto a = entry("a", "111111");
    const auto b = entry("b", "222222");
    const auto c = entry("c", "333333");
    const auto d = entry("d", "444444");
    const auto e = entry("e", "555555");
    struct Step {
        CodeEntries published;
        std::string clipboard;  // what the clipboard holds afterwards
        CodeEntries recent;
    };
    const Step steps[] = {
        {{a}, "111111", {a}},       {{a}, "111111", {a}},  // republished: not delivered again
        {{a, b}, "222222", {a, b}}, {{a, b, c, d, e}, "555555", {c, d, e}},
        {{}, "555555", {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.clipboard);
        delivery_.handleMessagesUpdate(step.published);
        EXPECT_TRUE(clipboardHolds(step.clipboard));
        EXPECT_EQ(delivery_.mostRecentMessages(), step.recent);
    }
    // A subscription's first call back (here after a resync) only records.
    delivery_.resetForResync();
    delivery_.handleMessagesUpdate({a, b, c, d, e, entry("f", "666666")});
    QTest::qWait(500);
    EXPECT_EQ(readClipboard(), "555555");
}

// Auto-paste types Ctrl+V 0.1 s after the copy into the field another program has focused;
// the overlay shown meanwhile takes neither the focus nor the paste; the paste then restores as
// a typed one does.
TEST_F(DeliveryTest, AutoPasteLandsInTheFocusedFieldOfAnotherProgram) {
    QProcess field;
    const auto stop = qScopeGuard([&] {
        field.kill();
        field.waitForFinished();
    });
    field.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit-test-textfield"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return field.readAllStandardOutput().contains("ready"); }, 10'000));
    QTest::qWait(200);
    const auto focused = x_.inputFocus();

    AppStateManager::shared().setAutoPasteEnabled(true);
    AppStateManager::shared().setRestoreContentsDelayTime(20);
    test::writeClipboardElsewhere("text before the code");
    deliver(entry("k", "902114"));
    QByteArray typed;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            typed += field.readAllStandardOutput();
            return typed.contains("902114");
        },
        5000));
    ASSERT_EQ(overlays().size(), 1u);
    EXPECT_EQ(x_.inputFocus(), focused);

    // No key watch runs (as on Wayland): the paste Nabbit typed counts as a Ctrl+V seen, so
    // the previous text comes back 5 s after it, not after the 20 s delay.
    ASSERT_FALSE(delivery_.isMonitoringPasteKeys());
    QTest::qWait(3500);
    EXPECT_EQ(readClipboard(), "902114");
    EXPECT_TRUE(clipboardHolds("text before the code", 4000));
}

// Ctrl+V typed in another program puts the previous text back 5 s later, whatever the delay.
TEST_F(DeliveryTest, ControlVTypedElsewhereRestoresFiveSecondsLater) {
    AppStateManager::shared().setRestoreContentsDelayTime(20);
    delivery_.updateClipboardRestoreKeyMonitor();
    ASSERT_TRUE(delivery_.isMonitoringPasteKeys());
    test::writeClipboardElsewhere("my own text");
    deliver(entry("l", "650021"));
    ASSERT_TRUE(clipboardHolds("650021"));
    x_.pressKeys({XK_Control_L, XK_v});
    QTest::qWait(3500);
    EXPECT_EQ(readClipboard(), "650021");
    EXPECT_TRUE(clipboardHolds("my own text", 4000));
}

// Each code overlay replaces the one before at the corner the preference names (anything out
// of range counts as the top left), 15 from the edges of the available area; the last closes
// itself after 5 s.
TEST_F(DeliveryTest, OverlayShowsAtTheChosenCornerAndCloses) {
    // A 1440 x 900 screen whose available area leaves 25 at the top and 70 at the bottom.
    const QRect screen(0, 0, 1440, 900);
    const QRect available(0, 25, 1440, 805);
    EXPECT_EQ(OverlayWindow::frameFor(NotificationPosition::rightEdgeBottom, screen, available),
              QRect(1125, 735, 300, 150));
    EXPECT_EQ(OverlayWindow::frameFor(NotificationPosition::leftEdgeTop, screen, available),
              QRect(15, 40, 300, 150));
    AppStateManager::shared().setRestoreContentsDelayTime(0);
    const QScreen* primary = QApplication::primaryScreen();
    for (int raw : {0, 1, 2, 3, 7}) {
        SCOPED_TRACE(raw);
        AppStateManager::shared().setNotificationPosition(raw);
        deliver(entry("m" + std::to_string(raw), "48291" + std::to_string(raw)));
        const auto expected = OverlayWindow::frameFor(
            notificationPositionFromRaw(raw).value_or(NotificationPosition::leftEdgeTop),
            primary->geometry(), primary->availableGeometry());
        ASSERT_TRUE(QTest::qWaitFor([&] { return overlays().size() == 1; }, 3000));
        EXPECT_EQ(overlays().front().geometry, expected);
        EXPECT_TRUE(overlays().front().overrideRedirect);
    }
    QTest::qWait(4000);
    EXPECT_EQ(overlays().size(), 1u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return overlays().empty(); }, 3000));
}

// Without a notification service the error is printed and delivery goes on; with one, each
// code is announced there, and nothing announces the restore.
TEST_F(DeliveryTest, NativeNotificationsReachTheNotificationService) {
    AppStateManager::shared().setUseNativeNotifications(true);
    ASSERT_FALSE(QDBusConnection::sessionBus().interface()->isServiceRegistered(
        QStringLiteral("org.freedesktop.Notifications")));
    deliver(entry("p", "118822", "acme"));
    EXPECT_TRUE(clipboardHolds("118822"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !printed_.empty(); }, 5000));
    EXPECT_EQ(printed_.front().rfind("Error sending notification: ", 0), 0u) << printed_.front();

    test::StandInNotificationService recorder;
    ASSERT_TRUE(recorder.registered());
    deliver(entry("n", "482913", "acme"));
    deliver(entry("o", "771204"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return recorder.calls.size() == 2; }, 5000));
    EXPECT_EQ(recorder.calls[0].appName, "Nabbit");
    EXPECT_EQ(recorder.calls[0].summary, "2FA Code Copied");
    EXPECT_EQ(recorder.calls[0].body, "482913 - acme");
    EXPECT_EQ(recorder.calls[0].hints.value("sound-name").toString(), "message-new-instant");
    // Kept out of the history and the lock screen, at low urgency (a byte on the bus).
    EXPECT_EQ(recorder.calls[0].hints.value("transient").typeId(), QMetaType::Bool);
    EXPECT_EQ(recorder.calls[0].hints.value("transient").toBool(), true);
    EXPECT_EQ(recorder.calls[0].hints.value("urgency").typeId(), QMetaType::UChar);
    EXPECT_EQ(recorder.calls[0].hints.value("urgency").toInt(), 0);
    EXPECT_EQ(recorder.calls[1].body, "771204");
    EXPECT_TRUE(overlays().empty());
    QTest::qWait(1500);
    EXPECT_EQ(recorder.calls.size(), 2);
    EXPECT_TRUE(overlays().empty());
}

// While the screen saver says the session is locked, a code (and its restore) still reaches the
// clipboard but no overlay is drawn above the locker; once unlocked, overlays come back.
TEST_F(DeliveryTest, WhileTheSessionIsLockedCodesAreCopiedWithoutAnOverlay) {
    test::StandInScreenSaver locker(QStringLiteral("org.freedesktop.ScreenSaver"));
    ASSERT_TRUE(locker.registered() && locker.claimName());
    const auto unlock = qScopeGuard([&] {
        locker.setActive(false);
        (void)QTest::qWaitFor([&] { return !screenLock_.isLocked(); }, 3000);
    });

    struct Step {
        bool locked;
        std::string code;
        std::size_t overlays;  // once the code and its restore are through
    };
    const Step steps[] = {{true, "620114", 0}, {false, "620115", 2}, {true, "620116", 0}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.code);
        locker.setActive(step.locked);
        ASSERT_TRUE(QTest::qWaitFor([&] { return screenLock_.isLocked() == step.locked; }, 3000));
        closeOverlays();  // those of the step before
        test::writeClipboardElsewhere("my own text");
        deliver(entry("lock-" + step.code, step.code));
        EXPECT_TRUE(clipboardHolds(step.code));
        ASSERT_TRUE(clipboardHolds("my own text", 3000));
        EXPECT_EQ(overlays().size(), step.overlays);
    }
}

// A delivered message of the Messages source is marked read; a mail entry never is.
TEST_F(DeliveryTest, OnlyMessagesEntriesAreMarkedRead) {
    const auto database = test::createChatDatabase();
    auto writer = simulate::ChatDatabaseWriter::open(database.string(), false);
    ASSERT_TRUE(writer);
    for (const char* guid : {"SMS-1", "email-7"}) {
        simulate::SimulatedMessage message;
        message.text = "Your code is 123456";
        message.guid = guid;
        ASSERT_TRUE(writer->insert(message));
    }
    MessageManager messages(std::make_shared<SimpleOTPParser>());
    delivery_.subscribeToMessageManager(messages);
    AppStateManager::shared().setMarkAsReadEnabled(true);
    deliver(entry("SMS-1", "123456"));
    deliver(entry("email-7", "123456"));
    auto isRead = [&](const std::string& guid) {
        return *writer->connection().queryInt("SELECT is_read FROM message WHERE guid = ?", {guid});
    };
    EXPECT_EQ(isRead("SMS-1"), 1);
    EXPECT_EQ(isRead("email-7"), 0);
}

}  // namespace
}  // namespace nabbit
