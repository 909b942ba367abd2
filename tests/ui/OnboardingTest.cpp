// The setup window for real: opened by the application object under Xvfb and driven with mouse
// and key events, while the Messages database becomes readable underneath it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <stdexcept>

#include <sys/fsuid.h>
#include <unistd.h>

#include "FixtureDatabases.h"
#include "TestHome.h"
#include "app/AppDelegate.h"
#include "app/AppWindow.h"
#include "core/Paths.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"
#include "platform/fake/FakeAccessibilityCheck.h"
#include "platform/fake/FakeFileReveal.h"
#include "platform/freedesktop/DBusNotificationMonitor.h"
#include "platform/freedesktop/FreedesktopNotifications.h"
#include "platform/freedesktop/ProcessRelauncher.h"
#include "platform/freedesktop/XdgAutostartLoginItem.h"
#include "platform/x11/X11Clipboard.h"
#include "platform/x11/X11GlobalShortcut.h"
#include "platform/x11/X11KeySynthesis.h"
#include "platform/x11/X11PasteKeyMonitor.h"
#include "ui/WidgetViewFactory.h"

namespace nabbit {
namespace {

namespace fs = std::filesystem;

// Root reads every file whatever its mode. So that a file's mode decides what Nabbit may read,
// the main thread, where the permission checks run, accesses files as an ordinary user (and
// group) while this object lives.
class OrdinaryUserFileAccess {
  public:
    static constexpr uid_t nobody = 65534;
    static constexpr gid_t nogroup = 65534;

    OrdinaryUserFileAccess() : root_(::geteuid() == 0) {
        if (root_) {
            ::setfsgid(nogroup);
            ::setfsuid(nobody);
        }
    }
    ~OrdinaryUserFileAccess() {
        if (root_) {
            ::setfsuid(0);
            ::setfsgid(0);
        }
    }
    OrdinaryUserFileAccess(const OrdinaryUserFileAccess&) = delete;
    OrdinaryUserFileAccess& operator=(const OrdinaryUserFileAccess&) = delete;

    // Changes a mode as the file's owner.
    void chmod(const fs::path& path, fs::perms perms) const {
        if (root_) {
            ::setfsuid(0);
        }
        fs::permissions(path, perms);
        if (root_) {
            ::setfsuid(nobody);
        }
    }

  private:
    bool root_;
};

constexpr auto readable =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;

std::optional<std::string> stored(std::string_view key) {
    return PreferencesStore().value(key);
}

class OnboardingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::remove(paths::preferencesFile());
        fs::remove_all(paths::home() / "Library");
    }

    void openSetup() {
        app_.openOnboardingWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return app_.onboardingWindow() != nullptr; }, 5000));
        window_ = app_.onboardingWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    }

    // The control shown under this accessible name.
    QPushButton* button(const QString& name) {
        for (QPushButton* each : window_->findChildren<QPushButton*>()) {
            if (each->accessibleName() == name && each->isVisibleTo(window_)) {
                return each;
            }
        }
        throw std::runtime_error("no button shown named " + name.toStdString());
    }
    bool buttonShown(const QString& name) {
        const auto all = window_->findChildren<QPushButton*>();
        return std::any_of(all.begin(), all.end(), [&](const QPushButton* each) {
            return each->accessibleName() == name && each->isVisibleTo(window_);
        });
    }
    bool labelShown(const QString& text) {
        const auto all = window_->findChildren<QLabel*>();
        return std::any_of(all.begin(), all.end(), [&](const QLabel* each) {
            return each->text() == text && each->isVisibleTo(window_);
        });
    }

    X11Clipboard clipboard_;
    X11KeySynthesis keys_;
    X11PasteKeyMonitor monitor_;
    X11GlobalShortcut shortcut_;
    FreedesktopNotifications notifications_;
    FakeAccessibilityCheck accessibility_{false};
    FakeFileReveal reveal_;
    XdgAutostartLoginItem loginItem_{"/usr/bin/nabbit"};
    ProcessRelauncher relauncher_;
    WidgetViewFactory views_;
    AppDelegate app_{{clipboard_, keys_, monitor_, shortcut_, notifications_, accessibility_,
                      reveal_, loginItem_, relauncher_, views_, [](const std::string&) {},
                      [] { return std::make_unique<DBusNotificationMonitor>(); }}};
    AppWindow* window_ = nullptr;
};

