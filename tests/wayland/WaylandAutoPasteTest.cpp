// The real nabbit program on real headless Wayland desktops, with auto-paste on and a
// Wayland-native text field focused: a code that arrives lands in the field within a second
// (sway: a virtual keyboard; KWin: fake input, granted through the desktop file Nabbit
// installs). After a virtual-keyboard paste, XWayland's keymap must still be whole and the
// user's layout, or X11 programs would no longer type what the user types. On KWin,
// Ctrl+Shift+E typed while that field has the focus resyncs, through KDE's global shortcuts.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <filesystem>

#include "NabbitInSession.h"
#include "WaylandEntry.h"
#include "WaylandSession.h"
#include "core/PreferencesStore.h"
#include "platform/wayland/VirtualKeyboardKeySynthesis.h"

namespace nabbit {
namespace {

using test::Compositor;
using test::WaylandSession;

// The program as a package installs it: stripped, beside its share/nabbit. KWin reads the
// whole executable of a client it may grant fake input to, and the build's, with its debug
// information, is large enough to hold every Wayland client past its connect deadline.
std::filesystem::path installedProgram(std::string& why) {
    static test::TempDir prefix;
    const auto program = prefix.path() / "bin/nabbit";
    if (!std::filesystem::exists(program)) {
        std::filesystem::create_directories(program.parent_path());
        std::filesystem::create_directories(prefix.path() / "share");
        // Copies, not links: the session's user may not reach into the build folder (CI builds
        // in a folder only root may enter).
        std::filesystem::copy(NABBIT_BIN_DIR "/../share/nabbit", prefix.path() / "share/nabbit",
                              std::filesystem::copy_options::recursive);
        std::filesystem::copy_file(NABBIT_BIN_DIR "/nabbit-test-fake-input-keys",
                                   prefix.path() / "bin/nabbit-test-fake-input-keys");
        QProcess strip;
        strip.start("objcopy", {"--strip-debug", NABBIT_BIN_DIR "/nabbit",
                                QString::fromStdString(program.string())});
        if (!strip.waitForFinished(60'000) || strip.exitCode() != 0) {
            why = "objcopy could not strip nabbit: " + strip.readAllStandardError().toStdString();
            return {};
        }
        using std::filesystem::perms;
        for (const auto& folder : {prefix.path(), prefix.path() / "bin", prefix.path() / "share"}) {
            std::filesystem::permissions(folder, perms::owner_all | perms::group_read |
                                                     perms::group_exec | perms::others_read |
                                                     perms::others_exec);
        }
    }
    return program;
}

class WaylandAutoPasteTest : public ::testing::TestWithParam<Compositor> {
  protected:
    static void TearDownTestSuite() { test::stopSharedSessions(); }

    void SetUp() override {
        const Compositor compositor = GetParam();
        std::string why;
        program_ = installedProgram(why);
        ASSERT_FALSE(program_.empty()) << why;
        // As the installed nabbit.desktop does for the installed program.
        session_ = test::sharedSession(
            compositor, why, {.fakeInputClients = {program_, fakeInputKeys()}, .tray = true});
        if (session_ == nullptr) {
            GTEST_SKIP() << test::nameOf(compositor) << " cannot start here: " << why;
        }
        if (compositor == Compositor::sway) {
            ASSERT_TRUE(useGermanKeyboard());
        }
        const PreferencesStore preferences(session_->home() / ".config/nabbit/nabbit.conf");
        preferences.setBool("com.nabbit.app.autoPasteEnabled", true);
        preferences.setBool("com.nabbit.app.globalShortcutEnabled", true);
        nabbit_ = std::make_unique<test::NabbitInSession>(*session_, 20);
        nabbit_->setProgram(program_);
        ASSERT_TRUE(nabbit_->start(why)) << why;
        const QByteArray route = compositor == Compositor::sway
                                     ? "[Nabbit] Auto-paste: Wayland, through a virtual keyboard"
                                     : "[Nabbit] Auto-paste: Wayland, through KWin's fake input";
        EXPECT_EQ(nabbit_->errors().count("[Nabbit] Auto-paste: "), 1)
            << nabbit_->errors().toStdString();
        EXPECT_TRUE(nabbit_->errors().contains(route)) << nabbit_->errors().toStdString();
    }

    void TearDown() override { nabbit_.reset(); }

    // How often the Messages source has started, as its debug log says.
    qsizetype watchStarts() const {
        return QByteArray::fromStdString(
                   test::readFile(session_->home() / "Documents/Nabbit_Debug.log"))
            .count("Initialized lastProcessedRowId");
    }

    // Sway: the user's keyboard, a German one (a virtual keyboard too: the headless seat has
    // none), in use before Nabbit starts and makes its own.
    bool useGermanKeyboard() {
        ::setenv("XKB_DEFAULT_LAYOUT", "de", 1);
        auto keyboard =
            VirtualKeyboardKeySynthesis::connect(session_->waylandSocket().toStdString());
        ::unsetenv("XKB_DEFAULT_LAYOUT");
        EXPECT_TRUE(keyboard) << keyboard.error();
        if (!keyboard) {
            return false;
        }
        // A key typed on it (nothing has the focus yet) makes it the seat's keyboard.
        userKeyboard_ = std::move(*keyboard);
        return userKeyboard_->sendPaste();
    }

    // The tool that types through KWin's fake input, copied beside the program.
    std::filesystem::path fakeInputKeys() const {
        return program_.parent_path() / "nabbit-test-fake-input-keys";
    }

    std::filesystem::path program_;
    WaylandSession* session_ = nullptr;
    std::unique_ptr<VirtualKeyboardKeySynthesis> userKeyboard_;
    std::unique_ptr<test::NabbitInSession> nabbit_;
    test::WaylandEntry entry_;
};

TEST_P(WaylandAutoPasteTest, ACodeLandsInTheFocusedWaylandFieldWithinASecond) {
    ASSERT_TRUE(entry_.openFocused(*session_, GetParam())) << entry_.log().toStdString();
    ASSERT_TRUE(nabbit_->receiveMessage("Your Acme verification code is 318274"));
    QElapsedTimer arrival;
    arrival.start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return entry_.says("text: 318274\n"); },
                                1000 * NABBIT_TEST_TIME_SCALE))
        << "after " << arrival.elapsed() << " ms: " << entry_.log().toStdString() << "\n"
        << nabbit_->errors().toStdString();
    EXPECT_FALSE(entry_.says("active 0")) << "the field lost the focus";
    EXPECT_EQ(entry_.log().count("text: "), 1) << entry_.log().toStdString();

