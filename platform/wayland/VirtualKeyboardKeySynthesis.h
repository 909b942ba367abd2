#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "core/Expected.h"
#include "platform/AccessibilityCheck.h"
#include "platform/KeySynthesis.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandProxy.h"
#include "platform/wayland/XkbKeyboard.h"

namespace nabbit {

// Auto-paste on wlroots compositors (sway, Hyprland): one virtual keyboard
// (zwp_virtual_keyboard_v1) for the whole run, on a connection of its own, carrying the full
// keymap of the user's layout; Ctrl+V is typed with the codes of Control and V looked up in it.
// wlroots does not work out the modifiers from the keys, so they follow each key.
class VirtualKeyboardKeySynthesis final : public KeySynthesis, public AccessibilityCheck {
  public:
    static constexpr std::chrono::milliseconds kConnectTimeout{2000};

    // Connects to `socket` (empty: WAYLAND_DISPLAY); the error says why the route is not there.
    static Expected<std::unique_ptr<VirtualKeyboardKeySynthesis>, std::string> connect(
        const std::string& socket = {});

    bool sendPaste() override;
    // Granted with the connection: the compositor offered the route to this program.
    bool syntheticKeyEventsAllowed() const override { return !connection_->lost(); }

  private:
    VirtualKeyboardKeySynthesis(std::unique_ptr<WaylandConnection> connection, XkbKeyboard keymap,
                                uint32_t control, uint32_t v);
    void key(uint32_t code, bool pressed);

    // Objects go before the connection.
    std::unique_ptr<WaylandConnection> connection_;
    XkbKeyboard keymap_;
    uint32_t control_;
    uint32_t v_;
    WaylandProxy seat_;
    WaylandProxy manager_;
    WaylandProxy keyboard_;
};

}  // namespace nabbit
