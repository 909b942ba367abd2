// The real nabbit program on real headless Wayland desktops (sway, KWin, mutter), with its
// windows on XWayland as a desktop starts it: a code that arrives reaches Wayland programs'
// clipboard at once, whatever has the focus, and the previous text comes back after the
// delay unless something else was copied meanwhile.
#include <signal.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <functional>
#include <map>

#include "NabbitInSession.h"
#include "WaylandSession.h"

namespace nabbit {
namespace {

using test::Compositor;
using test::WaylandSession;

constexpr int kRestoreDelaySeconds = 2;

class WaylandDeliveryTest : public ::testing::TestWithParam<Compositor> {
  protected:
    static void TearDownTestSuite() { test::stopSharedSessions(); }

    void SetUp() override {
        const Compositor compositor = GetParam();
        std::string why;
        session_ = test::sharedSession(compositor, why, {.fakeInputClients = {}, .tray = true});
        if (session_ == nullptr) {
            GTEST_SKIP() << test::nameOf(compositor) << " cannot start here: " << why;
        }
        nabbit_ = std::make_unique<test::NabbitInSession>(*session_, kRestoreDelaySeconds);
        ASSERT_TRUE(nabbit_->start(why)) << why;
        // The route it took, named once at start.
        const QByteArray route =
            compositor == Compositor::mutter ? "Clipboard: X11" : "Clipboard: Wayland";
        EXPECT_EQ(nabbit_->errors().count("[Nabbit] Clipboard: "), 1)
            << nabbit_->errors().toStdString();
        EXPECT_TRUE(nabbit_->errors().contains(route)) << nabbit_->errors().toStdString();
    }

    void TearDown() override { nabbit_.reset(); }

    bool clipboardShows(const std::string& text, int timeoutMs) {
        return QTest::qWaitFor([&] { return session_->clipboardText(300) == text; }, timeoutMs);
    }

    // A message with `code` arrives; true when Wayland programs see the code within 1 s.
    bool codeArrives(const std::string& code) {
        if (!nabbit_->receiveMessage("Your Acme verification code is " + code)) {
            return false;
        }
        QElapsedTimer arrival;
        arrival.start();
        const bool shown = clipboardShows(code, 1000 * NABBIT_TEST_TIME_SCALE);
        EXPECT_TRUE(shown) << code << " not on the clipboard after " << arrival.elapsed()
                           << " ms; it holds " << session_->clipboardText(300).value_or("nothing")
                           << "\n"
                           << nabbit_->errors().toStdString();
        return shown;
    }

    // The app_id of the window sway's tree marks as focused.
    std::string swayFocusedAppId() {
        const auto tree = session_->run("swaymsg", {"-t", "get_tree", "--raw"});
        std::function<std::string(const QJsonObject&)> find = [&](const QJsonObject& node) {
            if (node.value("focused").toBool()) {
                return node.value("app_id").toString().toStdString();
            }
            for (const char* children : {"nodes", "floating_nodes"}) {
                for (const QJsonValue& child : node.value(children).toArray()) {
                    if (auto found = find(child.toObject()); !found.empty()) {
                        return found;
                    }
                }
            }
            return std::string();
        };
        return find(QJsonDocument::fromJson(tree.out).object());
    }

