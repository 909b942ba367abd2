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
    if ((*connection)->findGlobal(zwp_virtual_keyboard_manager_v1_interface.name) == nullptr) {
        return Unexpected{std::string("the compositor offers no virtual keyboard")};
    }
    if ((*connection)->findGlobal("wl_seat") == nullptr) {
        return Unexpected{std::string("the compositor offers no seat")};
    }
    auto keymap = XkbKeyboard::compile();
    if (!keymap) {
        return Unexpected{std::move(keymap.error())};
    }
    const auto control = keymap->evdevCodeOf(XKB_KEY_Control_L);
    const auto v = keymap->evdevCodeOf(XKB_KEY_v);
    if (!control || !v) {
        return Unexpected{std::string("the keyboard layout has no Control or V key")};
    }
    return std::unique_ptr<VirtualKeyboardKeySynthesis>(
        new VirtualKeyboardKeySynthesis(std::move(*connection), std::move(*keymap), *control, *v));
}

VirtualKeyboardKeySynthesis::VirtualKeyboardKeySynthesis(
    std::unique_ptr<WaylandConnection> connection, XkbKeyboard keymap, uint32_t control, uint32_t v)
    : connection_(std::move(connection)), keymap_(std::move(keymap)), control_(control), v_(v) {
    seat_ =
        WaylandProxy(connection_->bind(*connection_->findGlobal("wl_seat"), &wl_seat_interface, 1),
                     WaylandProxy::kNoDestructor);
    // The manager of version 1 has no destructor request.
    manager_ = WaylandProxy(
        connection_->bind(*connection_->findGlobal(zwp_virtual_keyboard_manager_v1_interface.name),
                          &zwp_virtual_keyboard_manager_v1_interface, 1),
        WaylandProxy::kNoDestructor);
    auto* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(
        reinterpret_cast<zwp_virtual_keyboard_manager_v1*>(manager_.get()),
        reinterpret_cast<wl_seat*>(seat_.get()));
    keyboard_ =
        WaylandProxy(reinterpret_cast<wl_proxy*>(keyboard), ZWP_VIRTUAL_KEYBOARD_V1_DESTROY);
    const UniqueFd fd = keymapFile(keymap_.keymapText());
    if (fd) {
        zwp_virtual_keyboard_v1_keymap(keyboard, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd.get(),
                                       static_cast<uint32_t>(keymap_.keymapText().size()));
    }
    connection_->flush();
}

void VirtualKeyboardKeySynthesis::key(uint32_t code, bool pressed) {
    auto* keyboard = reinterpret_cast<zwp_virtual_keyboard_v1*>(keyboard_.get());
    zwp_virtual_keyboard_v1_key(
        keyboard, milliseconds(), code,
        pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    const XkbKeyboard::Modifiers modifiers = keymap_.update(code, pressed);
    zwp_virtual_keyboard_v1_modifiers(keyboard, modifiers.depressed, modifiers.latched,
                                      modifiers.locked, modifiers.group);
}

bool VirtualKeyboardKeySynthesis::sendPaste() {
    if (connection_->lost()) {
        return false;
    }
    key(control_, true);
    key(v_, true);
    key(v_, false);
    key(control_, false);
    connection_->flush();
    return true;
}

}  // namespace nabbit
