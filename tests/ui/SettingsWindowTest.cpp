// The settings window for real: the application object on the X11 platform opens it under
// Xvfb, with a tray host for its icon; the window is driven with mouse and key events, and
// preferences are also written from another process, as a terminal would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>

#include <filesystem>
#include <functional>
#include <stdexcept>

#include "DebugLogCapture.h"
#include "DesktopApp.h"
#include "DesktopSession.h"
#include "FixtureDatabases.h"
#include "X11TestClient.h"
#include "app/AppWindow.h"
#include "core/AppStateManager.h"
#include "core/DebugLogger.h"
#include "core/Paths.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"
#include "platform/fake/FakeAccessibilityCheck.h"
#include "platform/freedesktop/DBusNotificationMonitor.h"
#include "ui/RecentCodeRow.h"
#include "ui/SettingRow.h"
#include "ui/StatusBadge.h"
#include "ui/SymbolCircle.h"
#include "ui/Theme.h"
#include "ui/ToggleSwitch.h"

namespace nabbit {
namespace {

CodeEntry entry(std::int64_t rowId, std::optional<std::string> service, std::string code) {
    return {Message{rowId, "guid-" + std::to_string(rowId), "text", "+15555550100", std::nullopt,
                    false},
            ParsedOTP{std::move(service), std::move(code)}};
}

std::optional<std::string> stored(std::string_view key) {
    return PreferencesStore().value(key);
}

class SettingsWindowTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { tray_ = std::make_unique<test::TrayHost>(); }
    static void TearDownTestSuite() { tray_.reset(); }

    void SetUp() override {
        desktop_.makeNotificationMonitor = [] {
            return std::make_unique<DBusNotificationMonitor>();
        };
        std::filesystem::remove(paths::preferencesFile());
        std::filesystem::remove_all(paths::home() / "Library");
        test::createChatDatabase();
        AppStateManager::shared().setHasSetup(true);
        ASSERT_TRUE(x_.connected());
        ASSERT_TRUE(tray_->running());
        app_.applicationDidFinishLaunching();
        app_.openMainWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return app_.mainWindow() != nullptr; }, 5000));
        window_ = app_.mainWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    }

    // The control a screen reader knows by this name.
    template <class T = QWidget>
    T* control(const QString& name) {
        for (T* each : window_->findChildren<T*>()) {
            if (each->accessibleName() == name) {
                return each;
            }
        }
        throw std::runtime_error("no control named " + name.toStdString());
    }
    ToggleSwitch* toggle(const QString& name) { return control<ToggleSwitch>(name); }
    QComboBox* picker(const QString& name) { return control<QComboBox>(name); }
    QPushButton* button(const QString& name) { return control<QPushButton>(name); }
    // The row a control sits in.
    SettingRow* row(const QString& name) {
        return qobject_cast<SettingRow*>(control(name)->parent());
    }

    bool shown(const QWidget* widget) const { return widget->isVisibleTo(window_); }

    // Scrolls the control into view and clicks it.
    void click(QWidget* widget) {
        window_->findChild<QScrollArea*>()->ensureWidgetVisible(widget);
        QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
    }

    std::vector<RecentCodeRow*> codeRows() {
        std::vector<RecentCodeRow*> rows;
        for (RecentCodeRow* each : window_->findChildren<RecentCodeRow*>()) {
            if (shown(each)) {
                rows.push_back(each);
            }
        }
        return rows;
    }

    std::string colorName(const QColor& color) const {
        if (color == theme::green(window_->palette())) {
            return "green";
        }
        return color == theme::orange(window_->palette()) ? "orange" : color.name().toStdString();
    }

    // The status card as text: the symbol, the lines shown, each source with its dot's colour
    // (its "Open Setup" button is always there).
    std::vector<std::string> statusCard() {
        std::vector<std::string> lines;
        for (QObject* child : button(QStringLiteral("Open Setup"))->parent()->children()) {
            const auto* widget = qobject_cast<QWidget*>(child);
            if (widget == nullptr || !shown(widget)) {
                continue;
            }
            if (const auto* icon = qobject_cast<const SymbolCircle*>(widget)) {
                lines.push_back(icon->symbol().toStdString() + " " + colorName(icon->color()));
            } else if (const auto* badge = qobject_cast<const StatusBadge*>(widget)) {
                lines.push_back((badge->label() + " — " + badge->detail()).toStdString() + " (" +
                                colorName(badge->color()) + ")");
            } else if (const auto* label = qobject_cast<const QLabel*>(widget)) {
                lines.push_back(label->text().toStdString());
            }
        }
        return lines;
    }

    bool trayIconShown() {
        return x_.trayIcon(QGuiApplication::applicationDisplayName().toStdString()).isValid();
    }

    static std::unique_ptr<test::TrayHost> tray_;
    test::X11TestClient x_;
    test::DesktopApp<FakeAccessibilityCheck> desktop_{true};
    AppDelegate& app_ = desktop_.app;
    FakeAccessibilityCheck& accessibility_ = desktop_.accessibility;
    FakeFileReveal& reveal_ = desktop_.reveal;
    AppWindow* window_ = nullptr;
};

