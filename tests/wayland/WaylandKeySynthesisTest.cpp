// Auto-paste into a Wayland-native text field on real headless compositors: sway through a
// virtual keyboard, made in this process and kept as Nabbit keeps it; KWin through its fake
// input, from a helper that runs as the session's user and is granted fake input by a desktop
// file, as the installed nabbit.desktop grants it to Nabbit. After a virtual-keyboard paste,
// XWayland's keymap must still be whole and the user's layout, or X11 programs would no longer
// type what the user types.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>
#include <map>

#include "TestHome.h"
#include "WaylandEntry.h"
#include "WaylandSession.h"
#include "platform/wayland/FakeInputKeySynthesis.h"
#include "platform/wayland/VirtualKeyboardKeySynthesis.h"

namespace nabbit {
namespace {

using test::Compositor;
using test::WaylandSession;

// The tool that types Ctrl+V through KWin's fake input, copied where the session's user (and
// KWin, which reads a client's executable before granting it) can read it: the build folder
// may be closed to others (CI builds in a folder only root may enter).
const std::filesystem::path& fakeInputPaste() {
    static test::TempDir folder;
    static const std::filesystem::path tool = [] {
        const auto copy = folder.path() / "nabbit-test-fake-input-keys";
        std::filesystem::copy_file(NABBIT_BIN_DIR "/nabbit-test-fake-input-keys", copy);
        using std::filesystem::perms;
        std::filesystem::permissions(folder.path(), perms::owner_all | perms::group_read |
                                                        perms::group_exec | perms::others_read |
                                                        perms::others_exec);
        return copy;
    }();
    return tool;
}

class WaylandKeySynthesisTest : public ::testing::TestWithParam<Compositor> {
  protected:
    static void TearDownTestSuite() { test::stopSharedSessions(); }

    void SetUp() override {
        WaylandSession::Options options;
        options.fakeInputClients = {fakeInputPaste()};
        std::string why;
        session_ = test::sharedSession(GetParam(), why, options);
        if (session_ == nullptr) {
            GTEST_SKIP() << test::nameOf(GetParam()) << " cannot start here: " << why;
        }
    }

    // Sway: the user's keyboard, a German one (a virtual keyboard too: the headless seat has
    // none), in use before Nabbit starts; then Nabbit's, made as Nabbit makes it at its start.
    bool connectKeyboard() {
        ::setenv("XKB_DEFAULT_LAYOUT", "de", 1);
        auto user = VirtualKeyboardKeySynthesis::connect(session_->waylandSocket().toStdString());
        ::unsetenv("XKB_DEFAULT_LAYOUT");
        EXPECT_TRUE(user) << user.error();
        if (!user) {
            return false;
        }
        // A key typed on it (nothing has the focus yet) makes it the seat's keyboard.
        userKeyboard_ = std::move(*user);
        userKeyboard_->sendPaste();
        auto keys = VirtualKeyboardKeySynthesis::connect(session_->waylandSocket().toStdString());
        EXPECT_TRUE(keys) << keys.error();
        if (keys) {
            keyboard_ = std::move(*keys);
        }
        return keyboard_ != nullptr;
    }

    // Types Ctrl+V through the route this compositor offers.
    bool paste() {
        if (GetParam() == Compositor::sway) {
            return keyboard_->sendPaste();
        }
        const auto run = session_->run(QString::fromStdString(fakeInputPaste().string()), {});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.finished && run.exitCode == 0;
    }

    WaylandSession* session_ = nullptr;
    std::unique_ptr<VirtualKeyboardKeySynthesis> userKeyboard_;
    std::unique_ptr<VirtualKeyboardKeySynthesis> keyboard_;
    test::WaylandEntry entry_;
};

TEST_P(WaylandKeySynthesisTest, CtrlVPastesIntoTheFocusedWaylandFieldWithinASecond) {
    if (GetParam() == Compositor::sway) {
        ASSERT_TRUE(connectKeyboard());
    }
    ASSERT_TRUE(entry_.openFocused(*session_, GetParam())) << entry_.log().toStdString();
    ASSERT_TRUE(session_->copy("pasted 480213"));

    ASSERT_TRUE(paste());
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry_.says("text: pasted 480213\n"); },
                                1000 * NABBIT_TEST_TIME_SCALE))
        << entry_.log().toStdString();
    // Once, and nothing else typed: the modifiers were released with the keys.
    EXPECT_EQ(entry_.log().count("text: "), 1) << entry_.log().toStdString();
    ASSERT_TRUE(paste());
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry_.says("text: pasted 480213pasted 480213\n"); },
                                1000 * NABBIT_TEST_TIME_SCALE))
        << entry_.log().toStdString();

    if (GetParam() == Compositor::sway) {
        // The virtual keyboard's keymap is XWayland's now: it must still hold every key, in the
        // user's layout (German: Z where an American keyboard has Y), so that X11 programs
        // still find their keys ...
        const auto map = session_->run("xmodmap", {"-pke"});
        ASSERT_TRUE(map.finished) << map.err.toStdString();
        EXPECT_GT(map.out.count("\nkeycode "), 100) << map.out.toStdString();
        for (const char* keys : {" Control_L", " v V", " e E", "keycode  29 = z Z"}) {
            EXPECT_TRUE(map.out.contains(keys)) << keys << "\n" << map.out.toStdString();
        }
        // ... and an X11 program still types and pastes. (Letters placed alike in both layouts:
        // XWayland's XTest device keeps the keymap it started with, whatever Nabbit does.)
        test::WaylandEntry x11;
        ASSERT_TRUE(x11.openFocused(*session_, GetParam(), true)) << x11.log().toStdString();
        EXPECT_EQ(session_->run("xdotool", {"type", "--delay", "30", "nabbit "}).exitCode, 0);
        EXPECT_EQ(session_->run("xdotool", {"key", "ctrl+v"}).exitCode, 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return x11.says("text: nabbit pasted 480213\n"); },
                                    2000 * NABBIT_TEST_TIME_SCALE))
            << x11.log().toStdString();
    }
}

// Where the compositor does not offer a route, connecting says why instead of failing later.
TEST_P(WaylandKeySynthesisTest, TheOtherCompositorsRouteIsRefusedWithTheReason) {
    const std::string socket = session_->waylandSocket().toStdString();
    if (GetParam() == Compositor::sway) {
        const auto keys = FakeInputKeySynthesis::connect(socket);
        ASSERT_FALSE(keys);
        EXPECT_NE(keys.error().find("no fake input"), std::string::npos) << keys.error();
    } else {
        const auto keys = VirtualKeyboardKeySynthesis::connect(socket);
        ASSERT_FALSE(keys);
        EXPECT_EQ(keys.error(), "the compositor offers no virtual keyboard");
    }
}

INSTANTIATE_TEST_SUITE_P(Compositors, WaylandKeySynthesisTest,
                         ::testing::Values(Compositor::sway, Compositor::kwin),
                         [](const auto& info) { return std::string(test::nameOf(info.param)); });

}  // namespace
}  // namespace nabbit
