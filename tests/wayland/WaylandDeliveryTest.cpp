// The real nabbit program on real headless Wayland desktops (sway, KWin, mutter), with its
// windows on XWayland as a desktop starts it: a code that arrives reaches Wayland programs'
// clipboard at once, and the previous text comes back after the delay unless something else
// was copied meanwhile.
#include <signal.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>

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
        // The route it took, named once at start: on mutter, which offers no data-control, the
        // X11 one, saying why.
        const QByteArray route =
            compositor == Compositor::mutter
                ? "[Nabbit] Clipboard: X11 (the compositor offers no data-control protocol)\n"
                : "[Nabbit] Clipboard: Wayland, through zwlr_data_control_manager_v1\n";
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

    WaylandSession* session_ = nullptr;
    std::unique_ptr<test::NabbitInSession> nabbit_;
};

// Nothing has the focus: the code reaches the clipboard in every text type, marked secret
// for clipboard histories where the types can be listed; the previous text comes back after
// the delay; a text copied meanwhile stays. (With a Wayland window focused, the paste tests
// see the code arrive.)
TEST_P(WaylandDeliveryTest, ACodeReachesTheClipboardAndThePreviousTextComesBack) {
    ASSERT_TRUE(session_->copy("the previous text"));
    ASSERT_TRUE(clipboardShows("the previous text", 2000));

    ASSERT_TRUE(codeArrives("482913"));
    if (GetParam() != Compositor::mutter) {
        auto types = session_->clipboardTypes();
        std::sort(types.begin(), types.end());
        EXPECT_EQ(types, (std::vector<std::string>{"STRING", "TEXT", "UTF8_STRING", "text/plain",
                                                   "text/plain;charset=utf-8",
                                                   "x-kde-passwordManagerHint"}));
        EXPECT_EQ(session_->clipboardData("x-kde-passwordManagerHint"), "secret");
        EXPECT_EQ(session_->clipboardData("UTF8_STRING"), "482913");
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

INSTANTIATE_TEST_SUITE_P(Desktops, WaylandDeliveryTest,
                         ::testing::Values(Compositor::sway, Compositor::kwin, Compositor::mutter),
                         [](const auto& info) { return std::string(test::nameOf(info.param)); });

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