std::unique_ptr<test::TrayHost> SettingsWindowTest::tray_;

// The card follows the permissions, Mail detection, the Mail folder and the notification source
// while the window is open; the Mail and notification lines are there only while their
// detection is on. Without a Messages database, it speaks of message access, which readable
// notifications give.
TEST_F(SettingsWindowTest, StatusCardFollowsPermissionsAndSources) {
    auto& preferences = AppStateManager::shared();
    const auto mailFolder = paths::mailDirectory() / "V10";
    const auto notificationDetection = [&](bool enabled) {
        preferences.setNotificationDetectionEnabled(enabled);
        app_.updateNotificationManager();
    };
    struct Case {
        std::function<void()> prepare;
        std::vector<std::string> card;
        bool mailCaptionSaysFound;
    };
    const Case cases[] = {
        {[&] {
             std::filesystem::create_directories(mailFolder);
             notificationDetection(false);
         },
         {"checkmark.circle.fill green", "Connected", "iMessage — chat.db readable (green)",
          "Permissions: Messages database access ✓  •  Key events ✓"},
         true},
        {[&] {
             std::filesystem::remove_all(paths::mailDirectory());
             std::filesystem::remove(paths::messagesDatabase());
             accessibility_.setAllowed(false);
             preferences.setEmailDetectionEnabled(true);
         },
         {"exclamationmark.triangle.fill orange", "Message access required",
          "Apple Mail — Mail not set up yet (orange)",
          "Permissions: Message access missing  •  Key events not available on this desktop"},
         false},
        {[&] { notificationDetection(true); },
         {"checkmark.circle.fill green", "Connected", "Apple Mail — Mail not set up yet (orange)",
          "Desktop notifications — reading notifications (green)",
          "Permissions: Message access ✓  •  Key events not available on this desktop"},
         false},
        // Every source readable, on a desktop that asked the user before Nabbit may type (the
        // remote desktop portal) and was refused.
        {[&] {
             test::createChatDatabase();
             std::filesystem::create_directories(mailFolder);
             accessibility_.setNeedsConsent(true);
             accessibility_.setRefused(true);
         },
         {"checkmark.circle.fill green", "Connected", "iMessage — chat.db readable (green)",
          "Apple Mail — Envelope Index readable (green)",
          "Desktop notifications — reading notifications (green)",
          "Permissions: Messages database access ✓  •  Key events refused"},
         true},
    };
    const auto captionsSay = [&](bool mailFound, bool accessibility) {
        return row(QStringLiteral("Detect codes from Apple Mail"))
                       ->caption()
                       .startsWith(QStringLiteral("Scans incoming emails")) == mailFound &&
               row(QStringLiteral("Auto-paste codes"))
                       ->caption()
                       .startsWith(QStringLiteral("Paste detected")) == accessibility;
    };
    for (const auto& each : cases) {
        each.prepare();
        const bool accessibility = accessibility_.syntheticKeyEventsAllowed();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                return statusCard() == each.card &&
                       captionsSay(each.mailCaptionSaysFound, accessibility);
            },
            2000))
            << ::testing::PrintToString(statusCard());
    }
}

// Where the desktop asks the user before Nabbit may type, switching auto-paste on (here or in
// the tray menu) is when it asks, once per switching on; the caption says what is awaited.
TEST_F(SettingsWindowTest, SwitchingAutoPasteOnAsksForConsentWhereTheDesktopWantsIt) {
    accessibility_.setAllowed(false);
    accessibility_.setNeedsConsent(true);
    AppStateManager::shared().setAutoPasteEnabled(false);
    ToggleSwitch* autoPaste = toggle(QStringLiteral("Auto-paste codes"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return !autoPaste->isChecked() && row(QStringLiteral("Auto-paste codes"))
                                                  ->caption()
                                                  .startsWith(QStringLiteral("Needs your consent"));
        },
        2000));
    click(autoPaste);
    EXPECT_EQ(stored(keys::autoPasteEnabled), "true");
    EXPECT_EQ(accessibility_.requests(), 1);
    click(autoPaste);  // off: nothing to ask
    EXPECT_EQ(accessibility_.requests(), 1);
    app_.onPressAutoPaste();  // on, from the tray menu
    EXPECT_EQ(accessibility_.requests(), 2);
    AppStateManager::shared().setAutoPasteEnabled(false);
}

