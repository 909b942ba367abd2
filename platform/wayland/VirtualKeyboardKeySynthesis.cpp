#include "platform/wayland/VirtualKeyboardKeySynthesis.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client-protocol.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include "core/UniqueFd.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

namespace nabbit {

namespace {

// The keymap travels as a file the compositor maps.
UniqueFd keymapFile(const std::string& text) {
    UniqueFd fd(::memfd_create("nabbit-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!fd) {
        return fd;
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd.get(), text.data() + written, text.size() - written);
        if (n <= 0) {
            return UniqueFd();
        }
        written += static_cast<std::size_t>(n);
    }
    ::fcntl(fd.get(), F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE);
    return fd;
}

uint32_t milliseconds() {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count());
}

}  // namespace

Expected<std::unique_ptr<VirtualKeyboardKeySynthesis>, std::string>
VirtualKeyboardKeySynthesis::connect(const std::string& socket) {
    auto connection = WaylandConnection::open(socket, kConnectTimeout);
    if (!connection) {
        return Unexpected{std::move(connection.error())};
    }
    return over(*connection);
}

Expected<std::unique_ptr<VirtualKeyboardKeySynthesis>, std::string>
VirtualKeyboardKeySynthesis::over(std::unique_ptr<WaylandConnection>& connection) {
    if (connection->findGlobal(zwp_virtual_keyboard_manager_v1_interface.name) == nullptr) {
        return Unexpected{std::string("the compositor offers no virtual keyboard")};
    }
    if (connection->findGlobal("wl_seat") == nullptr) {
        return Unexpected{std::string("the compositor offers no seat")};
    }
    // Two answers: the seat's capabilities, then the keymap of the keyboard they offer.
    auto seatKeymap = std::make_unique<SeatKeymap>(*connection);
    if (!connection->roundtrip(kConnectTimeout) || !connection->roundtrip(kConnectTimeout)) {
        return Unexpected{std::string("the Wayland compositor did not answer")};
    }
    auto layout = layoutOf(seatKeymap->text());
    if (!layout) {
        return Unexpected{std::move(layout.error())};
    }
    return std::unique_ptr<VirtualKeyboardKeySynthesis>(new VirtualKeyboardKeySynthesis(
        std::move(connection), std::move(seatKeymap), std::move(*layout)));
}

Expected<VirtualKeyboardKeySynthesis::Layout, std::string> VirtualKeyboardKeySynthesis::layoutOf(
    const std::string& seatKeymap) {
    std::string why;
    for (const bool seats : {true, false}) {
        if (seats && seatKeymap.empty()) {
            continue;
        }
        auto keymap = seats ? XkbKeyboard::fromText(seatKeymap) : XkbKeyboard::compile();
        if (!keymap) {
            why = keymap.error();
            continue;
        }
        const auto control = keymap->evdevCodeOf(XKB_KEY_Control_L);
        const auto v = keymap->evdevCodeOf(XKB_KEY_v);
        if (control && v) {
            return Layout{std::move(*keymap), *control, *v};
        }
        why = "the keyboard layout has no Control or V key";
    }
    return Unexpected{std::move(why)};
}

VirtualKeyboardKeySynthesis::VirtualKeyboardKeySynthesis(
    std::unique_ptr<WaylandConnection> connection, std::unique_ptr<SeatKeymap> seatKeymap,
    Layout layout)
    : connection_(std::move(connection)),
      seatKeymap_(std::move(seatKeymap)),
      seatText_(seatKeymap_->text()),
      layout_(std::move(layout)) {
    // The manager of version 1 has no destructor request.
    manager_ = WaylandProxy(
        connection_->bind(*connection_->findGlobal(zwp_virtual_keyboard_manager_v1_interface.name),
                          &zwp_virtual_keyboard_manager_v1_interface, 1),
        WaylandProxy::kNoDestructor);
    auto* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        reinterpret_cast<zwp_virtual_keyboard_manager_v1*>(manager_.get()), seatKeymap_->seat());
    keyboard_ =
        WaylandProxy(reinterpret_cast<wl_proxy*>(keyboard), ZWP_VIRTUAL_KEYBOARD_V1_DESTROY);
    upload();
    connection_->flush();
}

void VirtualKeyboardKeySynthesis::upload() {
    const std::string& text = layout_.keymap.keymapText();
    if (const UniqueFd fd = keymapFile(text)) {
        zwp_virtual_keyboard_v1_keymap(reinterpret_cast<zwp_virtual_keyboard_v1*>(keyboard_.get()),
                                       WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd.get(),
                                       static_cast<uint32_t>(text.size()));
    }
}

void VirtualKeyboardKeySynthesis::key(uint32_t code, bool pressed) {
    auto* keyboard = reinterpret_cast<zwp_virtual_keyboard_v1*>(keyboard_.get());
    zwp_virtual_keyboard_v1_key(
        keyboard, milliseconds(), code,
        pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    const XkbKeyboard::Modifiers modifiers = layout_.keymap.update(code, pressed);
    zwp_virtual_keyboard_v1_modifiers(keyboard, modifiers.depressed, modifiers.latched,
                                      modifiers.locked, modifiers.group);
}

bool VirtualKeyboardKeySynthesis::sendPaste() {
    if (connection_->lost()) {
        return false;
    }
    // The user switched layouts since the last paste (the seat's keymap also comes back as our
    // own after a paste: the same keymap, written out by the compositor).
    if (const std::string& seat = seatKeymap_->text(); !seat.empty() && seat != seatText_) {
        seatText_ = seat;
        if (auto layout = layoutOf(seat)) {
            layout_ = std::move(*layout);
            upload();
        }
    }
    key(layout_.control, true);
    key(layout_.v, true);
    key(layout_.v, false);
    key(layout_.control, false);
    connection_->flush();
    return true;
}

}  // namespace nabbit
