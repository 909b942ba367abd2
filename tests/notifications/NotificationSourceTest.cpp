// The notification source for real: notifications sent on a private session bus by other
// connections, in each of the three ways programs send them, read by the monitor and the
// parser; then the nabbit program itself, under Xvfb, beside a bus that refuses monitoring and
// as `nabbit watch`. (Their codes reaching the clipboard is the desktop program test's.)
#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include <filesystem>

#include "DesktopSession.h"
#include "FixtureDatabases.h"
#include "NotificationSender.h"
#include "PrivateBus.h"
#include "StandInNotificationService.h"
#include "X11TestClient.h"
#include "core/AppStateManager.h"
#include "core/PreferencesStore.h"
#include "parser/SimpleOTPParser.h"
#include "platform/freedesktop/DBusNotificationMonitor.h"
#include "platform/freedesktop/FreedesktopNotifications.h"
#include "sources/notifications/NotificationManager.h"
#include "sources/notifications/NotificationText.h"
#include "tools/nabbit-simulate/ChatDatabaseWriter.h"

namespace nabbit {
namespace {

TEST(NotificationText, MarkupIsRemovedAndEntitiesDecoded) {
    struct Case {
        std::string summary, body;
        bool markup;
        std::string text;
    };
    const Case cases[] = {
        {"", "<I>Acme</I>: <u>code</u> <a href=\"https://a.example/?x=1&amp;y=2\">here</a>", true,
         "Acme: code here"},
        {"Mail", "Tom &amp; Jerry &lt;code&gt; &quot;1234&quot; &#55;&#x38;&apos;", true,
         "Mail\nTom & Jerry <code> \"1234\" 78'"},
        {"S", "line<br>two<BR/>three <img src=\"x.png\" alt=\"pic\"/>end", true,
         "S\nline\ntwo\nthree end"},
        // Not markup: kept as written.
        {"S", "a < b > c <span>x</span> &unknown; &#0; &#xD800; & lone", true,
         "S\na < b > c <span>x</span> &unknown; &#0; &#xD800; & lone"},
        // Plain bodies are not unescaped.
        {"GSConnect", "Use <b>123456</b> &amp; go", false, "GSConnect\nUse <b>123456</b> &amp; go"},
        {"  ", "  \n body \n ", false, "body"},
        {"Bad", std::string("caf\xC3") + "\xFF!", false, "Bad\ncaf\xEF\xBF\xBD\xEF\xBF\xBD!"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.body);
        EXPECT_EQ(notificationText(each.summary, each.body, each.markup), each.text);
    }
    const std::string longBody(3 * maximumNotificationTextBytes, 'x');
    EXPECT_EQ(notificationText("S", longBody, true).size(), maximumNotificationTextBytes);
    // Cut at a character boundary, never inside one.
    std::string wide;
    while (wide.size() < 2 * maximumNotificationTextBytes) {
        wide += "\xE2\x82\xAC";  // €
    }
    const auto cut = notificationText("", wide, false);
    EXPECT_LE(cut.size(), maximumNotificationTextBytes);
    EXPECT_EQ(cut.size() % 3, 0U);
}

using test::NotificationSender;

class NotificationSourceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        AppStateManager::shared().setIgnoredNotificationApps({});
        ASSERT_TRUE(service_.registered());
        manager_.start();
        ASSERT_EQ(manager_.state(), NotificationManager::State::monitoring);
    }
    void TearDown() override { manager_.stop(); }

    const CodeEntries& entries() const { return manager_.messages().entries(); }
    bool waitForEntries(std::size_t count) {
        return QTest::qWaitFor([&] { return entries().size() >= count; }, 5000);
    }
    // Everything sent before it has been read once this notification is.
    void sendMarkerAndWait() {
        const auto before = entries().size();
        marker_.notify(QStringLiteral("Marker"), QStringLiteral("Marker"),
                       QStringLiteral("Marker code: ") + QString::number(++markers_ + 700000));
        ASSERT_TRUE(waitForEntries(before + 1));
        ASSERT_EQ(entries().back().message.handle, "Marker");
    }
    // The handles of the entries other than the markers.
    std::vector<std::string> handles() const {
        std::vector<std::string> result;
        for (const auto& entry : entries()) {
            if (entry.message.handle != "Marker") {
                result.push_back(entry.message.handle);
            }
        }
        return result;
    }

    test::StandInNotificationService service_;
    NotificationSender sender_{QStringLiteral("sender")};
    NotificationSender marker_{QStringLiteral("marker")};
    int markers_ = 0;
    NotificationManager manager_{std::make_shared<const SimpleOTPParser>(),
                                 std::make_unique<DBusNotificationMonitor>()};
};