// A held Alt+F4 or a double click on the close button closes a window twice: the second close
// finds it already let go and does nothing, whichever window it is, and it opens again.
TEST_F(SettingsWindowTest, ClosingAWindowTwiceIsHarmless) {
    struct Case {
        const char* name;
        std::function<void()> open;
        std::function<AppWindow*()> window;
    };
    const Case cases[] = {
        {"settings", [&] { app_.openMainWindow(); }, [&] { return app_.mainWindow(); }},
        {"setup", [&] { app_.openOnboardingWindow(); }, [&] { return app_.onboardingWindow(); }},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.name);
        each.open();
        QCoreApplication::processEvents();  // the opening is queued
        ASSERT_TRUE(QTest::qWaitFor([&] { return each.window() != nullptr; }, 5000));
        QPointer<AppWindow> window = each.window();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        window->close();
        window->close();
        EXPECT_EQ(each.window(), nullptr);
        EXPECT_TRUE(QTest::qWaitFor([&] { return window.isNull(); }, 2000));
        each.open();
        QCoreApplication::processEvents();
        ASSERT_TRUE(QTest::qWaitFor([&] { return each.window() != nullptr; }, 5000));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(each.window()));
        each.window()->close();
    }
    EXPECT_FALSE(app_.mainWindowState().isRefreshing());
}

TEST_F(SettingsWindowTest, RecentCodesAreNewestFirstAndAClickCopiesWithoutARestore) {
    AppStateManager::shared().setRestoreContentsDelayTime(1);
    // A first publication is recorded, not delivered.
    app_.delivery().handleMessagesUpdate(
        {entry(1, "acme", "111111"), entry(2, std::nullopt, "222222"), entry(3, "bank", "333333")});
    const auto listed = [&] {
        std::vector<std::string> codes;
        for (const auto* each : codeRows()) {
            codes.push_back(each->entry().otp.code + " " +
                            each->accessibleDescription().toStdString());
        }
        return codes;
    };
    const std::vector<std::string> expected{"333333 bank", "222222 Unknown service", "111111 acme"};
    ASSERT_TRUE(QTest::qWaitFor([&] { return listed() == expected; }, 2000))
        << ::testing::PrintToString(listed());

    test::writeClipboardElsewhere("text copied before");
    click(codeRows()[1]);
    EXPECT_EQ(test::readClipboard(), "222222");
    QTest::qWait(1600);  // past the restore delay: nothing is put back
    EXPECT_EQ(test::readClipboard(), "222222");
}

TEST_F(SettingsWindowTest, DebugLogButtonsComeWithLoggingAndClearLogLeavesHeaderAndEntry) {
    DebugLogger::shared().clearLog();
    QPushButton* clear = button(QStringLiteral("Clear Log"));
    QPushButton* open = button(QStringLiteral("Open Log in File Manager"));
    EXPECT_FALSE(shown(clear));
    EXPECT_FALSE(shown(open));

    click(toggle(QStringLiteral("Debug logging")));
    EXPECT_EQ(stored(keys::debugLoggingEnabled), "true");
    EXPECT_TRUE(shown(clear));
    EXPECT_TRUE(shown(open));

    DebugLogger::shared().log("Something from before", "SYNC");
    click(clear);
    EXPECT_EQ(test::debugLogMessages(), std::vector<std::string>{"Debug log cleared by user"});

    click(open);
    const std::vector<FakeFileReveal::Request> revealed{
        {FakeFileReveal::Action::revealFile, *DebugLogger::shared().logFileURL()}};
    EXPECT_EQ(reveal_.requests(), revealed);
    AppStateManager::shared().setDebugLoggingEnabled(false);
}

TEST_F(SettingsWindowTest, HidingTheMenuBarIconHidesTheTrayIcon) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return trayIconShown(); }, 5000));
    click(toggle(QStringLiteral("Show menu bar icon")));
    EXPECT_EQ(stored(keys::menuBarIconVisible), "false");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !trayIconShown(); }, 5000));

    click(toggle(QStringLiteral("Show menu bar icon")));
    EXPECT_EQ(stored(keys::menuBarIconVisible), "true");
    EXPECT_TRUE(QTest::qWaitFor([&] { return trayIconShown(); }, 5000));
}