    if (GetParam() == Compositor::sway) {
        // Nabbit's keymap is XWayland's now: it must still hold every key, in the user's layout
        // (German: Z where an American keyboard has Y), so that X11 programs find their keys.
        const auto map = session_->run("xmodmap", {"-pke"});
        ASSERT_TRUE(map.finished) << map.err.toStdString();
        EXPECT_GT(map.out.count("\nkeycode "), 100) << map.out.toStdString();
        for (const char* keys : {" Control_L", " v V", " e E", "keycode  29 = z Z"}) {
            EXPECT_TRUE(map.out.contains(keys)) << keys << "\n" << map.out.toStdString();
        }
    }
}

// Sway gives programs no global shortcut (users bind `nabbit resync`): KWin only.
class WaylandShortcutTest : public WaylandAutoPasteTest {};

TEST_P(WaylandShortcutTest, CtrlShiftEInAWaylandWindowResyncs) {
    ASSERT_TRUE(entry_.openFocused(*session_, GetParam())) << entry_.log().toStdString();
    ASSERT_TRUE(nabbit_->errors().contains(
        "[Nabbit] Global shortcut through the desktop's shortcut service"))
        << nabbit_->errors().toStdString();
    const auto before = watchStarts();
    const auto keys = session_->run(QString::fromStdString(fakeInputKeys().string()),
                                    {"29:1", "42:1", "18:1", "18:0", "42:0", "29:0"});
    ASSERT_EQ(keys.exitCode, 0) << keys.err.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return watchStarts() > before; }, 3000))
        << nabbit_->errors().toStdString();
}

INSTANTIATE_TEST_SUITE_P(Desktops, WaylandAutoPasteTest,
                         ::testing::Values(Compositor::sway, Compositor::kwin),
                         [](const auto& info) { return std::string(test::nameOf(info.param)); });
INSTANTIATE_TEST_SUITE_P(Desktops, WaylandShortcutTest, ::testing::Values(Compositor::kwin),
                         [](const auto& info) { return std::string(test::nameOf(info.param)); });

}  // namespace
}  // namespace nabbit