    WaylandSession* session_ = nullptr;
    std::unique_ptr<test::NabbitInSession> nabbit_;
};

// Nothing has the focus: the code reaches the clipboard, marked secret where the types can be
// listed; the previous text comes back after the delay; a text copied meanwhile stays.
TEST_P(WaylandDeliveryTest, ACodeReachesTheClipboardAndThePreviousTextComesBack) {
    ASSERT_TRUE(session_->copy("the previous text"));
    ASSERT_TRUE(clipboardShows("the previous text", 2000));

    ASSERT_TRUE(codeArrives("482913"));
    if (GetParam() != Compositor::mutter) {
        const auto types = session_->clipboardTypes();
        EXPECT_NE(std::find(types.begin(), types.end(), "x-kde-passwordManagerHint"), types.end());
    }
    QTest::qWait(kRestoreDelaySeconds * 1000 - 500);
    EXPECT_TRUE(clipboardShows("the previous text", 2000))
        << session_->clipboardText(300).value_or("nothing") << "\n"
        << nabbit_->errors().toStdString();

    ASSERT_TRUE(codeArrives("573046"));
    ASSERT_TRUE(session_->copy("copied meanwhile"));
    QTest::qWait(kRestoreDelaySeconds * 1000 + 1000);
    EXPECT_EQ(session_->clipboardText(), "copied meanwhile");
}

// A Wayland-native window has the focus (the XWayland bridges of KWin and sway then pass
// nothing on): the code reaches the clipboard all the same, and the window keeps the focus.
TEST_P(WaylandDeliveryTest, ACodeReachesTheClipboardWhileAWaylandWindowHasTheFocus) {
    const auto script =
        session_->stage(NABBIT_SOURCE_DIR "/tests/support/wayland_entry.py", "wayland_entry.py");
    QProcess& entry = session_->startClient("/usr/bin/python3",
                                            {QString::fromStdString(script.string()), "Entry"});
    QByteArray entryLog;
    const auto entrySays = [&](const QByteArray& line) {
        entryLog += entry.readAllStandardOutput();
        return entryLog.contains(line);
    };
    ASSERT_TRUE(QTest::qWaitFor([&] { return entrySays("ready\n"); }, 10'000))
        << entry.readAllStandardError().toStdString();
    // Sway's headless seat has no keyboard, so GTK never hears that it is active: sway's own
    // tree says which window has the focus there.
    const bool sway = GetParam() == Compositor::sway;
    const auto entryFocused = [&] {
        return sway ? swayFocusedAppId() == "nabbit-test-entry" : entrySays("active 1\n");
    };
    // Sway may map the window a moment after GTK showed it: asked until it has the focus.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            if (sway) {
                session_->run("swaymsg", {"[app_id=nabbit-test-entry] focus"});
            }
            return entryFocused();
        },
        5000))
        << entryLog.toStdString();
    entryLog.clear();

    ASSERT_TRUE(codeArrives("690417"));
    EXPECT_FALSE(entrySays("active 0")) << "the Wayland window lost the focus";
    EXPECT_TRUE(!sway || entryFocused()) << "the Wayland window lost the focus";
    entry.terminate();
    entry.waitForFinished(3000);
}

INSTANTIATE_TEST_SUITE_P(Desktops, WaylandDeliveryTest,
                         ::testing::Values(Compositor::sway, Compositor::kwin, Compositor::mutter),
                         [](const auto& info) { return std::string(test::nameOf(info.param)); });

// The route follows the compositor; NABBIT_CLIPBOARD overrides it, and where the Wayland one
// is asked for but not offered, the X11 one serves and the line says why.
TEST(WaylandRoute, TheLogLineNamesTheClipboardTaken) {
    const struct {
        Compositor compositor;
        QStringList environment;
        const char* line;
    } cases[] = {
        {Compositor::sway,
         {},
         "[Nabbit] Clipboard: Wayland, through zwlr_data_control_manager_v1\n"},
        {Compositor::sway,
         {"NABBIT_CLIPBOARD=x11"},
         "[Nabbit] Clipboard: X11 (NABBIT_CLIPBOARD=x11)\n"},
        {Compositor::mutter,
         {"NABBIT_CLIPBOARD=wayland"},
         "[Nabbit] Clipboard: X11 (the compositor offers no data-control protocol)\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::string why;
        auto session =
            WaylandSession::start(c.compositor, why, {.fakeInputClients = {}, .tray = true});
        if (!session) {
            GTEST_SKIP() << test::nameOf(c.compositor) << " cannot start here: " << why;
        }
        test::NabbitInSession nabbit(*session);
        ASSERT_TRUE(nabbit.start(why, c.environment)) << why;
        EXPECT_TRUE(nabbit.errors().contains(c.line)) << nabbit.errors().toStdString();
    }
}

// The compositor goes away (and its Xwayland with it): Nabbit ends on its own, with status
// 1, as when an X server goes, rather than hanging or crashing.
TEST(WaylandRoute, NabbitEndsWhenTheCompositorGoes) {
    std::string why;
    auto session = WaylandSession::start(Compositor::sway, why);
    if (!session) {
        GTEST_SKIP() << "sway cannot start here: " << why;
    }
    test::NabbitInSession nabbit(*session);
    ASSERT_TRUE(nabbit.start(why)) << why;
    QProcess* process = nabbit.process();
    ::kill(static_cast<pid_t>(session->compositorPid()), SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return process->state() == QProcess::NotRunning; }, 10'000))
        << nabbit.errors().toStdString();
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 1) << nabbit.errors().toStdString();
}

}  // namespace
}  // namespace nabbit
