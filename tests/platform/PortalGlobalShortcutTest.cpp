// The portal route of the resync shortcut against a stand-in portal on the private session bus:
// the calls and their order, the binding made once and kept, presses of our session only, and
// a refusal in the log.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QTest>

#include "StandInPortal.h"
#include "platform/freedesktop/PortalGlobalShortcut.h"
#include "platform/freedesktop/PortalShortcut.h"

namespace nabbit {
namespace {

using test::StandInPortal;

const QString kShortcuts = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// A GlobalShortcuts portal that remembers what was bound, per application as the real one does,
// and lets the test refuse the binding dialog.
class PortalGlobalShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        PortalShortcut::registerTypes();
        ASSERT_TRUE(portal_.running());
        portal_.setHandler(kShortcuts + ".CreateSession", [this](const QDBusMessage& call) {
            const auto options = qdbus_cast<QVariantMap>(call.arguments().value(0));
            const QString session = StandInPortal::objectPath(
                "session", call.service(), options.value("session_handle_token").toString());
            sessions_ << session;
            return StandInPortal::Answer{0, {{"session_handle", session}}};
        });
        portal_.setHandler(kShortcuts + ".ListShortcuts", [this](const QDBusMessage&) {
            return StandInPortal::Answer{0, {{"shortcuts", QVariant::fromValue(bound_)}}};
        });
        portal_.setHandler(kShortcuts + ".BindShortcuts", [this](const QDBusMessage& call) {
            const auto asked = qdbus_cast<QList<PortalShortcut>>(call.arguments().value(1));
            for (const PortalShortcut& shortcut : asked) {
                asked_ << shortcut.id + " " +
                              shortcut.properties.value("preferred_trigger").toString() + " " +
                              shortcut.properties.value("description").toString();
            }
            if (refuse_) {
                return StandInPortal::Answer{1, {}};
            }
            bound_.clear();
            for (const PortalShortcut& shortcut : asked) {
                bound_ << PortalShortcut{shortcut.id, {{"trigger_description", "Ctrl+Shift+E"}}};
            }
            return StandInPortal::Answer{0, {{"shortcuts", QVariant::fromValue(bound_)}}};
        });
    }

    void activate(const QString& session, const QString& id) {
        portal_.emitSignal(
            "/org/freedesktop/portal/desktop", kShortcuts, "Activated",
            {QVariant::fromValue(QDBusObjectPath(session)), id, qulonglong(1), QVariantMap()});
    }

    bool waitForCalls(int count) {
        return QTest::qWaitFor([&] { return portal_.calls().size() >= count; }, 3000);
    }

    StandInPortal portal_{{kShortcuts}};
    QStringList sessions_;  // written on the portal's thread before its answer goes out
    QStringList asked_;
    QList<PortalShortcut> bound_;
    bool refuse_ = false;
    PortalGlobalShortcut shortcut_;
};

TEST_F(PortalGlobalShortcutTest, BindsOnceKeepsTheBindingAndFollowsItsOwnSession) {
    EXPECT_TRUE(PortalGlobalShortcut::available());
    EXPECT_FALSE(shortcut_.reachesEveryWindow());  // nothing bound yet
    auto hotKey = shortcut_.registerHotKey();
    ASSERT_TRUE(hotKey);
    ASSERT_TRUE(waitForCalls(3));
    QTest::qWait(100);
    EXPECT_EQ(portal_.calls(),
              QStringList({kShortcuts + ".CreateSession", kShortcuts + ".ListShortcuts",
                           kShortcuts + ".BindShortcuts"}));
    EXPECT_EQ(asked_, QStringList({"resync CTRL+SHIFT+e Resync Messages"}));
    EXPECT_TRUE(shortcut_.reachesEveryWindow());
    ASSERT_EQ(sessions_.size(), 1);
    EXPECT_EQ(portal_.lastArguments(kShortcuts + ".BindShortcuts")
                  .value(0)
                  .value<QDBusObjectPath>()
                  .path(),
              sessions_[0]);

    int presses = 0;
    auto handler = shortcut_.installHandler([&] { ++presses; });
    ASSERT_TRUE(handler);
    activate(sessions_[0], "resync");
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 1; }, 2000));
    activate(sessions_[0], "other");                                    // not our shortcut
    activate("/org/freedesktop/portal/desktop/session/x/y", "resync");  // not our session
    activate(sessions_[0], "resync");
    ASSERT_TRUE(QTest::qWaitFor([&] { return presses == 2; }, 2000));
    QTest::qWait(100);
    EXPECT_EQ(presses, 2);

    // Switched off: the session closes, and its presses no longer count.
    portal_.clearCalls();
    hotKey.reset();
    ASSERT_TRUE(waitForCalls(1));
    EXPECT_EQ(portal_.calls(), QStringList({"org.freedesktop.portal.Session.Close"}));
    EXPECT_FALSE(shortcut_.reachesEveryWindow());
    activate(sessions_[0], "resync");
    QTest::qWait(200);
    EXPECT_EQ(presses, 2);

    // On again: a new session finds the binding kept and binds nothing, so no dialog.
    portal_.clearCalls();
    hotKey = shortcut_.registerHotKey();
    ASSERT_TRUE(waitForCalls(2));
    QTest::qWait(200);
    EXPECT_EQ(portal_.calls(),
              QStringList({kShortcuts + ".CreateSession", kShortcuts + ".ListShortcuts"}));
    ASSERT_EQ(sessions_.size(), 2);
    activate(sessions_[1], "resync");
    EXPECT_TRUE(QTest::qWaitFor([&] { return presses == 3; }, 2000));
    EXPECT_EQ(asked_.size(), 1);
}

TEST_F(PortalGlobalShortcutTest, ARefusedBindingIsLoggedWithWhatToDoInstead) {
    refuse_ = true;
    ::testing::internal::CaptureStderr();
    auto hotKey = shortcut_.registerHotKey();
    ASSERT_TRUE(waitForCalls(3));
    QTest::qWait(200);
    const std::string logged = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(shortcut_.reachesEveryWindow());
    EXPECT_NE(logged.find("[Nabbit] Global shortcut Ctrl+Shift+E not registered: the shortcut "
                          "was not bound: the user cancelled. Bind `nabbit resync` in the "
                          "desktop's shortcut settings instead."),
              std::string::npos)
        << logged;
}

TEST(PortalGlobalShortcutAvailabilityTest, APortalWithoutTheInterfaceDoesNotOfferIt) {
    StandInPortal portal({QStringLiteral("org.freedesktop.portal.Settings")});
    ASSERT_TRUE(portal.running());
    EXPECT_FALSE(PortalGlobalShortcut::available());
}

}  // namespace
}  // namespace nabbit
