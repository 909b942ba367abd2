// The resync shortcut for real: Ctrl+Shift+E typed with XTEST under Xvfb, another X client
// holding the combination first.
#include <gtest/gtest.h>

#include <QTest>

#include "X11TestClient.h"
#include "app/AppDelegate.h"
#include "core/AppStateManager.h"
#include "platform/fake/FakeFileReveal.h"
#include "platform/freedesktop/FreedesktopNotifications.h"
#include "platform/freedesktop/ProcessRelauncher.h"
#include "platform/freedesktop/XdgAutostartLoginItem.h"
#include "platform/x11/X11AccessibilityCheck.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11GlobalShortcut.h"
#include "platform/x11/X11KeySynthesis.h"
#include "platform/x11/X11PasteKeyMonitor.h"
#include "sources/imessage/MessageManager.h"
#include "ui/WidgetViewFactory.h"

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
    X11Clipboard clipboard_;
    X11KeySynthesis keys_;
    X11PasteKeyMonitor monitor_;
    X11GlobalShortcut shortcut_;
    FreedesktopNotifications notifications_;
    X11AccessibilityCheck accessibility_;
    FakeFileReveal reveal_;
    WidgetViewFactory views_;
    XdgAutostartLoginItem loginItem_{"/usr/bin/nabbit"};
    ProcessRelauncher relauncher_;
    AppDelegate app_{{clipboard_,
                      keys_,
                      monitor_,
                      shortcut_,
                      notifications_,
                      accessibility_,
                      reveal_,
                      loginItem_,
                      relauncher_,
                      views_,
                      [](const std::string&) {},
                      {}}};
    int resyncs_ = 0;
};

TEST_F(ShortcutTest, ShortcutResyncsAndSwitchingItOffAndOnKeepsOneGrab) {
    app_.updateGlobalHotKey();
    ASSERT_TRUE(app_.hasHotKey());
    app_.onPressTestNotification();
    ASSERT_TRUE(app_.delivery().lastNotificationMessage());

    pressShortcut();
    EXPECT_EQ(resyncs_, 1);
    EXPECT_FALSE(app_.delivery().lastNotificationMessage());

    app_.updateGlobalHotKey();  // already held: nothing changes
    app_.onPressKeyboardShortcuts();
    EXPECT_FALSE(AppStateManager::shared().globalShortcutEnabled());
    EXPECT_FALSE(app_.hasHotKey());
    pressShortcut();
    EXPECT_EQ(resyncs_, 1);
    // Let go of: another program may take it now.
    ASSERT_TRUE(x_.grabKey(XK_e, ControlMask | ShiftMask));
    x_.ungrabKey(XK_e, ControlMask | ShiftMask);

    app_.onPressKeyboardShortcuts();
    EXPECT_TRUE(app_.hasHotKey());
    EXPECT_FALSE(x_.grabKey(XK_e, ControlMask | ShiftMask));
    EXPECT_FALSE(x_.grabKey(XK_e, ControlMask | ShiftMask | LockMask));  // with CapsLock on
    pressShortcut();
    EXPECT_EQ(resyncs_, 2);  // one grab, one handler: one resync per press
}

TEST_F(ShortcutTest, CombinationTakenByAnotherProgramIsReportedAndNabbitCarriesOn) {
    ASSERT_TRUE(x_.grabKey(XK_e, ControlMask | ShiftMask));
    ::testing::internal::CaptureStderr();
    app_.updateGlobalHotKey();
    const auto logged = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(app_.hasHotKey());
    EXPECT_NE(logged.find("[Nabbit] Global shortcut Ctrl+Shift+E not registered: another program "
                          "already uses it"),
              std::string::npos)
        << logged;
    pressShortcut();
    EXPECT_EQ(resyncs_, 0);

    // Once the other program lets go, applying the setting again takes it.
    x_.ungrabKey(XK_e, ControlMask | ShiftMask);
    app_.updateGlobalHotKey();
    EXPECT_TRUE(app_.hasHotKey());
    pressShortcut();
    EXPECT_EQ(resyncs_, 1);
    AppStateManager::shared().setGlobalShortcutEnabled(false);
    app_.updateGlobalHotKey();
}

}  // namespace
}  // namespace nabbit