TEST_F(NotificationSourceTest, EachWayOfSendingGivesAnEntryNamedAfterItsApplication) {
    const auto program = std::filesystem::read_symlink("/proc/self/exe").filename().string();
    struct Case {
        std::function<void()> send;
        std::string handle, text, code;
    };
    const Case cases[] = {
        {[&] {
             sender_.notify(QStringLiteral("KDE Connect"), QStringLiteral("+1 555 0100"),
                            QStringLiteral("<b>G-482913</b> is your Google verification code."));
         },
         "KDE Connect", "+1 555 0100\nG-482913 is your Google verification code.", "482913"},
        {[&] {
             sender_.gtk(QStringLiteral("org.gnome.Shell.Extensions.GSConnect"),
                         QStringLiteral("sms-1"), QStringLiteral("Acme"),
                         QStringLiteral("Your Acme code is 551204"));
         },
         "org.gnome.Shell.Extensions.GSConnect", "Acme\nYour Acme code is 551204", "551204"},
        {[&] {
             sender_.portal(QStringLiteral("n1"), QStringLiteral("Signal"),
                            QStringLiteral("Your verification code: 308112"));
         },
         program, "Signal\nYour verification code: 308112", "308112"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.handle);
        const auto before = entries().size();
        each.send();
        ASSERT_TRUE(waitForEntries(before + 1));
        const auto& entry = entries().back();
        EXPECT_EQ(entry.message.handle, each.handle);
        EXPECT_EQ(entry.message.text, each.text);
        EXPECT_EQ(entry.otp.code, each.code);
    }
}

TEST_F(NotificationSourceTest, OwnAndIgnoredApplicationsAreNotRead) {
    AppStateManager::shared().setIgnoredNotificationApps({"Signal", " org.example.Chat "});
    // Nabbit's own announcement of a copied code, from this process and as another would send
    // it.
    FreedesktopNotifications own;
    bool answered = false;
    own.send("2FA Code Copied", "Your code is 123456", [&](const auto&) { answered = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return answered; }, 5000));
    sender_.notify(QStringLiteral("Nabbit"), QStringLiteral("2FA Code Copied"),
                   QStringLiteral("Your code is 123456"));
    sender_.notify(QStringLiteral("signal"), QStringLiteral("Bank"),
                   QStringLiteral("Your code is 654321"));
    sender_.gtk(QStringLiteral("org.example.Chat"), QStringLiteral("1"), QStringLiteral("Bank"),
                QStringLiteral("Your code is 777111"));
    sendMarkerAndWait();
    EXPECT_TRUE(handles().empty());
    // Off the list, the same application is read again.
    AppStateManager::shared().setIgnoredNotificationApps({});
    sender_.notify(QStringLiteral("Signal"), QStringLiteral("Bank"),
                   QStringLiteral("Your code is 654321"));
    sendMarkerAndWait();
    EXPECT_EQ(handles(), std::vector<std::string>{"Signal"});
}

// Updates through replaces_id or the same id are read only when their text changed; a new
// notification with the same text is read again (the delivery copies its code once while it is
// still on the clipboard, and again once the clipboard was restored).
TEST_F(NotificationSourceTest, UpdatesOfOneTextGiveOneEntryNewNotificationsAnother) {
    const QString app = QStringLiteral("KDE Connect");
    const QString sms = QStringLiteral("Your Acme code is 120034");
    const uint id = sender_.notify(app, QStringLiteral("Acme"), sms);
    ASSERT_NE(id, 0U);
    for (int update = 0; update < 10; ++update) {
        EXPECT_EQ(sender_.notify(app, QStringLiteral("Acme"), sms, id), id);
    }
    for (int update = 0; update < 10; ++update) {
        sender_.gtk(QStringLiteral("org.example.Sms"), QStringLiteral("sms-7"),
                    QStringLiteral("Acme"), sms);
    }
    sendMarkerAndWait();
    EXPECT_EQ(handles(), (std::vector<std::string>{"KDE Connect", "org.example.Sms"}));
    // A changed text in the same slot is read.
    sender_.notify(app, QStringLiteral("Acme"), QStringLiteral("Your Acme code is 990077"), id);
    sendMarkerAndWait();
    EXPECT_EQ(handles().size(), 3U);

    const QString mail = QStringLiteral("Your login code is 246810");
    sender_.notify(QStringLiteral("Thunderbird"), QStringLiteral("Login"), mail);
    sender_.notify(QStringLiteral("Thunderbird"), QStringLiteral("Login"), mail);
    sendMarkerAndWait();
    EXPECT_EQ(handles(), (std::vector<std::string>{"KDE Connect", "org.example.Sms", "KDE Connect",
                                                   "Thunderbird", "Thunderbird"}));
}