// "Next" only once the Messages database can be read; the page turns live, without "Refresh
// Status", when its mode changes.
TEST_F(OnboardingTest, NextOnlyWithAReadableDatabaseTurningLiveWhenItBecomesReadable) {
    const fs::path database = test::createChatDatabase();
    // The way to the database is open to every user; the database's own mode decides.
    for (const auto& folder :
         {paths::home(), paths::home() / "Library", paths::messagesDirectory()}) {
        fs::permissions(folder, fs::perms::others_exec, fs::perm_options::add);
    }
    fs::permissions(database, fs::perms::none);
    const OrdinaryUserFileAccess access;
    openSetup();

    EXPECT_TRUE(buttonShown("Close"));
    EXPECT_FALSE(buttonShown("Next"));
    EXPECT_TRUE(labelShown("Grant Full Disk Access to continue"));
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));
    button("Grant Access: Full Disk Access")->setFocus(Qt::TabFocusReason);
    std::vector<std::string> reached;
    for (int i = 0; i < 5; ++i) {
        reached.push_back(QApplication::focusWidget()->accessibleName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(reached,
              (std::vector<std::string>{"Grant Access: Full Disk Access",
                                        "Grant Access: Accessibility (optional)", "Refresh Status",
                                        "Close", "Grant Access: Full Disk Access"}));

    // "Grant Access" shows the folder that holds the database.
    QTest::keyClick(button("Grant Access: Full Disk Access"), Qt::Key_Space);
    const std::vector<FakeFileReveal::Request> opened{
        {FakeFileReveal::Action::openFolder, paths::messagesDirectory()}};
    EXPECT_EQ(reveal_.requests(), opened);

    QTest::qWait(700);  // the checks go on, and the database is still unreadable
    EXPECT_TRUE(buttonShown("Close"));

    access.chmod(database, readable);
    QElapsedTimer elapsed;
    elapsed.start();
    // Half a second, plus the slack of an event loop on a busy machine.
    EXPECT_TRUE(QTest::qWaitFor([&] { return buttonShown("Next"); }, 750));
    EXPECT_LE(elapsed.elapsed(), 750);
    EXPECT_TRUE(labelShown("Ready to go. Skip Accessibility for now if you want."));
    EXPECT_FALSE(buttonShown("Grant Access: Full Disk Access"));

    accessibility_.setAllowed(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return labelShown("All permissions granted"); }, 750));
    EXPECT_FALSE(buttonShown("Grant Access: Accessibility (optional)"));
}

TEST_F(OnboardingTest, CloseLeavesSetupIncomplete) {
    PreferencesStore().setString(keys::currentOnboardingStep, "iMessagePermissions");
    openSetup();
    QTest::mouseClick(button("Close"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app_.onboardingWindow() == nullptr; }, 2000));
    EXPECT_EQ(stored(keys::hasSetup), std::nullopt);
    EXPECT_EQ(stored(keys::currentOnboardingStep), "iMessagePermissions");
    QTest::qWait(300);
    EXPECT_EQ(app_.mainWindow(), nullptr);
}

// From the keyboard: Enter on "Next", then Space on "Got it, let's go!", which has the focus.
TEST_F(OnboardingTest, CompletionRecordsSetupClosesTheWindowThenOpensTheSettingsWindow) {
    test::createChatDatabase();
    PreferencesStore().setString(keys::currentOnboardingStep, "featureOverview");
    openSetup();
    bool mainWindowAtClose = true;
    QObject::connect(window_, &AppWindow::willClose,
                     [&] { mainWindowAtClose = app_.mainWindow() != nullptr; });
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_));

    QTest::keyClick(button("Next"), Qt::Key_Return);
    ASSERT_TRUE(buttonShown("Got it, let's go!"));
    EXPECT_FALSE(buttonShown("Next"));
    EXPECT_EQ(QApplication::focusWidget(), button("Got it, let's go!"));
    EXPECT_EQ(stored(keys::hasSetup), std::nullopt);

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_EQ(stored(keys::hasSetup), "true");
    EXPECT_EQ(stored(keys::currentOnboardingStep), std::nullopt);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app_.onboardingWindow() == nullptr; }, 2000));
    EXPECT_FALSE(mainWindowAtClose);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return app_.mainWindow() != nullptr && app_.mainWindow()->isVisible(); }, 2000));
}

// Without a Messages database, setup asks for message access: the desktop's notifications,
// switched on by "Grant Access", let the user finish.
TEST_F(OnboardingTest, WithoutAMessagesDatabaseReadableNotificationsCompleteSetup) {
    PreferencesStore().setBool(keys::notificationDetectionEnabled, false);
    openSetup();
    EXPECT_FALSE(buttonShown("Grant Access: Full Disk Access"));
    EXPECT_TRUE(labelShown("Grant Message access to continue"));
    EXPECT_TRUE(buttonShown("Close"));

    QTest::mouseClick(button("Grant Access: Message access"), Qt::LeftButton);
    EXPECT_EQ(stored(keys::notificationDetectionEnabled), "true");
    ASSERT_TRUE(QTest::qWaitFor([&] { return buttonShown("Next"); }, 1000));
    EXPECT_FALSE(buttonShown("Grant Access: Message access"));
    QTest::mouseClick(button("Next"), Qt::LeftButton);
    QTest::mouseClick(button("Got it, let's go!"), Qt::LeftButton);
    EXPECT_EQ(stored(keys::hasSetup), "true");
}

}  // namespace
}  // namespace nabbit
