// The resync shortcut for real: Ctrl+Shift+E typed with XTEST under Xvfb, another X client
// holding the combination first.
#include <gtest/gtest.h>

#include <QTest>

#include "DesktopApp.h"
#include "X11TestClient.h"
#include "core/AppStateManager.h"
#include "platform/x11/X11AccessibilityCheck.h"
#include "sources/imessage/MessageManager.h"

#include <X11/X.h>
#include <X11/keysym.h>

namespace nabbit {
namespace {

class ShortcutTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(x_.connected());
        AppStateManager::shared().setGlobalShortcutEnabled(true);
        app_.setupMessageManager();
        // A resync empties the Messages source's list: count those.
        QObject::connect(&app_.messageManager()->messages(), &CodeEntryList::changed,
                         [this] { ++resyncs_; });
    }

    void pressShortcut() {
        x_.pressKeys({XK_Control_L, XK_Shift_L, XK_e});
        QTest::qWait(300);
    }

    test::X11TestClient x_;
    test::DesktopApp<X11AccessibilityCheck> desktop_;
    AppDelegate& app_ = desktop_.app;
    int resyncs_ = 0;
};

TEST_F(ShortcutTest, ShortcutResyncsGivesWayToAnotherProgramAndKeepsOneGrab) {
    app_.updateGlobalHotKey();
    ASSERT_TRUE(app_.hasHotKey());
    app_.onPressTestNotification();
    ASSERT_TRUE(app_.delivery().lastNotificationMessage());

    pressShortcut();
    EXPECT_EQ(resyncs_, 1);
    EXPECT_FALSE(app_.delivery().lastNotificationMessage());

    // Switched off, the combination is let go of and another program takes it; switched on
    // again, Nabbit says so and carries on without it.
    app_.updateGlobalHotKey();  // already held: nothing changes
    app_.onPressKeyboardShortcuts();
    EXPECT_FALSE(AppStateManager::shared().globalShortcutEnabled());
    EXPECT_FALSE(app_.hasHotKey());
    ASSERT_TRUE(x_.grabKey(XK_e, ControlMask | ShiftMask));
    ::testing::internal::CaptureStderr();
    app_.onPressKeyboardShortcuts();
    const auto logged = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(app_.hasHotKey());
    EXPECT_NE(logged.find("[Nabbit] Global shortcut Ctrl+Shift+E not registered: another program "
                          "already uses it"),
              std::string::npos)
        << logged;
    pressShortcut();
    EXPECT_EQ(resyncs_, 1);

    // Once the other program lets go, applying the setting again takes it.
    x_.ungrabKey(XK_e, ControlMask | ShiftMask);
    app_.updateGlobalHotKey();
    EXPECT_TRUE(app_.hasHotKey());
    EXPECT_FALSE(x_.grabKey(XK_e, ControlMask | ShiftMask));
    EXPECT_FALSE(x_.grabKey(XK_e, ControlMask | ShiftMask | LockMask));  // with CapsLock on
    pressShortcut();
    EXPECT_EQ(resyncs_, 2);  // one grab, one handler: one resync per press
}

}  // namespace
}  // namespace nabbit