// A bus that goes away ends the monitoring; once it is back, the monitor connects again by
// itself and notifications sent there are read.
TEST(NotificationReconnect, TheMonitorWatchesAgainWhenTheBusComesBack) {
    test::PrivateBus bus;
    NotificationManager manager(std::make_shared<const SimpleOTPParser>(),
                                std::make_unique<DBusNotificationMonitor>(bus.address()));
    manager.start();
    ASSERT_EQ(manager.state(), NotificationManager::State::monitoring)
        << manager.unavailableReason();

    // Back only after the monitor's first tries failed.
    bus.stop();
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return manager.state() == NotificationManager::State::unavailable; }, 5000));
    QTest::qWait(2500);
    ASSERT_TRUE(bus.start());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return manager.state() == NotificationManager::State::monitoring; }, 10'000));

    NotificationSender phone(QStringLiteral("phone"), bus.address());
    ASSERT_TRUE(phone.connected());
    phone.notify(QStringLiteral("KDE Connect"), QStringLiteral("Acme"),
                 QStringLiteral("Your Acme code is 402600"));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto& entries = manager.messages().entries();
            return !entries.empty() && entries.back().otp.code == "402600";
        },
        5000));
    manager.stop();
}

// A home that finished setup, with the Messages database or without one.
std::unique_ptr<test::TempDir> setUpHome(bool messagesDatabase) {
    auto home = std::make_unique<test::TempDir>();
    if (messagesDatabase) {
        test::createDatabaseFromFixture(home->path() / "Library/Messages/chat.db", "chat-db.sql");
    }
    const PreferencesStore preferences(home->path() / ".config/nabbit/nabbit.conf");
    preferences.setBool("com.nabbit.app.hasSetup", true);
    // No restores: each code stays on the clipboard for the next check.
    preferences.setInteger("com.nabbit.app.restoreContentsDelayTime", 0);
    return home;
}

// A bus that refuses monitoring is said once; Nabbit keeps running and reads Messages.
TEST(NotificationDesktop, ARefusingBusIsReportedOnceAndMessagesStillArrive) {
    test::PrivateBus bus(test::PrivateBus::Monitoring::refused);
    ASSERT_TRUE(bus.start());
    const auto home = setUpHome(true);
    test::NabbitProcess nabbit(home->path());
    auto environment = nabbit.process().processEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"),
                       QString::fromStdString(bus.address()));
    nabbit.process().setProcessEnvironment(environment);
    nabbit.start();
    ASSERT_TRUE(nabbit.waitForError("Running as accessory")) << nabbit.error().toStdString();

    auto writer = simulate::ChatDatabaseWriter::open(
        (home->path() / "Library/Messages/chat.db").string(), false);
    ASSERT_TRUE(writer);
    simulate::SimulatedMessage message;
    message.text = "Your Acme verification code is 582019";
    ASSERT_TRUE(writer->insert(message));
    EXPECT_TRUE(test::clipboardHolds("582019", 5000));
    EXPECT_EQ(nabbit.process().state(), QProcess::Running);
    EXPECT_EQ(nabbit.error().count("Desktop notifications cannot be read"), 1)
        << nabbit.error().toStdString();
}

// `nabbit watch --notifications` prints notification codes with their source.
TEST(NotificationDesktop, WatchPrintsNotificationEntries) {
    const auto home = setUpHome(false);
    test::NabbitProcess watch(home->path());
    watch.process().setArguments({QStringLiteral("watch"), QStringLiteral("--notifications")});
    watch.start();
    ASSERT_TRUE(watch.waitForError("watching desktop notifications"))
        << watch.error().toStdString();
    NotificationSender(QStringLiteral("mail"))
        .notify(QStringLiteral("Thunderbird"), QStringLiteral("Login"),
                QStringLiteral("Your login code is 246810"));
    QByteArray line;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            line += watch.process().readAllStandardOutput();
            return line.contains('\n');
        },
        5000));
    EXPECT_TRUE(line.startsWith(R"({"source":"notification","rowId":1,"guid":"notification-1",)"
                                R"("handle":"Thunderbird",)"))
        << line.toStdString();
    EXPECT_TRUE(line.contains(R"("code":"246810")")) << line.toStdString();
}

}  // namespace
}  // namespace nabbit
