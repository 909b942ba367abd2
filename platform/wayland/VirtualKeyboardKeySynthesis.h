#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "core/Expected.h"
#include "platform/AccessibilityCheck.h"
#include "platform/KeySynthesis.h"
#include "platform/wayland/SeatKeymap.h"
#include "platform/wayland/WaylandConnection.h"
#include "platform/wayland/WaylandProxy.h"
#include "platform/wayland/XkbKeyboard.h"

namespace nabbit {

// Auto-paste on wlroots compositors (sway, Hyprland): one virtual keyboard
// (zwp_virtual_keyboard_v1) for the whole run, on a connection of its own, carrying a full
// keymap; Ctrl+V is typed with the codes of Control and V looked up in it. The keymap is the
// seat's own (the user's layout, followed when they switch it), since the one a virtual keyboard
// uploads is XWayland's too until the user types again; without a keyboard on the seat, the
// layout the XKB_DEFAULT_* variables name. wlroots does not work out the modifiers from the keys,
// so they follow each key.
class VirtualKeyboardKeySynthesis final : public KeySynthesis, public AccessibilityCheck {
  public:
    static constexpr std::chrono::milliseconds kConnectTimeout{2000};

    // Connects to `socket` (empty: WAYLAND_DISPLAY); the error says why the route is not there.
    static Expected<std::unique_ptr<VirtualKeyboardKeySynthesis>, std::string> connect(
        const std::string& socket = {});
    // The same on a connection already open, which it takes over when the route is there and
    // leaves to the caller otherwise (to try another route on).
    static Expected<std::unique_ptr<VirtualKeyboardKeySynthesis>, std::string> over(
        std::unique_ptr<WaylandConnection>& connection);

    bool sendPaste() override;
    // Granted with the connection: the compositor offered the route to this program.
    bool syntheticKeyEventsAllowed() const override { return !connection_->lost(); }

  private:
    // A keymap with the codes of Control and V in it.
    struct Layout {
        XkbKeyboard keymap;
        uint32_t control = 0;
        uint32_t v = 0;
    };
    static Expected<Layout, std::string> layoutOf(const std::string& seatKeymap);

    VirtualKeyboardKeySynthesis(std::unique_ptr<WaylandConnection> connection,
                                std::unique_ptr<SeatKeymap> seatKeymap, Layout layout);
    void upload();
    void key(uint32_t code, bool pressed);

    // Objects go before the connection.
    std::unique_ptr<WaylandConnection> connection_;
    std::unique_ptr<SeatKeymap> seatKeymap_;
    // The seat's keymap text the layout was made from.
    std::string seatText_;
    Layout layout_;
    WaylandProxy manager_;
    WaylandProxy keyboard_;
};

}  // namespace nabbit
