// The tray icon, its menu and its popover for real: embedded in trayer under Xvfb, clicked and
// typed at with XTEST from a second X client.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

#include "DesktopApp.h"
#include "DesktopSession.h"
#include "FixtureDatabases.h"
#include "X11TestClient.h"
#include "app/AppWindow.h"
#include "app/PopoverWindow.h"
#include "core/AppStateManager.h"
#include "platform/x11/X11AccessibilityCheck.h"

#include <X11/keysym.h>

namespace nabbit {
namespace {

// The menu as text: "[x] title" checked, "[ ] title" checkable, "(title)" disabled, "---" a
// separator, "title >" a submenu, each submenu's items indented below it. Titles read as the
// menu draws them: "&&" is an ampersand, a single "&" marks the shortcut letter and is not drawn.
std::vector<std::string> describe(const QMenu& menu, const std::string& indent = "") {
    std::vector<std::string> lines;
    for (QAction* action : menu.actions()) {
        QString shown;
        const QString text = action->text();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == QLatin1Char('&') && i + 1 < text.size()) {
                ++i;
            }
            shown += text[i];
        }
        std::string line = shown.toStdString();
        if (action->isSeparator()) {
            line = "---";
        } else if (action->menu() != nullptr) {
            line += " >";
        } else if (!action->isEnabled()) {
            line = "(" + line + ")";
        }
        if (action->isCheckable()) {
            line = (action->isChecked() ? "[x] " : "[ ] ") + line;
        }
        lines.push_back(indent + line);
        if (action->menu() != nullptr) {
            const auto sub = describe(*action->menu(), indent + "  ");
            lines.insert(lines.end(), sub.begin(), sub.end());
        }
    }
    return lines;
}

class TrayTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        tray_ = std::make_unique<test::TrayHost>();
        test::createChatDatabase();
        AppStateManager::shared().setHasSetup(true);
    }
    static void TearDownTestSuite() { tray_.reset(); }

    void SetUp() override {
        ASSERT_TRUE(x_.connected());
        ASSERT_TRUE(tray_->running());
        app_.applicationDidFinishLaunching();
        ASSERT_TRUE(QTest::qWaitFor([&] { return icon().isValid(); }, 10'000));
        // The panel lays its icons out again after embedding one: click where it stays.
        QRect settled;
        for (int i = 0; i < 50 && (settled != icon() || !settled.isValid()); ++i) {
            settled = icon();
            QTest::qWait(200);
        }
    }

    // Where the tray host shows our icon (its window bears the application's name).
    QRect icon() { return x_.trayIcon(QGuiApplication::applicationDisplayName().toStdString()); }
    bool popoverShown() const { return app_.popoverWindow() && app_.popoverWindow()->isVisible(); }
    void clickIcon() { x_.click(icon().center().x(), icon().center().y()); }

    static std::unique_ptr<test::TrayHost> tray_;
    test::X11TestClient x_;
    test::DesktopApp<X11AccessibilityCheck> desktop_;
    AppDelegate& app_ = desktop_.app;
};

std::unique_ptr<test::TrayHost> TrayTest::tray_;

TEST_F(TrayTest, StatusMenuOpensOnARightClickWithEveryItemInOrderAndCurrentCheckMarks) {
    auto& preferences = AppStateManager::shared();
    preferences.setNotificationPosition(2);
    preferences.setShowNotificationOverlay(false);
    preferences.setDebugLoggingEnabled(true);
    preferences.setRestoreContentsDelayTime(0);
    preferences.setGlobalShortcutEnabled(true);
    preferences.setNotificationDetectionEnabled(false);
    app_.delivery().handleMessagesUpdate(
        {{Message{1, "a", "text", "+1", std::nullopt, false}, ParsedOTP{"acme", "482913"}},
         {Message{2, "b", "text", "+1", std::nullopt, false}, ParsedOTP{std::nullopt, "739102"}},
         {Message{3, "c", "text", "+1", std::nullopt, false}, ParsedOTP{"AT&T", "550193"}}});
    QMenu menu;
    app_.buildStatusMenu(menu);
    const std::vector<std::string> expected{"🟢 Connected to iMessage",
                                            "Open Nabbit Window",
                                            "🚀 Send Test Notification",
                                            "---",
                                            "(Recent)",
                                            "482913 - acme",
                                            "739102 - Unknown",
                                            "550193 - AT&T",
                                            "---",
                                            "Resync",
                                            "Settings >",
                                            "  [ ] Use Native Notifications",
                                            "  Notification Position >",
                                            "    [ ] Left Edge, Top",
                                            "    [ ] Left Edge, Bottom",
                                            "    [x] Right Edge, Top",
                                            "    [ ] Right Edge, Bottom",
                                            "  [ ] Show Notification Overlay",
                                            "  [x] Keyboard Shortcuts",
                                            "  [ ] Auto-Paste Codes",
                                            "  [ ] Mark Messages as Read",
                                            "  [ ] Detect Codes from Apple Mail",
                                            "  [ ] Detect Codes from Notifications",
                                            "  [ ] Restore Clipboard Contents >",
                                            "    [x] Disabled",
                                            "    [ ] 5 sec",
                                            "    [ ] 10 sec",
                                            "    [ ] 15 sec",
                                            "    [ ] 20 sec",
                                            "  [ ] Open at Login",
                                            "  ---",
                                            "  [x] Debug Logging",
                                            "  Open Debug Log",
                                            "  Clear Debug Log",
                                            "Check for Updates…",
                                            "Quit Nabbit"};
    EXPECT_EQ(describe(menu), expected);
    preferences.setNotificationPosition(0);
    preferences.setShowNotificationOverlay(true);
    preferences.setDebugLoggingEnabled(false);
    preferences.setRestoreContentsDelayTime(5);
    preferences.setGlobalShortcutEnabled(false);
    preferences.setNotificationDetectionEnabled(true);
    app_.updateGlobalHotKey();

    // A right click opens the menu, rebuilt from the preferences of that moment.
    AppStateManager::shared().setAutoPasteEnabled(true);
    x_.click(icon().center().x(), icon().center().y(), 3);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app_.statusMenu()->isVisible(); }, 3000));
    const auto items = describe(*app_.statusMenu());
    EXPECT_NE(std::find(items.begin(), items.end(), "  [x] Auto-Paste Codes"), items.end());
    app_.statusMenu()->close();
    AppStateManager::shared().setAutoPasteEnabled(false);
}

