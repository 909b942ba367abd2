#include "platform/wayland/FakeInputKeySynthesis.h"

#include <linux/input-event-codes.h>
#include <wayland-client-protocol.h>

#include "fake-input-client-protocol.h"

namespace nabbit {

namespace {

// keyboard_key came with version 4.
constexpr uint32_t kKeyboardVersion = 4;

}  // namespace

Expected<std::unique_ptr<FakeInputKeySynthesis>, std::string> FakeInputKeySynthesis::connect(
    const std::string& socket) {
    auto connection = WaylandConnection::open(socket, kConnectTimeout);
    if (!connection) {
        return Unexpected{std::move(connection.error())};
    }
    return over(*connection);
}

Expected<std::unique_ptr<FakeInputKeySynthesis>, std::string> FakeInputKeySynthesis::over(
    std::unique_ptr<WaylandConnection>& connection) {
    const auto* global = connection->findGlobal(org_kde_kwin_fake_input_interface.name);
    if (global == nullptr) {
        return Unexpected{std::string(
            "the compositor offers no fake input to Nabbit (KWin grants it to the program its "
            "installed nabbit.desktop names)")};
    }
    if (global->version < kKeyboardVersion) {
        return Unexpected{std::string("the compositor's fake input has no keyboard")};
    }
    return std::unique_ptr<FakeInputKeySynthesis>(new FakeInputKeySynthesis(std::move(connection)));
}

FakeInputKeySynthesis::FakeInputKeySynthesis(std::unique_ptr<WaylandConnection> connection)
    : connection_(std::move(connection)) {
    // The interface has no destructor request.
    fakeInput_ = WaylandProxy(
        connection_->bind(*connection_->findGlobal(org_kde_kwin_fake_input_interface.name),
                          &org_kde_kwin_fake_input_interface, kKeyboardVersion),
        WaylandProxy::kNoDestructor);
    org_kde_kwin_fake_input_authenticate(
        reinterpret_cast<org_kde_kwin_fake_input*>(fakeInput_.get()), "Nabbit",
        "Pastes verification codes into the focused field");
    connection_->flush();
}

bool FakeInputKeySynthesis::sendKeys(std::initializer_list<std::pair<uint32_t, bool>> keys) {
    if (connection_->lost()) {
        return false;
    }
    auto* fakeInput = reinterpret_cast<org_kde_kwin_fake_input*>(fakeInput_.get());
    for (const auto& [code, pressed] : keys) {
        org_kde_kwin_fake_input_keyboard_key(
            fakeInput, code,
            pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    }
    connection_->flush();
    return true;
}

bool FakeInputKeySynthesis::sendPaste() {
    return sendKeys({{KEY_LEFTCTRL, true}, {KEY_V, true}, {KEY_V, false}, {KEY_LEFTCTRL, false}});
}

}  // namespace nabbit
