#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <xkbcommon/xkbcommon.h>

#include "core/Expected.h"

namespace nabbit {

// A whole keyboard as libxkbcommon compiles it for the user's layout, with the state of its
// modifiers as keys go down and up. A virtual keyboard must carry a complete keymap: the one it
// uploads becomes XWayland's keymap too, and one of a few keys breaks X11 programs' lookups.
class XkbKeyboard {
  public:
    // The modifier state after a key, as wl_keyboard.modifiers carries it.
    struct Modifiers {
        uint32_t depressed = 0;
        uint32_t latched = 0;
        uint32_t locked = 0;
        uint32_t group = 0;
    };

    // The layout the XKB_DEFAULT_* variables name (as the compositor reads them), else the
    // library's defaults.
    static Expected<XkbKeyboard, std::string> compile();
    // A keymap in the text format, as the compositor sends the seat's.
    static Expected<XkbKeyboard, std::string> fromText(const std::string& text);

    // The keymap in the text format (xkb_v1), with its terminating NUL.
    const std::string& keymapText() const { return text_; }

    // The evdev code of the first key whose unshifted symbol is `keysym`, in the first layout
    // that has one.
    std::optional<uint32_t> evdevCodeOf(xkb_keysym_t keysym) const;

    // Presses or releases a key (evdev code) and answers the modifiers after it.
    Modifiers update(uint32_t evdevCode, bool pressed);

  private:
    struct Free {
        void operator()(xkb_context* context) const { xkb_context_unref(context); }
        void operator()(xkb_keymap* keymap) const { xkb_keymap_unref(keymap); }
        void operator()(xkb_state* state) const { xkb_state_unref(state); }
    };

    XkbKeyboard() = default;
    static Expected<XkbKeyboard, std::string> finish(XkbKeyboard keyboard);

    std::unique_ptr<xkb_context, Free> context_;
    std::unique_ptr<xkb_keymap, Free> keymap_;
    std::unique_ptr<xkb_state, Free> state_;
    std::string text_;
};

}  // namespace nabbit