TEST_F(TrayTest, PopoverOpensUnderTheIconClosesOnEscapeFocusLossOrAClickKeepingOneTimer) {
    clickIcon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popoverShown(); }, 3000));
    const QRect frame = app_.popoverWindow()->geometry();
    EXPECT_EQ(frame.top(), icon().bottom() + 1);
    // Nothing here can watch the desktop's notifications, and the header says so.
    const auto labels = app_.popoverWindow()->findChildren<QLabel*>();
    EXPECT_TRUE(std::any_of(labels.begin(), labels.end(), [](const QLabel* label) {
        return label->isVisible() && label->text() == "Desktop notifications — unavailable";
    }));

    // Escape closes it, and a click within 0.2 s after a close is ignored.
    ASSERT_TRUE(QTest::qWaitFor([&] { return app_.popoverWindow()->isActiveWindow(); }, 3000));
    x_.pressKeys({XK_Escape});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popoverShown(); }, 3000));
    clickIcon();
    QTest::qWait(300);
    EXPECT_FALSE(popoverShown());

    // Later clicks open and close it.
    clickIcon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popoverShown(); }, 3000));
    QTest::qWait(300);
    clickIcon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !popoverShown(); }, 3000));

    // Another program taking the keyboard focus closes it.
    QTest::qWait(300);
    clickIcon();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app_.popoverWindow()->isActiveWindow(); }, 3000));
    QProcess other;
    other.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit-test-textfield"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !popoverShown(); }, 5000));
    other.kill();
    other.waitForFinished();

    // However often the popover opens, the shared state refreshes once a second while it is
    // shown (and not at all once it is closed: see below).
    QSignalSpy refreshes(&app_.mainWindowState(), &MainWindowState::hasFullDiskAccessChanged);
    for (int i = 0; i < 3; ++i) {
        app_.showPopover();
    }
    refreshes.clear();
    QTest::qWait(2500);
    EXPECT_GE(refreshes.count(), 2);
    EXPECT_LE(refreshes.count(), 3);
    app_.closePopover();
    EXPECT_FALSE(app_.mainWindowState().isRefreshing());
}

// With the main window open, closing the popover leaves the window's refresh running; closing
// the window then ends it.
TEST_F(TrayTest, TheStateRefreshesWhileAnyWindowShowsIt) {
    app_.openMainWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app_.mainWindow() != nullptr; }, 5000));
    app_.showPopover();
    app_.closePopover();
    EXPECT_TRUE(app_.mainWindowState().isRefreshing());
    app_.showPopover();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app_.popoverWindow()->isActiveWindow(); }, 3000));
    app_.mainWindow()->close();
    EXPECT_TRUE(app_.mainWindowState().isRefreshing());
    app_.closePopover();
    EXPECT_FALSE(app_.mainWindowState().isRefreshing());
}

}  // namespace
}  // namespace nabbit
