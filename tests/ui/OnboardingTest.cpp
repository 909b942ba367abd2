// The setup window for real: opened by the application object under Xvfb and driven with mouse
// and key events, while the Messages database becomes readable underneath it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <stdexcept>

#include "DesktopApp.h"
#include "FixtureDatabases.h"
#include "PermissionBits.h"
#include "app/AppWindow.h"
#include "core/Paths.h"
#include "core/PreferenceKeys.h"
#include "core/PreferencesStore.h"
#include "platform/fake/FakeAccessibilityCheck.h"
#include "platform/freedesktop/DBusNotificationMonitor.h"

namespace nabbit {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> stored(std::string_view key) {
    return PreferencesStore().value(key);
}

class OnboardingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        desktop_.makeNotificationMonitor = [] {
            return std::make_unique<DBusNotificationMonitor>();
        };
        fs::remove(paths::preferencesFile());
        fs::remove_all(paths::home() / "Library");
    }

    void openSetup() {
        app_.openOnboardingWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return app_.onboardingWindow() != nullptr; }, 5000));
        window_ = app_.onboardingWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    }

    // The button shown under this accessible name, or null.
    QPushButton* shownButton(const QString& name) {
        for (QPushButton* each : window_->findChildren<QPushButton*>()) {
            if (each->accessibleName() == name && each->isVisibleTo(window_)) {
                return each;
            }
        }
        return nullptr;
    }
    bool buttonShown(const QString& name) { return shownButton(name) != nullptr; }
    QPushButton* button(const QString& name) {
        if (QPushButton* shown = shownButton(name)) {
            return shown;
        }
        throw std::runtime_error("no button shown named " + name.toStdString());
    }
    bool labelShown(const QString& text) {
        const auto all = window_->findChildren<QLabel*>();
        return std::any_of(all.begin(), all.end(), [&](const QLabel* each) {
            return each->text() == text && each->isVisibleTo(window_);
        });
    }

    test::DesktopApp<FakeAccessibilityCheck> desktop_{false};
    AppDelegate& app_ = desktop_.app;
    FakeAccessibilityCheck& accessibility_ = desktop_.accessibility;
    FakeFileReveal& reveal_ = desktop_.reveal;
    AppWindow* window_ = nullptr;
};

// "Next" only once the Messages database can be read; the page turns live, without "Refresh
// Status", when its mode changes.
TEST_F(OnboardingTest, NextOnlyWithAReadableDatabaseTurningLiveWhenItBecomesReadable) {
    const fs::path database = test::createChatDatabase();
    fs::permissions(database, fs::perms::none);
    const test::ObeyPermissionBits asAUser;  // root would read it all the same
    openSetup();

    EXPECT_TRUE(buttonShown("Close"));
    EXPECT_FALSE(buttonShown("Next"));
    EXPECT_TRUE(labelShown("Grant access to the Messages database to continue"));

    // "Grant Access" shows the folder that holds the database.
    QTest::mouseClick(button("Grant Access: Messages Database"), Qt::LeftButton);
    const std::vector<FakeFileReveal::Request> opened{
        {FakeFileReveal::Action::openFolder, paths::messagesDirectory()}};
    EXPECT_EQ(reveal_.requests(), opened);

    // The checks go on, and the database is still unreadable: nothing changed, nothing logged.
    ::testing::internal::CaptureStderr();
    QTest::qWait(1200);
    const std::string logged = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(logged.find("Permissions checked"), std::string::npos) << logged;
    EXPECT_EQ(logged.find("[Nabbit] Checking"), std::string::npos) << logged;
    EXPECT_TRUE(buttonShown("Close"));

    fs::permissions(database, fs::perms::owner_read | fs::perms::owner_write);
    // Half a second, plus the slack of an event loop on a busy machine.
    EXPECT_TRUE(QTest::qWaitFor([&] { return buttonShown("Next"); }, 750));
    EXPECT_TRUE(labelShown("Ready to go. Skip key events for now if you want."));
    EXPECT_FALSE(buttonShown("Grant Access: Messages Database"));

    // Refused where the desktop asks the user: the row asks again.
    accessibility_.setRefused(true);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return labelShown("Ready to go. Key events were refused."); }, 750));
    QTest::mouseClick(button("Ask Again: Key Events (optional)"), Qt::LeftButton);
    EXPECT_EQ(accessibility_.requests(), 1);

    accessibility_.setAllowed(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return labelShown("All permissions granted"); }, 750));
    EXPECT_FALSE(buttonShown("Grant Access: Key Events (optional)"));
}

TEST_F(OnboardingTest, CloseLeavesSetupIncompleteCompletionRecordsItAndOpensTheSettings) {
    PreferencesStore().setString(keys::currentOnboardingStep, "iMessagePermissions");
    openSetup();
    QTest::mouseClick(button("Close"), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return app_.onboardingWindow() == nullptr; }, 2000));
    EXPECT_EQ(stored(keys::hasSetup), std::nullopt);
    EXPECT_EQ(stored(keys::currentOnboardingStep), "iMessagePermissions");
    QTest::qWait(300);
    EXPECT_EQ(app_.mainWindow(), nullptr);

    // From the keyboard: Enter on "Next", then Space on "Got it, let's go!", which has the focus.
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
    EXPECT_FALSE(buttonShown("Grant Access: Messages Database"));
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