// `nabbit defaults write` in a terminal while the window is open.
TEST_F(SettingsWindowTest, APreferenceWrittenByAnotherProcessShowsWithinASecond) {
    // Desktop notifications take the overlay's place: its rows go.
    const SettingRow* overlay = row(QStringLiteral("Show overlay when a code is copied"));
    const SettingRow* position = row(QStringLiteral("Overlay position"));
    ASSERT_TRUE(shown(overlay) && shown(position));
    QProcess defaults;
    defaults.start(QStringLiteral(NABBIT_BIN_DIR "/nabbit"),
                   {"defaults", "write", "com.nabbit.app.useNativeNotifications", "-bool", "true"});
    ASSERT_TRUE(defaults.waitForFinished(10'000));
    ASSERT_EQ(defaults.exitCode(), 0) << defaults.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !shown(overlay) && !shown(position); }, 1000));
}

TEST_F(SettingsWindowTest, EveryControlIsReachedWithTabInReadingOrderAndWorksFromTheKeyboard) {
    AppStateManager::shared().setDebugLoggingEnabled(true);
    app_.delivery().handleMessagesUpdate({entry(1, "acme", "111111"), entry(2, "bank", "222222")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return codeRows().size() == 2; }, 2000));
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));

    QWidget* first = button(QStringLiteral("Open Setup"));
    first->setFocus(Qt::TabFocusReason);
    // The names in the order Tab reaches them, back to the first.
    const std::string expected =
        "Open Setup, Copy code 222222, Copy code 111111, Send Test Notification, "
        "Resync Messages, Use desktop notifications, Show overlay when a code is copied, "
        "Overlay position, Detect codes from Apple Mail, Detect codes from desktop notifications, "
        "Ignored apps, Mark messages as read after copying, "
        "Auto-paste codes, Global resync shortcut (Ctrl+Shift+E), "
        "Restore clipboard after copying a code, Open Nabbit at login, Debug logging, "
        "Open Log in File Manager, Clear Log, Automatically download updates, Check Now, "
        "Show menu bar icon, Restart, Quit Nabbit, Open Setup";
    std::string reached = QApplication::focusWidget()->accessibleName().toStdString();
    while (reached.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached += ", " + QApplication::focusWidget()->accessibleName().toStdString();
    }
    EXPECT_EQ(reached, expected);

    // Space and Enter flip a switch.
    ToggleSwitch* markAsRead = toggle(QStringLiteral("Mark messages as read after copying"));
    markAsRead->setFocus(Qt::TabFocusReason);
    QTest::keyClick(markAsRead, Qt::Key_Space);
    EXPECT_EQ(stored(keys::markAsReadEnabled), "true");
    QTest::keyClick(markAsRead, Qt::Key_Return);
    EXPECT_EQ(stored(keys::markAsReadEnabled), "false");
    // The ignore list is typed as names separated by commas, and stored tidy.
    auto* ignored = qobject_cast<QLineEdit*>(row(QStringLiteral("Ignored apps"))->trailing());
    ASSERT_NE(ignored, nullptr);
    ignored->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(ignored, QStringLiteral(" Signal,, org.example.Chat ,Signal"));
    QTest::keyClick(ignored, Qt::Key_Return);
    EXPECT_EQ(PreferencesStore().stringListValue(keys::ignoredNotificationApps),
              (std::vector<std::string>{"Signal", "org.example.Chat"}));
    EXPECT_EQ(ignored->text(), QStringLiteral("Signal, org.example.Chat"));

    // Arrows pick a restore delay and, as in the tray menu, it decides whether Ctrl+V is
    // watched: "Disabled" lets go of the keys, any delay watches them again.
    ASSERT_TRUE(app_.delivery().isMonitoringPasteKeys());  // 5 s, the default
    QComboBox* delay = picker(QStringLiteral("Restore clipboard after copying a code"));
    delay->setFocus(Qt::TabFocusReason);
    QTest::keyClick(delay, Qt::Key_Home);
    EXPECT_EQ(stored(keys::restoreContentsDelayTime), "0");
    EXPECT_FALSE(app_.delivery().isMonitoringPasteKeys());
    QTest::keyClick(delay, Qt::Key_End);
    EXPECT_EQ(stored(keys::restoreContentsDelayTime), "20");
    EXPECT_TRUE(app_.delivery().isMonitoringPasteKeys());

    // Escape does not close the window.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTest::qWait(200);
    EXPECT_TRUE(window_->isVisible());
    AppStateManager::shared().setDebugLoggingEnabled(false);
}

}  // namespace
}  // namespace nabbit
